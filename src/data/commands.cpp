#include "data/commands.h"

#include "base/commandline.h"
#include "data/generator.h"


namespace {

int generateThesaurus(const QStringList &args, QTextStream &out, QTextStream &err)
{
    bool ok = false;
    const int concepts = args.value(0).toInt(&ok);
    const QString file = args.value(1);
    if (!ok || concepts < 1 || file.isEmpty() || file.startsWith(QLatin1String("--"))) {
        return CommandLine::UsageError;
    }
    Generator::GeneratorOptions options;
    options.concepts = concepts;
    if (args.contains(QStringLiteral("--relations"))) {
        options.relations = optionValue(args, QStringLiteral("--relations")).toInt(&ok);
        if (!ok || options.relations < 0) {
            err << "--relations needs a number of 0 or more\n";
            return 2;
        }
    }
    if (args.contains(QStringLiteral("--seed"))) {
        options.seed = optionValue(args, QStringLiteral("--seed")).toUInt(&ok);
        if (!ok) {
            err << "--seed needs a whole number\n";
            return 2;
        }
    }
    if (args.contains(QStringLiteral("--models"))) {
        const QStringList ids = optionValue(args, QStringLiteral("--models")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &id : ids) {
            const int m = id.trimmed().toInt(&ok);
            if (!ok) {
                err << "--models needs model ids separated by commas, for example 3,5\n";
                return 2;
            }
            options.models.append(m);
        }
        if (options.models.isEmpty()) {
            err << "--models needs at least one model id\n";
            return 2;
        }
    }
    return CommandLine::reportFailures(err, [&] {
        const Generator::GeneratorReport r = Generator::generateFile(file, options);
        out << "Wrote " << r.concepts << " concepts, " << r.labels << " labels, " << r.links << " links and "
            << r.relations << " mapping relations to " << file << "\n";
        return 0;
    });
}

} // namespace

void addDataCommands(CommandLine &cli)
{
    cli.add(QStringLiteral("--generate-thesaurus"),
            QStringLiteral("--generate-thesaurus N FILE [--relations M] [--models 1,3,5] [--seed S]"
                           "   write a made-up thesaurus database of N concepts per model"),
            generateThesaurus);
}

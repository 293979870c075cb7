#include "data/commands.h"

#include "base/commandline.h"
#include "data/copydb.h"
#include "data/generator.h"

#include <cstdio>
#include <unistd.h>


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

int copyDatabase(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QStringList places;
    CopyDb::Options options;
    for (const QString &a : args) {
        if (a == QLatin1String("--replace"))
            options.replace = true;
        else if (a.startsWith(QLatin1String("--")))
            return CommandLine::UsageError;
        else
            places << a;
    }
    if (places.size() != 2)
        return CommandLine::UsageError;
    // One line that says how far the copy is: rewritten in place on a
    // terminal, a line a step otherwise.
    const bool terminal = isatty(fileno(stderr)) != 0;
    options.progress = [&err, terminal](const QString &line) {
        if (terminal)
            err << "\r\033[K" << "Copying " << line << Qt::flush;
        else
            err << "Copying " << line << "\n" << Qt::flush;
    };
    return CommandLine::reportFailures(err, [&] {
        const CopyDb::Outcome o = CopyDb::copy(places.at(0), places.at(1), options);
        if (terminal)
            err << "\n";
        out << "Copied " << o.rows << " rows of " << o.tables << " tables from " << CopyDb::shown(places.at(0))
            << " to " << CopyDb::shown(places.at(1)) << "\n";
        if (!o.leftOut.isEmpty())
            err << "Not copied (tables that are not the program's): " << o.leftOut.join(QStringLiteral(", ")) << "\n";
        return 0;
    });
}

} // namespace

void addDataCommands(CommandLine &cli)
{
    cli.add(QStringLiteral("--copy-db"),
            QStringLiteral("--copy-db SOURCE TARGET [--replace]   copy a whole thesaurus database between a file "
                           "and a server (postgresql://user@host:port/database), either way"),
            copyDatabase);
    cli.add(QStringLiteral("--generate-thesaurus"),
            QStringLiteral("--generate-thesaurus N FILE [--relations M] [--models 1,3,5] [--seed S]"
                           "   write a made-up thesaurus database of N concepts per model"),
            generateThesaurus);
}

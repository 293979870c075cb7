#include "suggest/commands.h"

#include "base/commandline.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "data/ids.h"
#include "suggest/candidateset.h"
#include "suggest/evaluation.h"
#include "suggest/matcher.h"

#include <QDir>

namespace {

// The target model of a mapping project (1 ECLAS, 2 ETT, 3 UNESCO, 4 GEMET); 0 for another number.
int modelOfProject(int project)
{
    for (int model : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        if (Ids::projectForModel(model) == project)
            return model;
    return 0;
}

const QStringList suggestOptions = {QStringLiteral("--db"),        QStringLiteral("--project"), QStringLiteral("--field"),
                                    QStringLiteral("--subset"),    QStringLiteral("--min-score"), QStringLiteral("--top"),
                                    QStringLiteral("--out")};

int suggestCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    // Every argument is an option followed by its value.
    for (int i = 0; i < args.size(); i += 2) {
        if (!suggestOptions.contains(args.at(i))) {
            err << "Unknown argument: " << args.at(i) << "\n";
            return CommandLine::UsageError;
        }
        if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--"))) {
            err << args.at(i) << " needs a value\n";
            return CommandLine::UsageError;
        }
    }
    const QString db = optionValue(args, QStringLiteral("--db"));
    const QString outPath = optionValue(args, QStringLiteral("--out"));
    const QString projectText = optionValue(args, QStringLiteral("--project"));
    if (db.isEmpty() || outPath.isEmpty() || projectText.isEmpty()) {
        err << "--db, --project and --out are needed\n";
        return CommandLine::UsageError;
    }
    bool ok = false;
    const int project = projectText.toInt(&ok);
    Suggest::Scope scope;
    scope.targetModel = ok ? modelOfProject(project) : 0;
    if (scope.targetModel == 0) {
        err << "The project must be a number from 1 to 4 (1 ECLAS, 2 ETT, 3 UNESCO, 4 GEMET), not \"" << projectText
            << "\"\n";
        return CommandLine::UsageError;
    }
    scope.field = optionValue(args, QStringLiteral("--field"));
    scope.subset = optionValue(args, QStringLiteral("--subset"));
    CandidateSet::Options options;
    if (args.contains(QStringLiteral("--min-score"))) {
        const QString text = optionValue(args, QStringLiteral("--min-score"));
        options.minScore = text.toDouble(&ok);
        if (!ok || options.minScore < 0 || options.minScore > 1) {
            err << "The minimum score must be a number from 0 to 1, not \"" << text << "\"\n";
            return CommandLine::UsageError;
        }
    }
    if (args.contains(QStringLiteral("--top"))) {
        const QString text = optionValue(args, QStringLiteral("--top"));
        options.top = text.toInt(&ok);
        if (!ok || options.top < 1) {
            err << "--top must be a whole number of 1 or more, not \"" << text << "\"\n";
            return CommandLine::UsageError;
        }
    }
    cConnessione c;
    if (!openDatabaseForCommand(c, db, true, err))
        return 1;
    return CommandLine::reportFailures(err, [&] {
        QString why;
        const auto matcher = Suggest::Matcher::build(c, scope, &why);
        if (!matcher) {
            err << why << "\n";
            return 1;
        }
        const CandidateSet::Set set = CandidateSet::collect(c, *matcher, options);
        if (!CandidateSet::writeSssom(set, *matcher, outPath, why)) {
            err << "The file " << QDir::toNativeSeparators(outPath) << " cannot be written: " << why << "\n";
            return 1;
        }
        out << set.candidates << " candidates for " << set.concepts << " concepts";
        if (set.rejected > 0)
            out << " and " << set.rejected << " rejected pairs";
        out << " written to " << QDir::toNativeSeparators(outPath) << "\n";
        return 0;
    });
}

int evaluateCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2 || args.at(0).startsWith(QLatin1String("--")) || args.at(1).startsWith(QLatin1String("--")))
        return CommandLine::UsageError;
    const Evaluation::Read candidates = Evaluation::readFile(args.at(0));
    if (!candidates.ok) {
        err << "The candidates " << QDir::toNativeSeparators(args.at(0)) << " cannot be read: " << candidates.error << "\n";
        return 1;
    }
    const Evaluation::Read reference = Evaluation::readFile(args.at(1));
    if (!reference.ok) {
        err << "The reference " << QDir::toNativeSeparators(args.at(1)) << " cannot be read: " << reference.error << "\n";
        return 1;
    }
    out << Evaluation::report(Evaluation::compare(candidates.links, reference.links));
    return 0;
}

} // namespace

void addSuggestCommands(CommandLine &cli)
{
    cli.add(QStringLiteral("--suggest"),
            QStringLiteral("--suggest --db DB --project N [--field CODE] [--subset TEXT] [--min-score S] [--top K] "
                           "--out FILE.sssom.tsv"),
            suggestCommand);
    cli.add(QStringLiteral("--evaluate"), QStringLiteral("--evaluate CANDIDATES REFERENCE"), evaluateCommand);
}

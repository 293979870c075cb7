#include "base/commandline.h"
#include "data/cConnessione.h"
#include "data/schema.h"
#include "tools/commands.h"
#include "tools/jet_convert.h"
#include "tools/skos_import.h"

#include <QFile>
#include <QFileInfo>

namespace {

int importSkos(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString file = args.value(0);
    const QString thesaurus = optionValue(args, QStringLiteral("--thesaurus"));
    const QString into = optionValue(args, QStringLiteral("--into"));
    const bool replace = args.contains(QStringLiteral("--replace"));
    if (file.isEmpty() || file.startsWith(QLatin1String("--")) || thesaurus.isEmpty() || into.isEmpty()) {
        return CommandLine::UsageError;
    }
    const int model = SkosImport::modelFromName(thesaurus);
    if (!model) {
        err << "Unknown thesaurus \"" << thesaurus << "\": use eurovoc, eclas, ett, unesco or gemet.\n";
        return 2;
    }
    if (!QFileInfo(file).isFile()) {
        err << "The SKOS file " << file << " does not exist.\n";
        return 1;
    }

    // A database that does not exist yet is created with the full schema, and
    // removed again when the import does not complete.
    const bool created = !QFileInfo::exists(into);
    const int prepared = CommandLine::reportFailures(
        err,
        [&] {
            if (created) {
                cConnessione::createDatabaseFile(into);
                cConnessione db;
                if (!db.ApriConnessione(cConnessione::connectionStringFor(into)))
                    throw DbError(3024, db.lastOpenError());
                Schema::create(db);
            }
            return 0;
        },
        [&] {
            if (created)
                QFile::remove(into);
        });
    if (prepared != 0)
        return prepared;

    SkosImport::Result result;
    {
        cConnessione db;
        if (!db.ApriConnessione(cConnessione::connectionStringFor(into))) {
            err << "Cannot open the database " << into << ": " << db.lastOpenError() << "\n";
            return 1;
        }
        result = SkosImport::run(db, file, model, {}, [&](const QString &question) {
            if (!replace)
                err << question << "\nRun the command again with --replace to replace it.\n";
            return replace;
        });
    }
    if (result.status != SkosImport::Result::Status::Imported && created)
        QFile::remove(into);
    switch (result.status) {
    case SkosImport::Result::Status::Imported:
        out << result.summary.text() << "\n";
        return 0;
    case SkosImport::Result::Status::Declined:
        return 1;
    case SkosImport::Result::Status::Cancelled:
        err << "Import cancelled.\n";
        return 1;
    case SkosImport::Result::Status::Failed:
        break;
    }
    err << result.message << "\n";
    return 1;
}

int convertMdb(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2) {
        return CommandLine::UsageError;
    }
    const Jet::Result r = Jet::convert(args.at(0), args.at(1));
    if (r.status != Jet::Result::Status::Converted) {
        err << r.message << "\n";
        return 1;
    }
    out << r.text() << "\n";
    return 0;
}

} // namespace

void addImportCommands(CommandLine &cli)
{
    cli.add(QStringLiteral("--import-skos"),
            QStringLiteral("--import-skos FILE --thesaurus eurovoc|eclas|ett|unesco|gemet --into DATABASE [--replace]"),
            importSkos);
    cli.add(QStringLiteral("--convert-mdb"), QStringLiteral("--convert-mdb IN.mdb OUT.sqlite"), convertMdb);
}

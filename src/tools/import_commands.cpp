#include "base/commandline.h"
#include "data/cConnessione.h"
#include "tools/commands.h"
#include "tools/import_target.h"
#include "tools/jet_convert.h"
#include "tools/skos_import.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

int importSkos(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString file = args.value(0);
    const QString thesaurus = optionValue(args, QStringLiteral("--thesaurus"));
    const QString into = optionValue(args, QStringLiteral("--into"));
    const bool replace = args.contains(QStringLiteral("--replace"));
    const bool anyway = args.contains(QStringLiteral("--yes"));
    if (file.isEmpty() || file.startsWith(QLatin1String("--")) || thesaurus.isEmpty() || into.isEmpty()) {
        return CommandLine::UsageError;
    }
    const int model = SkosImport::modelFromName(thesaurus);
    if (!model) {
        err << "Unknown thesaurus \"" << thesaurus << "\": use eurovoc, eclas, ett, unesco or gemet.\n";
        return 2;
    }
    if (QFileInfo(file).isDir()) {
        err << "The SKOS file " << file << " is a folder, not a file.\n";
        return 1;
    }
    if (!QFileInfo(file).isFile()) {
        err << "The SKOS file " << file << " does not exist.\n";
        return 1;
    }

    SkosImport::Import import(file, model);
    SkosImport::Result result = import.read();
    if (!result.ok()) {
        err << result.message << "\n";
        return 1;
    }
    // A database that does not exist yet is made with the full schema and
    // takes its name only when the import has completed.
    ImportTarget target(into);
    QString error;
    if (!target.open(&error)) {
        err << error << "\n";
        return 1;
    }
    result = import.analyse(target.db());
    if (result.ok() && !import.outsideWarning().isEmpty() && !anyway) {
        err << import.outsideWarning() << "\nRun the command again with --yes to store it anyway.\n";
        return 1;
    }
    if (result.ok() && !import.replaceQuestion().isEmpty() && !replace) {
        err << import.replaceQuestion() << "\nRun the command again with --replace to replace it.\n";
        return 1;
    }
    if (result.ok())
        result = import.store(target.db());
    if (result.ok() && !target.finish(&error)) {
        err << error << "\n";
        return 1;
    }
    switch (result.status) {
    case SkosImport::Result::Status::Imported:
        result.summary.database = target.path();
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
    QStringList files = args;
    const bool replace = files.removeAll(QStringLiteral("--replace")) > 0;
    if (files.size() != 2 || files.at(0).startsWith(QLatin1String("--")) || files.at(1).startsWith(QLatin1String("--")))
        return CommandLine::UsageError;
    const QString &jet = files.at(0);
    const QString &target = files.at(1);
    // An existing file is replaced only when asked; the Access file itself
    // never (the conversion refuses it even with --replace).
    if (QFileInfo::exists(target) && !replace && !Jet::isSameFile(jet, target)) {
        err << "The file " << QDir::toNativeSeparators(target)
            << " already exists: run the command again with --replace to replace it.\n";
        return 1;
    }
    const Jet::Result r = Jet::convert(jet, target);
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
            QStringLiteral("--import-skos FILE --thesaurus eurovoc|eclas|ett|unesco|gemet --into DATABASE [--replace] [--yes]"),
            importSkos);
    cli.add(QStringLiteral("--convert-mdb"), QStringLiteral("--convert-mdb IN.mdb OUT.sqlite [--replace]"), convertMdb);
    // The reading of an Access file in a child process (not for users: no usage line).
    cli.add(QStringLiteral("--jet-child"), QString(), Jet::childCommand);
}

#include "tools/mappingcommands.h"

#include "base/commandline.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "tools/esportazione.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/promptprogetto.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The value of an option that must be present and not empty.
bool required(const QStringList &args, const char *option, QString &value, QTextStream &err)
{
    const QString name = QString::fromLatin1(option);
    value = optionValue(args, name);
    if (value.isEmpty() || value.startsWith(QStringLiteral("--"))) {
        err << "Missing " << name << "\n";
        return false;
    }
    return true;
}

// False, with the reason written to err, when args (after the command's
// one positional argument) hold anything but the options given, each
// followed by its value, and the flags given: a second file or a mistyped
// option would otherwise be passed over without a word.
bool onlyKnownArguments(const QStringList &args, const QStringList &withValue, const QStringList &flags,
                        QTextStream &err)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (withValue.contains(args.at(i)))
            ++i;
        else if (!flags.contains(args.at(i))) {
            err << "Unexpected argument \"" << args.at(i) << "\"\n";
            return false;
        }
    }
    return true;
}

// What --export was asked to do.
struct ExportRequest
{
    int kind = -1; // 0..3 MappingFormats::Formato, 10 XML, 11 HTML
    QString db, file;
    qint32 project = 0;
    MappingFormats::OpzioniSssom sssom;
};

// Reads the arguments of --export; false, with the reason written to err
// (none when the format is missing: the usage says it), when they do not do.
bool exportRequest(const QStringList &args, ExportRequest &r, QTextStream &err)
{
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--")))
        return false;
    const QString format = args.first();
    if (!onlyKnownArguments(args, {QStringLiteral("--db"), QStringLiteral("--out"), QStringLiteral("--project"),
                                   QStringLiteral("--license")},
                            {}, err))
        return false;
    if (!required(args, "--db", r.db, err) || !required(args, "--out", r.file, err))
        return false;
    if (args.contains(QStringLiteral("--project"))) {
        const QString text = optionValue(args, QStringLiteral("--project"));
        const PromptProgetto::Risposta answer = PromptProgetto::interpreta(text);
        if (answer.esito != PromptProgetto::Esito::Scelto) {
            err << PromptProgetto::messaggioRifiuto(text) << "\n";
            return false;
        }
        r.project = answer.progetto;
    }
    const struct {
        const char *name;
        int kind;
    } formats[] = {{"skos-turtle", 0}, {"skos-rdfxml", 1}, {"sssom", 2}, {"csv", 3}, {"xml", 10}, {"html", 11}};
    for (const auto &f : formats)
        if (format == QLatin1String(f.name))
            r.kind = f.kind;
    if (r.kind < 0) {
        err << "Unknown export format \"" << format << "\"\n";
        return false;
    }
    if (args.contains(QStringLiteral("--license"))) {
        if (r.kind != static_cast<int>(MappingFormats::Formato::Sssom)) {
            err << "--license applies to the sssom export only\n";
            return false;
        }
        if (!required(args, "--license", r.sssom.license, err))
            return false;
        if (!Sssom::isAbsoluteUri(r.sssom.license)) {
            err << MappingFormats::licenzaRifiutata(r.sssom.license) << "\n";
            return false;
        }
    }
    return true;
}

int exportCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    ExportRequest request;
    if (!exportRequest(args, request, err))
        return 2;
    const int kind = request.kind;
    const qint32 project = request.project;
    const QString &db = request.db;
    cConnessione c;
    // An SSSOM export names this database in its record ids: the first one
    // stores the database's identity, so it opens the file for writing when
    // it can.
    const bool sssomExport = kind == static_cast<int>(MappingFormats::Formato::Sssom);
    QString quiet;
    QTextStream ignored(&quiet);
    const bool writable = ServerAddress::isAddress(db) || QFileInfo(db).isWritable();
    if (!(sssomExport && writable && openDatabaseForCommand(c, db, false, ignored))
        && !openDatabaseForCommand(c, db, true, err))
        return 1;
    const QString path = QDir::cleanPath(QFileInfo(request.file).absoluteFilePath());
    return CommandLine::reportFailures(err, [&] {
        if (kind >= 10) {
            const Esportazione::Esito e = Esportazione::scrivi(
                c, kind == 10 ? Esportazione::Formato::XML : Esportazione::Formato::HTML, project, path);
            if (!e.scritto) {
                err << "The export file " << QDir::toNativeSeparators(path) << " cannot be written: " << e.errore
                    << "\n";
                return 1;
            }
            out << "End of export: " << e.relazioni << " mapping relations exported in "
                << QDir::toNativeSeparators(path) << "\n";
            return 0;
        }
        const MappingFormats::Esito e =
            MappingFormats::scrivi(c, static_cast<MappingFormats::Formato>(kind), project, path, request.sssom);
        if (!e.scritto) {
            err << "The export file " << QDir::toNativeSeparators(path) << " cannot be written: " << e.errore << "\n";
            return 1;
        }
        if (!e.omesse.isEmpty()) {
            // Written, but not everything went in: a status of its own.
            err << MappingFormats::riepilogo(e, path) << "\n";
            return 3;
        }
        out << MappingFormats::riepilogo(e, path) << "\n";
        return 0;
    });
}

int importCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--")))
        return 2;
    const QString file = args.first();
    QString db;
    if (!onlyKnownArguments(args, {QStringLiteral("--db")}, {QStringLiteral("--yes")}, err)
        || !required(args, "--db", db, err))
        return 2;
    const bool store = args.contains(QStringLiteral("--yes"));
    const MappingImport::File f = MappingImport::leggiFile(file);
    if (!f.ok) {
        err << MappingImport::messaggioErrore(f, file) << "\n";
        return 1;
    }
    cConnessione c;
    if (!openDatabaseForCommand(c, db, !store, err))
        return 1;
    return CommandLine::reportFailures(err, [&] {
        const MappingImport::Analisi a = MappingImport::analizza(c, f);
        out << MappingImport::riepilogo(a, file, 0) << "\n";
        if (a.nuove.isEmpty()) {
            out << "Nothing new to store.\n";
            return 0;
        }
        if (!store) {
            out << "Nothing was stored: add --yes to store the " << a.nuove.size() << " new mapping relations.\n";
            return 0;
        }
        const MappingImport::Registrazione e = MappingImport::registra(c, a);
        if (!e.registrato) {
            err << MappingImport::messaggioFallimento(a, e) << "\n";
            return 1;
        }
        out << MappingImport::messaggioRiuscita(e, file) << "\n";
        return 0;
    });
}

} // namespace

void addMappingCommands(CommandLine &cli)
{
    cli.add(QStringLiteral("--export"),
        QStringLiteral("--export skos-turtle|skos-rdfxml|sssom|csv|xml|html --db DATABASE --out FILE [--project N]\n"
                       "        [--license IRI]\n"
                       "        write the relations of a project (0 or none: all) to FILE; status 3 when some\n"
                       "        relations were left out because the format cannot carry their URIs; the SSSOM\n"
                       "        set states the license IRI given, else the one last given for the database in\n"
                       "        the export dialog, else https://w3id.org/sssom/license/unspecified"),
        exportCommand);
    cli.add(QStringLiteral("--import-mappings"),
        QStringLiteral("--import-mappings FILE --db DATABASE [--yes]\n"
                       "        read mapping relations (SKOS, SSSOM TSV or RDF, the Alignment format, CSV) and\n"
                       "        print what they hold; only with --yes are the new ones stored"),
        importCommand);
}

// Script commands of the exports, the merge and the bulk delete: the same work
// as the menu items, without windows, for batch use.
#include "tools/commands.h"

#include "base/commandline.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "tools/cancellazione.h"
#include "tools/esportazione.h"
#include "tools/mappingcommands.h"
#include "tools/promptprogetto.h"
#include "tools/unione.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The value of --project (0, all projects, when absent); false when it is not a number.
bool projectOption(const QStringList &args, qint32 &project, QTextStream &err)
{
    const QString text = optionValue(args, QStringLiteral("--project"));
    if (text.isEmpty() && !args.contains(QStringLiteral("--project"))) {
        project = 0;
        return true;
    }
    const PromptProgetto::Risposta r = PromptProgetto::interpreta(text);
    if (r.esito != PromptProgetto::Esito::Scelto) {
        err << PromptProgetto::messaggioRifiuto(text) << "\n";
        return false;
    }
    project = r.progetto;
    return true;
}

int exportCommand(Esportazione::Formato formato, const QStringList &args, QTextStream &out, QTextStream &err)
{
    qint32 project = 0;
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--")) || !projectOption(args, project, err))
        return 2;
    cConnessione c;
    if (!openDatabaseForCommand(c, args.first(), true, err))
        return 1;
    // Beside a database file; from a server's, in the current folder.
    const QString folder = ServerAddress::isAddress(args.first()) ? QDir::currentPath()
                                                                  : QFileInfo(args.first()).absolutePath();
    const QString path = folder + QLatin1Char('/') + Esportazione::nomeFile(formato);
    return CommandLine::reportFailures(err, [&] {
        const Esportazione::Esito e = Esportazione::scrivi(c, formato, project, path);
        if (!e.scritto) {
            err << "The export file " << QDir::toNativeSeparators(path) << " cannot be written: " << e.errore << "\n";
            return 1;
        }
        out << "End of export: " << e.relazioni << " mapping relations exported in "
            << QDir::toNativeSeparators(path) << "\n";
        if (e.quantiAlterati > 0)
            err << Esportazione::avvisoCaratteri(formato, e.alterati, e.quantiAlterati) << "\n";
        return 0;
    });
}

int mergeCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() < 2)
        return 2;
    cConnessione target;
    cConnessione source;
    if (!openDatabaseForCommand(source, args.at(1), true, err))
        return 1;
    return CommandLine::reportFailures(err, [&] {
        const QVector<Unione::Riga> rows = Unione::leggi(source);
        source.ChiudiConnessione();
        if (rows.isEmpty()) {
            out << "No mapping relation appended\n";
            return 0;
        }
        if (!openDatabaseForCommand(target, args.at(0), false, err))
            return 1;
        const Unione::Esito e = Unione::accoda(target, rows);
        const QString text = Unione::messaggio(e, rows, args.at(1), 0);
        if (!e.unito) {
            err << text << "\n";
            return 1;
        }
        // The count on the output; the relations left out, if any, on the
        // error output.  Nothing appended at all is a failure.
        const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
        out << text.left(firstBreak) << "\n";
        if (firstBreak >= 0)
            err << text.mid(firstBreak + 2) << "\n";
        return e.aggiunte > 0 || e.ignote.isEmpty() ? 0 : 1;
    });
}

int deleteCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    qint32 project = 0;
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--"))
        || !args.contains(QStringLiteral("--project")) || !projectOption(args, project, err))
        return 2;
    cConnessione c;
    if (!openDatabaseForCommand(c, args.first(), false, err))
        return 1;
    return CommandLine::reportFailures(err, [&] {
        const qint32 t = Cancellazione::conta(c, project);
        if (t < 1) {
            out << "No mapping relation selected for deleting\n";
            return 0;
        }
        if (!args.contains(QStringLiteral("--yes"))) {
            err << t << " mapping relations would be deleted; add --yes to delete them.\n";
            return 1;
        }
        out << Cancellazione::cancella(c, project) << " mapping relations deleted\n";
        return 0;
    });
}

} // namespace

void addToolsCommands(CommandLine &cli)
{
    cli.add(QStringLiteral("--export-xml"),
        QStringLiteral("--export-xml DATABASE [--project N]   write export.xml beside the database (0: all)"),
        [](const QStringList &a, QTextStream &o, QTextStream &e) {
            return exportCommand(Esportazione::Formato::XML, a, o, e);
        });
    cli.add(QStringLiteral("--export-html"),
        QStringLiteral("--export-html DATABASE [--project N]  write export.html beside the database (0: all)"),
        [](const QStringList &a, QTextStream &o, QTextStream &e) {
            return exportCommand(Esportazione::Formato::HTML, a, o, e);
        });
    cli.add(QStringLiteral("--merge"),
        QStringLiteral("--merge DATABASE APPENDING            append the relations of APPENDING to DATABASE"),
        mergeCommand);
    cli.add(QStringLiteral("--delete-relations"),
        QStringLiteral("--delete-relations DATABASE --project N [--yes]  delete a project's relations (0: all)"),
        deleteCommand);
    addMappingCommands(cli);
}

#include "shell/ui/app.h"

#include "base/clock.h"
#include "base/commandline.h"
#include "base/mdlUtil.h"
#include "data/mdlGlobale.h"
#include "data/serveraddress.h"
#include "report/ui/install.h"
#include "shell/commands.h"
#include "shell/startup.h"
#include "shell/ui/frmMain.h"
#include "shell/ui/frmSplash.h"
#include "shell/ui/RealDialogs.h"
#include "suggest/ui/install.h"
#include "tools/jet_convert.h"
#include "tools/ui/install.h"
#include "workspace/ui/install.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

frmMain *mdlGlobale::Main()
{
    auto *splash = new frmSplash;
    splash->show();
    // The event loop runs while it waits, so the splash paints.
    Startup::AttendiSplash(programClock());

    RiempiRelazioni();

    auto *main = new frmMain;
    installRooms(*main);
    main->setStartupMenus();
    main->show();

    splash->close();
    delete splash;
    return main;
}

void installRooms(frmMain &main)
{
    installWorkspace(main);
    installReport(main);
    installTools(main);
    installImport(main);
    installSuggest(main);
}

int runProgram(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (programCommands().handles(args)) {
        QCoreApplication app(argc, argv);
        Jet::setChildProgram(QCoreApplication::applicationFilePath());
        QTextStream out(stdout);
        QTextStream err(stderr);
        return programCommands().run(args, out, err);
    }

    QApplication app(argc, argv);
    // Access files are read in a child process of this same program.
    Jet::setChildProgram(QCoreApplication::applicationFilePath());
    QApplication::setApplicationName(QStringLiteral("vospan"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vospan - Quendral"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));

    // The program's icon, for the main window, its child windows and dialogs.
    const QString icon = mdlUtil::CartellaApplicazione() + QStringLiteral("icons/vospan.png");
    if (QFileInfo::exists(icon))
        QApplication::setWindowIcon(QIcon(icon));

    RealDialogs realDialogs;
    setDialogs(&realDialogs);

    frmMain *main = mdlGlobale::Main();

    // One optional argument: a database to open as Project > Open would, a
    // file or a server's (postgresql://user@host:port/database).
    if (!args.isEmpty()) {
        const QString path = ServerAddress::isAddress(args.first()) ? args.first().trimmed()
                                                                    : QFileInfo(args.first()).absoluteFilePath();
        QTimer::singleShot(0, main, [main, path] { main->apriDatabase(path); });
    }
    const int code = app.exec();
    delete main;
    setDialogs(nullptr);
    return code;
}

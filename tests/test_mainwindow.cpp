// The main window's project commands and menu states: Open, Close, Exit,
// failures on the way, the minimum size and the tiling of child windows.
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/twips.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "shell/project.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/testdb.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QtTest>

using namespace mdlGlobale;

namespace {

struct MenuState
{
    bool open, close, tools, exportMenu, utility, exit, help;
    bool operator==(const MenuState &o) const
    {
        return open == o.open && close == o.close && tools == o.tools && exportMenu == o.exportMenu
               && utility == o.utility && exit == o.exit && help == o.help;
    }
};

MenuState menus(frmMain &m)
{
    return {m.action(QStringLiteral("mnuProgettoApri"))->isEnabled(),
            m.action(QStringLiteral("mnuProgettoChiudi"))->isEnabled(),
            m.menu(QStringLiteral("mnuTools"))->isEnabled(),
            m.menu(QStringLiteral("mnuExport"))->isEnabled(),
            m.menu(QStringLiteral("mnuUtility"))->isEnabled(),
            m.action(QStringLiteral("mnuProgettoExit"))->isEnabled(),
            m.menu(QStringLiteral("mnuHelp"))->isEnabled()};
}

constexpr MenuState AfterStartup{true, true, false, false, false, true, true};
constexpr MenuState AfterOpen{false, true, true, true, true, true, true};
constexpr MenuState AfterClose{true, false, false, false, false, true, true};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuCaptionsAndShortcuts();
    void openCloseExitFollowTheMenuTable();
    void openCancelled();
    void openFailuresKeepTheProgramRunning_data();
    void openFailuresKeepTheProgramRunning();
    void unsavedEditorIsAskedAboutOnExitAndClose();
    void statusBarNamesTheOpenDatabase();
    void damagedAccessFileIsRefusedWithoutEnding();
    void databaseWithoutRelationsTable();
    void closeBeforeOpenAndExitBeforeOpen();
    void closeLeavesChildWindowsAndExitClosesThemNewestFirst();
    void minimumSizeInNormalState();
    void childWindowsTiledSideBySide();

private:
    ScopedScriptedDialogs *m_dialogs = nullptr;
    frmMain *m_main = nullptr;
};

void TestMainWindow::init()
{
    AzzeraStato();
    RiempiRelazioni();
    m_dialogs = new ScopedScriptedDialogs;
    m_main = new frmMain;
    installRooms(*m_main);
    m_main->setStartupMenus();
    m_main->show();
}

void TestMainWindow::cleanup()
{
    delete m_main;
    m_main = nullptr;
    delete m_dialogs;
    m_dialogs = nullptr;
    vConnection.ChiudiConnessione();
}

void TestMainWindow::menuCaptionsAndShortcuts()
{
    const struct
    {
        const char *name, *caption, *keys;
    } items[] = {{"mnuProgettoApri", "&Open", "Ctrl+O"},
                 {"mnuProgettoChiudi", "&Close", "Ctrl+C"},
                 {"mnuProgettoExit", "E&xit", "Ctrl+X"},
                 {"mnuToolsMappingEffettuato", "&Report", "Ctrl+R"},
                 {"mnuToolsNuovoMapping", "&New", "Ctrl+N"},
                 {"mnuToolsEsportazioneSKOS", "in XML &format", "Ctrl+F"},
                 {"mnuToolsEsportazioneHTML", "in &html", "Ctrl+M"},
                 {"mnuUtilityMergeDatabase", "&Merge mapping relations", "Ctrl+E"},
                 {"mnuUtilityDelete", "&Delete mapping relations", "Ctrl+D"},
                 {"mnuHelpHelp", "&Help", "Ctrl+H"},
                 {"mnuHelpAbout", "&About", "Ctrl+A"}};
    for (const auto &i : items) {
        QAction *a = m_main->action(QString::fromLatin1(i.name));
        QVERIFY2(a, i.name);
        QCOMPARE(a->text(), QString::fromLatin1(i.caption));
        QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(i.keys)));
    }
    QCOMPARE(m_main->menu(QStringLiteral("mnuProgetto"))->title(), QStringLiteral("&Project"));
    QCOMPARE(m_main->menu(QStringLiteral("mnuTools"))->title(), QStringLiteral("&Mapping"));
    QCOMPARE(m_main->menu(QStringLiteral("mnuExport"))->title(), QStringLiteral("&Export"));
    QCOMPARE(m_main->menu(QStringLiteral("mnuUtility"))->title(), QStringLiteral("&Utilities"));
    QCOMPARE(m_main->menu(QStringLiteral("mnuHelp"))->title(), QStringLiteral("&Help"));
}

void TestMainWindow::openCloseExitFollowTheMenuTable()
{
    TestDb db;
    const QString path = db.createThesaurus(QStringLiteral("t.mdb"));
    TestDb::run(path, {QStringLiteral("insert into mappingrelations values (4, 1, 1, 1, 9, 'a')"),
                       QStringLiteral("insert into mappingrelations values (11, 2, 1, 1, 8, null)")});
    QCOMPARE(menus(*m_main), AfterStartup);

    m_dialogs->answerFile(path);
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(menus(*m_main), AfterOpen);
    QVERIFY(m_dialogs->messages().isEmpty());
    QVERIFY(vProjectOpen);
    QCOMPARE(vLastRelationId, 11);
    QCOMPARE(vDatabaseFolder, db.folder() + QLatin1Char('/'));
    QVERIFY(vConnection.isOpen());
    // The Open dialog starts in the program's folder and offers the database filters.
    const ScriptedDialogs::Shown open = m_dialogs->shown.first();
    QCOMPARE(open.title, QStringLiteral("Open database"));
    QVERIFY(open.extra.startsWith(mdlUtil::CartellaApplicazione()));
    QVERIFY(open.extra.contains(QStringLiteral("Database file (*.mdb)")));
    QVERIFY(open.extra.contains(QStringLiteral("*.sqlite")));

    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QCOMPARE(menus(*m_main), AfterClose);
    QVERIFY(!vConnection.isOpen());
    QVERIFY(vProjectOpen); // stays true after a Close

    // Open again, then Exit: the connection is closed and the program ends.
    m_dialogs->answerFile(path);
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(menus(*m_main), AfterOpen);
    m_main->action(QStringLiteral("mnuProgettoExit"))->trigger();
    QVERIFY(m_dialogs->ended);
    QCOMPARE(m_dialogs->exitCode, 0);
    QVERIFY(!vConnection.isOpen());
    QVERIFY(m_dialogs->messages().isEmpty());
}

void TestMainWindow::openCancelled()
{
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(m_dialogs->messages(), QStringList{QStringLiteral("User cancel")});
    QVERIFY(!m_dialogs->ended);
    QCOMPARE(menus(*m_main), AfterStartup);
    QVERIFY(!vProjectOpen);
}

void TestMainWindow::openFailuresKeepTheProgramRunning_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("text file") << QByteArray("name;value\nalpha;1\n");
}

void TestMainWindow::openFailuresKeepTheProgramRunning()
{
    QFETCH(QByteArray, content);
    TestDb db;
    QString path = db.path(QStringLiteral("old.mdb"));
    if (!content.isNull())
        db.writeFile(QStringLiteral("old.mdb"), content);
    m_dialogs->answerFile(path);
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(m_dialogs->messages(),
             (QStringList{QStringLiteral("Connessione non riuscita a: Provider= Microsoft.Jet.OLEDB.4.0;Data Source=")
                              + path + QStringLiteral(";Persist Security Info=False"),
                          QStringLiteral("Connessione MySQL a Tessik non riuscita")}));
    // The program goes on with no database, and Open is offered again.
    QVERIFY(!m_dialogs->ended);
    QVERIFY(!vProjectOpen);
    QVERIFY(!vConnection.isOpen());
    QCOMPARE(menus(*m_main), AfterClose);
    // Nothing was created or changed.
    if (content.isNull()) {
        QVERIFY(!QFile::exists(path));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }
    // A good file opens next.
    m_dialogs->answerFile(db.createThesaurus());
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(menus(*m_main), AfterOpen);
}

void TestMainWindow::unsavedEditorIsAskedAboutOnExitAndClose()
{
    TestDb db;
    const QString path = db.createThesaurus();
    m_main->apriDatabase(path);
    QCOMPARE(menus(*m_main), AfterOpen);
    frmRisultatoMapping *editor = frmRisultatoMapping::instance();
    editor->putSource(QStringLiteral("Agriculture"));
    editor->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->setPlainText(QStringLiteral("checked twice"));
    QVERIFY(editor->hasUnsavedRelation());
    m_dialogs->clear();

    // Exit (the menu, Ctrl+X and the close box all come here): asked, No by default.
    m_main->action(QStringLiteral("mnuProgettoExit"))->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.first().kind, QStringLiteral("question"));
    QCOMPARE(m_dialogs->shown.first().text,
             QStringLiteral("The mapping editor holds an unsaved relation. Quit anyway?"));
    QCOMPARE(m_dialogs->shown.first().defaultAnswer, Dialogs::Answer::No);
    QVERIFY(!m_dialogs->ended);
    QVERIFY(m_main->isVisible());
    QVERIFY(vConnection.isOpen());
    QCOMPARE(editor->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->toPlainText(),
             QStringLiteral("checked twice"));
    m_main->close(); // the close box
    QCOMPARE(m_dialogs->shown.size(), 2);
    QVERIFY(!m_dialogs->ended);

    // Project > Close: the same question; No keeps the database open.
    m_dialogs->clear();
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.first().text,
             QStringLiteral("The mapping editor holds an unsaved relation. Close the database anyway?"));
    QCOMPARE(m_dialogs->shown.first().defaultAnswer, Dialogs::Answer::No);
    QVERIFY(vConnection.isOpen());
    QCOMPARE(menus(*m_main), AfterOpen);
    m_dialogs->answerQuestion(true);
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QVERIFY(!vConnection.isOpen());
    QCOMPARE(menus(*m_main), AfterClose);
    QCOMPARE(TestDb::value(path, QStringLiteral("select count(*) from mappingrelations")).toInt(), 0);

    // The editor stays with Save off; the same database opened again gives
    // the pair back, another one empties it (its concepts are not there).
    auto *save = editor->findChild<QPushButton *>(QStringLiteral("cmdSalva"));
    QVERIFY(!save->isEnabled());
    m_main->apriDatabase(path);
    QVERIFY(save->isEnabled());
    QVERIFY(editor->hasUnsavedRelation());
    QCOMPARE(editor->findChild<QLineEdit *>(QStringLiteral("txtEurovoc"))->text(), QStringLiteral("Agriculture"));
    m_dialogs->answerQuestion(true);
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QVERIFY(!vConnection.isOpen());
    m_main->apriDatabase(db.createThesaurus(QStringLiteral("other.sqlite")));
    QVERIFY(save->isEnabled());
    QVERIFY(!editor->hasUnsavedRelation());
    QVERIFY(editor->findChild<QLineEdit *>(QStringLiteral("txtEurovoc"))->text().isEmpty());
    QVERIFY(editor->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->toPlainText().isEmpty());
    editor->putSource(QStringLiteral("Fisheries"));

    // Yes on Exit quits.
    m_dialogs->clear();
    m_dialogs->answerQuestion(true);
    m_main->action(QStringLiteral("mnuProgettoExit"))->trigger();
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY(m_dialogs->ended);
}

void TestMainWindow::statusBarNamesTheOpenDatabase()
{
    TestDb db;
    const QString path = db.createThesaurus(QStringLiteral("thesauri 2024.sqlite"));
    auto *panel = m_main->findChild<QLabel *>(QStringLiteral("sbPanelDatabase"));
    QVERIFY(panel);
    QVERIFY(panel->text().isEmpty());
    m_main->apriDatabase(path);
    QCOMPARE(panel->text(), QStringLiteral("thesauri 2024.sqlite"));
    QCOMPARE(panel->toolTip(), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QVERIFY(panel->text().isEmpty());
}

void TestMainWindow::damagedAccessFileIsRefusedWithoutEnding()
{
    // An Access file goes to the converter, which cannot read this one: the
    // user is told why, nothing is created and the program goes on.
    TestDb db;
    QByteArray jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    const QString path = db.writeFile(QStringLiteral("old.mdb"), jet);
    m_dialogs->answerFile(path);
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(m_dialogs->messages().size(), 1);
    QVERIFY(!m_dialogs->ended);
    QCOMPARE(menus(*m_main), AfterStartup);
    QCOMPARE(QDir(db.folder()).entryList(QDir::Files), QStringList{QStringLiteral("old.mdb")});
}

void TestMainWindow::databaseWithoutRelationsTable()
{
    TestDb db;
    const QString path = db.createWith(QStringLiteral("norel.sqlite"), {QStringLiteral("create table concepts (id integer)")});
    m_dialogs->answerFile(path);
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(m_dialogs->messages().size(), 1);
    QVERIFY(m_dialogs->messages().first().contains(QStringLiteral("mappingrelations")));
    QVERIFY(!m_dialogs->ended);
    QCOMPARE(menus(*m_main), AfterStartup); // the menus keep their state
    // The file was let go, so a real database can be opened next.
    QVERIFY(!vConnection.isOpen());
    const QString good = db.createThesaurus();
    m_dialogs->answerFile(good);
    m_main->action(QStringLiteral("mnuProgettoApri"))->trigger();
    QCOMPARE(menus(*m_main), AfterOpen);
    QCOMPARE(vLastRelationId, 0);
}

void TestMainWindow::closeBeforeOpenAndExitBeforeOpen()
{
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QCOMPARE(menus(*m_main), AfterStartup);
    QVERIFY(m_dialogs->shown.isEmpty());
    m_main->action(QStringLiteral("mnuProgettoExit"))->trigger();
    QVERIFY(m_dialogs->ended);
    QVERIFY(m_dialogs->shown.isEmpty());
}

void TestMainWindow::closeLeavesChildWindowsAndExitClosesThemNewestFirst()
{
    TestDb db;
    const QString path = db.createThesaurus();
    QVERIFY(Progetto::ApriFile(path) == Progetto::Esito::Aperto);
    m_main->setDatabaseMenus(true);

    QStringList closed;
    for (const char *name : {"first", "second", "third"}) {
        auto *w = new QWidget;
        w->setObjectName(QString::fromLatin1(name));
        QMdiSubWindow *sub = m_main->addChild(w);
        sub->show();
        connect(sub, &QObject::destroyed, this, [&closed, n = QString::fromLatin1(name)] { closed << n; });
    }
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QCOMPARE(m_main->area()->subWindowList().size(), 3);

    m_main->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(closed, (QStringList{QStringLiteral("third"), QStringLiteral("second"), QStringLiteral("first")}));
    QVERIFY(m_dialogs->ended);
    QVERIFY(!vConnection.isOpen());
}

void TestMainWindow::minimumSizeInNormalState()
{
    m_main->showNormal();
    m_main->resize(400, 300);
    QCOMPARE(m_main->width(), Twips::toPixels(frmMain::MinWidthTwips));
    QCOMPARE(m_main->height(), Twips::toPixels(frmMain::MinHeightTwips));
    m_main->resize(1200, 700);
    QCOMPARE(m_main->size(), QSize(1200, 700));
}

void TestMainWindow::childWindowsTiledSideBySide()
{
    m_main->resize(1200, 700);
    auto *right = new QWidget;
    auto *left = new QWidget;
    QMdiSubWindow *r = m_main->addChild(right);
    r->show();
    QMdiSubWindow *l = m_main->addChild(left);
    l->show();
    m_main->area()->setActiveSubWindow(l); // the window opened last is the active one
    m_main->tileVertically();
    const int areaHeight = m_main->area()->viewport()->height();
    QCOMPARE(l->geometry().left(), 0);
    QCOMPARE(l->geometry().height(), areaHeight);
    QCOMPARE(r->geometry().left(), l->geometry().right() + 1);
    QCOMPARE(r->geometry().height(), areaHeight);
    QVERIFY(qAbs(l->width() - r->width()) <= 1);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"

#include "shell/ui/frmMain.h"

#include "base/attesa.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/logging.h"
#include "base/twips.h"
#include "data/mdlGlobale.h"
#include "help/ui/helpwindows.h"
#include "shell/project.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QApplication>
#include <QScreen>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

using namespace mdlGlobale;

frmMain *frmMain::instance()
{
    return static_cast<frmMain *>(MainFrame::instance());
}

frmMain::frmMain(QWidget *parent)
    : MainFrame(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vospan - Quendral"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_area = new QMdiArea(this);
    m_area->setObjectName(QStringLiteral("mdiArea"));
    m_area->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(m_area);

    QMenu *progetto = menuBar()->addMenu(QStringLiteral("&Project"));
    progetto->setObjectName(QStringLiteral("mnuProgetto"));
    connect(addItem(progetto, "mnuProgettoApri", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, &frmMain::mnuProgettoApri_Click);
    // A thesaurus database on a PostgreSQL server, for a team of editors.
    connect(addItem(progetto, "mnuProgettoApriServer", QStringLiteral("Open &server database..."),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)),
            &QAction::triggered, this, &frmMain::mnuProgettoApriServer_Click);
    connect(addItem(progetto, "mnuProgettoChiudi", QStringLiteral("&Close"), QKeySequence(Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, &frmMain::mnuProgettoChiudi_Click);
    progetto->addSeparator()->setObjectName(QStringLiteral("mnuProgettoSep0"));
    connect(addItem(progetto, "mnuProgettoExit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X)),
            &QAction::triggered, this, &frmMain::mnuProgettoExit_Click);

    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Mapping"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    addItem(tools, "mnuToolsMappingEffettuato", QStringLiteral("&Report"), QKeySequence(Qt::CTRL | Qt::Key_R));
    addItem(tools, "mnuToolsNuovoMapping", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));

    QMenu *exportMenu = menuBar()->addMenu(QStringLiteral("&Export"));
    exportMenu->setObjectName(QStringLiteral("mnuExport"));
    addItem(exportMenu, "mnuToolsEsportazioneSKOS", QStringLiteral("in XML &format"),
            QKeySequence(Qt::CTRL | Qt::Key_F));
    addItem(exportMenu, "mnuToolsEsportazioneHTML", QStringLiteral("in &html"), QKeySequence(Qt::CTRL | Qt::Key_M));

    QMenu *utility = menuBar()->addMenu(QStringLiteral("&Utilities"));
    utility->setObjectName(QStringLiteral("mnuUtility"));
    addItem(utility, "mnuUtilityMergeDatabase", QStringLiteral("&Merge mapping relations"),
            QKeySequence(Qt::CTRL | Qt::Key_E));
    utility->addSeparator()->setObjectName(QStringLiteral("mnuUtilitySep0"));
    addItem(utility, "mnuUtilityDelete", QStringLiteral("&Delete mapping relations"),
            QKeySequence(Qt::CTRL | Qt::Key_D));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(addItem(help, "mnuHelpHelp", QStringLiteral("&Help"), QKeySequence(Qt::CTRL | Qt::Key_H)),
            &QAction::triggered, this, &frmMain::mnuHelpHelp_Click);
    connect(addItem(help, "mnuHelpAbout", QStringLiteral("&About"), QKeySequence(Qt::CTRL | Qt::Key_A)),
            &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);

    connect(menuBar(), &QMenuBar::triggered, this,
            [](QAction *item) { qCInfo(lcUi).noquote() << "menu command" << item->objectName(); });

    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    m_panelText = new QLabel(QStringLiteral("Status"), bar);
    m_panelText->setObjectName(QStringLiteral("sbPanel1"));
    m_panelDate = new QLabel(bar);
    m_panelDate->setObjectName(QStringLiteral("sbPanel2"));
    m_panelTime = new QLabel(bar);
    m_panelTime->setObjectName(QStringLiteral("sbPanel3"));
    // Which database is open: its file name (the whole path in the tool tip).
    m_panelDatabase = new QLabel(bar);
    m_panelDatabase->setObjectName(QStringLiteral("sbPanelDatabase"));
    bar->addWidget(m_panelText, 1);
    bar->addPermanentWidget(m_panelDatabase);
    bar->addPermanentWidget(m_panelDate);
    bar->addPermanentWidget(m_panelTime);
    auto tick = [this] {
        const QDateTime now = programClock().now();
        m_panelDate->setText(QLocale().toString(now.date(), QLocale::ShortFormat));
        m_panelTime->setText(QLocale().toString(now.time(), QLocale::ShortFormat));
    };
    tick();
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, tick);
    timer->start(1000);

    // Load step.
    setStatusText(QStringLiteral("Vospan - Quendral"));
    // Start large enough for two trees side by side: most of the screen, never
    // below the minimum size.
    QSize size(Twips::toPixels(MinWidthTwips), Twips::toPixels(MinHeightTwips));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.expandedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);

    // Long commands show the hourglass over their work (not over the boxes
    // that ask or tell).
    Attesa::setHook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

frmMain::~frmMain() = default;

QAction *frmMain::addItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(shortcut);
    return a;
}

QMdiSubWindow *frmMain::addChild(QWidget *child)
{
    QMdiSubWindow *sub = m_area->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose, true);
    return sub;
}

QString frmMain::statusText() const
{
    return m_panelText->text();
}

void frmMain::setStatusText(const QString &text)
{
    m_panelText->setText(text);
}

void frmMain::repaintStatus()
{
    statusBar()->repaint();
}

void frmMain::setStartupMenus()
{
    for (const char *name : {"mnuTools", "mnuExport", "mnuUtility"})
        menu(QString::fromLatin1(name))->setEnabled(false);
}

void frmMain::setDatabaseMenus(bool open)
{
    action(QStringLiteral("mnuProgettoApri"))->setEnabled(!open);
    action(QStringLiteral("mnuProgettoApriServer"))->setEnabled(!open);
    action(QStringLiteral("mnuProgettoChiudi"))->setEnabled(open);
    for (const char *name : {"mnuTools", "mnuExport", "mnuUtility"}) {
        QMenu *m = menu(QString::fromLatin1(name));
        m->setEnabled(open);
        // A disabled menu still lets its shortcuts through in Qt; switch the
        // items too so that Ctrl+N and friends follow the menu.
        for (QAction *a : m->actions())
            a->setEnabled(open);
    }
}

void frmMain::setDatabaseName(const QString &name, const QString &detail)
{
    m_panelDatabase->setText(name);
    m_panelDatabase->setToolTip(detail);
}

QString frmMain::databaseName() const
{
    return m_panelDatabase->text();
}

void frmMain::applyOpenResult(Progetto::Esito esito)
{
    switch (esito) {
    case Progetto::Esito::Aperto: {
        setDatabaseMenus(true);
        const QString path = vConnection.databasePath();
        // A file by its name, a server database by its name and server.
        setDatabaseName(vConnection.describe(), vConnection.isServer() ? path : QDir::toNativeSeparators(path));
        emit databaseOpened(path);
        break;
    }
    case Progetto::Esito::Fallito:
        // Nothing is open: Open is offered again.
        setDatabaseMenus(false);
        setDatabaseName({});
        break;
    case Progetto::Esito::Annullato:
    case Progetto::Esito::Interrotto:
        break;
    }
}

bool frmMain::editorMayBeLeft(const QString &question)
{
    const frmRisultatoMapping *editor = frmRisultatoMapping::existing();
    if (!editor || !editor->hasUnsavedRelation())
        return true;
    return dialogs().question(question, {}, Dialogs::Icon::Warning, Dialogs::Answer::No);
}

void frmMain::mnuProgettoApri_Click()
{
    applyOpenResult(Progetto::Apri());
}

void frmMain::mnuProgettoApriServer_Click()
{
    applyOpenResult(Progetto::ApriServer());
}

void frmMain::apriDatabase(const QString &path)
{
    applyOpenResult(Progetto::Apri(path));
}

void frmMain::mnuProgettoChiudi_Click()
{
    if (vConnection.isOpen()
        && !editorMayBeLeft(QStringLiteral("The mapping editor holds an unsaved relation. Close the database anyway?")))
        return;
    if (Progetto::Chiudi()) {
        setDatabaseMenus(false);
        setDatabaseName({});
        emit databaseClosed();
    }
}

void frmMain::mnuProgettoExit_Click()
{
    close();
}

void frmMain::mnuHelpHelp_Click()
{
    showHelpWindow(this);
}

void frmMain::mnuHelpAbout_Click()
{
    showAboutWindow(this);
}

void frmMain::tileVertically()
{
    QList<QMdiSubWindow *> windows;
    const QList<QMdiSubWindow *> history = m_area->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.crbegin(); it != history.crend(); ++it)
        if ((*it)->isVisible() && !(*it)->isMinimized())
            windows.append(*it);
    if (windows.isEmpty())
        return;
    const QRect area = m_area->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    int x = 0;
    for (int i = 0; i < n; ++i) {
        const int w = area.width() / n + (i < area.width() % n ? 1 : 0);
        if (windows.at(i)->isMaximized())
            windows.at(i)->showNormal();
        windows.at(i)->setGeometry(x, 0, w, area.height());
        x += w;
    }
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (windowState() == Qt::WindowNoState) {
        const int minW = Twips::toPixels(MinWidthTwips);
        const int minH = Twips::toPixels(MinHeightTwips);
        if (width() < minW || height() < minH) {
            resize(std::max(width(), minW), std::max(height(), minH));
            return; // the resize above comes back here
        }
    }
    tileVertically();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    if (!editorMayBeLeft(QStringLiteral("The mapping editor holds an unsaved relation. Quit anyway?"))) {
        event->ignore();
        return;
    }
    m_unloading = true;
    // Every other window, the most recently opened first.
    const QList<QMdiSubWindow *> children = m_area->subWindowList(QMdiArea::CreationOrder);
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        (*it)->close();
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (auto it = tops.crbegin(); it != tops.crend(); ++it)
        if (*it != this && (*it)->isVisible())
            (*it)->close();
    if (vProjectOpen)
        vConnection.ChiudiConnessione();
    event->accept();
    dialogs().endProgram(0);
}

#include "report/ui/frmReportMapping.h"

#include "base/DbError.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/twips.h"
#include "data/mdlGlobale.h"
#include "report/report.h"
#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/MainFrame.h"
#include "widgets/ui/mdlFunzioniMSHFlexGrid.h"
#include "widgets/ui/pictures.h"
#include "widgets/ui/widgets.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

using namespace mdlGlobale;
using namespace mdlFunzioniMSHFlexGrid;

namespace {

QPointer<frmReportMapping> g_report;

constexpr int DesignWidth = 13050;
constexpr int DesignHeight = 5145;

} // namespace

QString reportFormatString(bool authors)
{
    return QString(5, QLatin1Char(' ')) + QStringLiteral("|<Record |<Eurovoc concept") + QString(40, QLatin1Char(' '))
           + QStringLiteral("|<Mapping relation ") + QStringLiteral("|<Target concept") + QString(40, QLatin1Char(' '))
           + QStringLiteral("|<Thesaurus|<Notes") + QString(100, QLatin1Char(' '))
           + (authors ? QStringLiteral("|<Changed by      |<Changed on (UTC)     ") : QString());
}

void CaricaReport(FlexGrid &grid)
{
    // Read first: when the query fails the list on screen stays as it was.
    const Report::Lettura read = Report::leggiConSegno(vConnection);
    const QVector<Report::Riga> &rows = read.rows;
    auto *owner = qobject_cast<frmReportMapping *>(grid.parentWidget());
    const bool authors = owner && owner->authorsShown();

    FlexGrid::Batch batch(grid);
    grid.clear();
    grid.setCols(authors ? 9 : 7);
    grid.setRows(2);
    grid.setFormatString(reportFormatString(authors));

    // "DEL -- " and the longest id fit in the Record column.
    QString longest;
    for (const Report::Riga &r : rows)
        if (r.id.size() > longest.size())
            longest = r.id;
    grid.fitColumnTo(1, QLatin1String(Report::DeletedPrefix) + longest);

    if (owner) {
        owner->m_rows = rows;
        owner->m_loadedFrom = vConnection.databasePath();
        owner->m_mark = read.mark;
        owner->watchOthers();
        if (owner->cmdAggiorna->isEnabled())
            owner->lblStato->hide(); // others' changes up to now are in the list
    }
    if (rows.isEmpty()) {
        if (owner)
            owner->Label1->setText(QStringLiteral("0"));
        dialogs().message(QStringLiteral("No mapping relation"));
        return;
    }
    const int n = static_cast<int>(rows.size());
    grid.setRows(n + 1);
    for (int i = 0; i < n; ++i) {
        const Report::Riga &r = rows.at(i);
        const int row = i + 1;
        grid.setTextMatrix(row, 1, Report::recordText(r));
        grid.setTextMatrix(row, 2, r.dex);
        grid.setTextMatrix(row, 3, r.dexProp);
        grid.setTextMatrix(row, 4, r.dexRight);
        grid.setTextMatrix(row, 5, r.nameRight);
        grid.setTextMatrix(row, 6, r.notes);
        if (authors) {
            grid.setTextMatrix(row, 7, r.changedBy);
            grid.setTextMatrix(row, 8, Report::timeShown(r.changedAt));
        }
    }
    if (owner) {
        owner->Label1->setText(QString::number(Report::liveCount(owner->m_rows)));
        owner->Label1->repaint();
    }
}

frmReportMapping *frmReportMapping::existing()
{
    return g_report.data();
}

frmReportMapping *frmReportMapping::mnuToolsMappingEffettuato_Click()
{
    frmReportMapping *w = g_report.data();
    if (!w) {
        w = new frmReportMapping;
        g_report = w;
        QMdiSubWindow *sub = MainFrame::instance() ? MainFrame::instance()->addChild(w) : nullptr;
        if (sub) {
            sub->resize(sub->sizeHint());
            sub->show();
        } else {
            w->show();
        }
        w->Form_Load();
    }
    try {
        CaricaReport(*w->msfgReportMapping);
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
    }
    return w;
}

frmReportMapping::frmReportMapping(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmReportMapping"));
    setWindowTitle(QStringLiteral("Mapping report"));
    setAttribute(Qt::WA_DeleteOnClose, true);
    resize(sizeHint());

    cmdEliminaRecord = Widgets::pictureButton(this, "cmdEliminaRecord", "deleterecord", QStringLiteral("Delete record"),
                                     QStringLiteral("Del"), Twips::rect(120, 360, 735, 495));
    cmdInserisciRecord = Widgets::pictureButton(this, "cmdInserisciRecord", "addrecord", QStringLiteral("Add record"),
                                       QStringLiteral("Add"), Twips::rect(120, 1080, 735, 495));
    cmdModificaRecord = Widgets::pictureButton(this, "cmdModificaRecord", "modifyrecord", QStringLiteral("Modify record"),
                                      QStringLiteral("Edit"), Twips::rect(120, 1800, 735, 495));
    cmdAggiorna = Widgets::pictureButton(this, "cmdAggiorna", "reload", QStringLiteral("Reload table"),
                                QStringLiteral("Reload"), Twips::rect(120, 2520, 735, 495));
    cmdChiudiFinestra = Widgets::pictureButton(this, "cmdChiudiFinestra", "close", QStringLiteral("Exit report"),
                                      QStringLiteral("Exit"), Twips::rect(12240, 360, 735, 495));
    // Two columns more: who stored or last changed each relation, and when.
    cmdAutori = new QPushButton(QStringLiteral("&Who"), this);
    cmdAutori->setObjectName(QStringLiteral("cmdAutori"));
    cmdAutori->setCheckable(true);
    cmdAutori->setToolTip(QStringLiteral("Show who stored or last changed each relation, and when (Alt+W)"));
    cmdAutori->setGeometry(Twips::rect(120, 3240, 735, 495));

    msfgReportMapping = new FlexGrid(this);
    msfgReportMapping->setObjectName(QStringLiteral("msfgReportMapping"));
    msfgReportMapping->setGeometry(Twips::rect(975, 360, 11160, 4695));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(Twips::rect(960, 120, 2415, 255));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(3480, 120, 975, 255));
    lblStato = new QLabel(this);
    lblStato->setObjectName(QStringLiteral("lblStato"));
    lblStato->setGeometry(Twips::rect(4560, 90, 7560, 270));
    lblStato->setStyleSheet(QStringLiteral("QLabel { background: #fff8c8; color: black; border: 1px solid #c8b460; "
                                           "padding: 0 4px; }"));
    lblStato->hide();

    if (MainFrame *main = MainFrame::instance()) {
        connect(main, &MainFrame::databaseClosed, this, &frmReportMapping::databaseClosed);
        connect(main, &MainFrame::databaseOpened, this, &frmReportMapping::databaseOpened);
    }

    m_events = new FlexGridEvents(*msfgReportMapping, vGridMarkedRow, vGridCurrentRow,
                                  [](int column) { return column == 1 ? 3 : 7; });

    connect(cmdAggiorna, &QPushButton::clicked, this, &frmReportMapping::cmdAggiorna_Click);
    connect(cmdChiudiFinestra, &QPushButton::clicked, this, &frmReportMapping::cmdChiudiFinestra_Click);
    connect(cmdEliminaRecord, &QPushButton::clicked, this, &frmReportMapping::cmdEliminaRecord_Click);
    connect(cmdInserisciRecord, &QPushButton::clicked, this, &frmReportMapping::cmdInserisciRecord_Click);
    connect(cmdModificaRecord, &QPushButton::clicked, this, &frmReportMapping::cmdModificaRecord_Click);
    connect(cmdAutori, &QPushButton::toggled, this, &frmReportMapping::setAuthorsShown);

    auto shortcut = [this](const QKeySequence &keys, void (frmReportMapping::*slot)()) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_Delete), &frmReportMapping::cmdEliminaRecord_Click);
    shortcut(QKeySequence(Qt::Key_F5), &frmReportMapping::cmdAggiorna_Click);
    shortcut(QKeySequence(Qt::Key_F2), &frmReportMapping::cmdModificaRecord_Click);
}

frmReportMapping::~frmReportMapping() = default;

QString frmReportMapping::statusText() const
{
    return lblStato->isHidden() ? QString() : lblStato->text();
}

bool frmReportMapping::authorsShown() const
{
    return cmdAutori->isChecked();
}

void frmReportMapping::setAuthorsShown(bool shown)
{
    if (cmdAutori->isChecked() != shown) {
        cmdAutori->setChecked(shown); // comes back here through toggled
        return;
    }
    if (cmdAggiorna->isEnabled())
        cmdAggiorna_Click();
}

void frmReportMapping::watchOthers()
{
    if (m_watching == vConnection.databasePath() && m_watch)
        return;
    disconnect(m_watch);
    m_watching = vConnection.databasePath();
    m_watch = vConnection.listen(QLatin1String(ChangeLog::Channel), this, [this] { othersChanged(); });
}

void frmReportMapping::othersChanged()
{
    if (!cmdAggiorna->isEnabled() || m_loadedFrom != vConnection.databasePath())
        return; // the database is closed, or another one is open
    int changed = 0;
    try {
        changed = ChangeLog::changedByOthersSince(vConnection, m_mark);
    } catch (const DbError &) {
        return; // said at the next command that reads the database
    }
    const QString text = Report::othersText(changed);
    if (text.isEmpty())
        return;
    lblStato->setText(text);
    lblStato->show();
}

void frmReportMapping::setCommandsEnabled(bool enabled)
{
    for (QPushButton *b : {cmdEliminaRecord, cmdInserisciRecord, cmdModificaRecord, cmdAggiorna, cmdAutori})
        b->setEnabled(enabled);
}

void frmReportMapping::databaseClosed()
{
    setCommandsEnabled(false);
    // The server's notices end with the connection.
    disconnect(m_watch);
    m_watching.clear();
    lblStato->setText(QStringLiteral("The database is closed: open it again to go on with this report."));
    lblStato->show();
}

void frmReportMapping::databaseOpened(const QString &name)
{
    setCommandsEnabled(true);
    lblStato->hide();
    lblStato->clear();
    if (name == m_loadedFrom)
        return;
    // Another database: its relations, not those of the closed one.
    vEditRelationId = 0;
    cmdAggiorna_Click();
}

void frmReportMapping::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    // Unloaded from now on, even before the window is destroyed: the next
    // Mapping > Report opens a fresh one.
    if (g_report == this)
        g_report = nullptr;
}

QSize frmReportMapping::sizeHint() const
{
    return {Twips::toPixels(DesignWidth), Twips::toPixels(DesignHeight)};
}

QWidget *frmReportMapping::outerWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return this;
}

void frmReportMapping::Form_Load()
{
    FlexGrid &grid = *msfgReportMapping;
    vEditRelationId = 0;
    if (MainFrame *main = MainFrame::instance())
        Widgets::CentraForm(outerWindow(), main);
    EvidenziaRiga(grid, grid.row());
    vGridMarkedRow = 0;
    Form_Resize();
    AzzeraEvidenziazione(grid);
    if (grid.rows() >= 2)
        vGridMarkedRow = EvidenziaRiga(grid, 1);
    grid.setCol(1);
    grid.sort(3);
    Label2->setText(QStringLiteral("Mapping relations found: "));
}

void frmReportMapping::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmReportMapping::Form_Resize()
{
    QWidget *outer = outerWindow();
    // Maximised too: the grid then fills the window instead of staying small.
    if (m_laying || outer->isMinimized())
        return;
    m_laying = true;
    const int W = Twips::fromPixels(outer->width());
    const int H = Twips::fromPixels(outer->height());
    // Positions below are in the window's own (client) coordinates.
    const int b = Twips::fromPixels(cmdChiudiFinestra->width());
    int closeLeft = W - b - 160;
    const QRect g = msfgReportMapping->geometry();
    const int gridLeft = Twips::fromPixels(g.left());
    // A window smaller than the margins leaves the grid empty rather than
    // giving it a negative size.
    const int gridWidth = std::max(0, W - 2 * b - 480);
    const int gridHeight = std::max(0, H - 790);
    msfgReportMapping->resize(Twips::toPixels(gridWidth), Twips::toPixels(gridHeight));
    if (gridLeft + gridWidth > closeLeft)
        closeLeft = gridLeft + gridWidth + 120;
    cmdChiudiFinestra->move(Twips::toPixels(closeLeft), cmdChiudiFinestra->y());
    lblStato->resize(std::max(0, msfgReportMapping->geometry().right() - lblStato->x()), lblStato->height());
    if (closeLeft + b + 160 > W)
        outer->resize(Twips::toPixels(closeLeft + b + 160), outer->height());
    m_laying = false;
}

void frmReportMapping::cmdAggiorna_Click()
{
    if (!cmdAggiorna->isEnabled())
        return; // its shortcut while the database is closed
    FlexGrid &grid = *msfgReportMapping;
    try {
        CaricaReport(grid);
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return;
    }
    grid.setCol(1);
    grid.sort(3);
    AzzeraEvidenziazione(grid);
}

void frmReportMapping::cmdChiudiFinestra_Click()
{
    outerWindow()->close();
}

int frmReportMapping::currentRelation(const QString &action)
{
    const FlexGrid &grid = *msfgReportMapping;
    const int r = grid.row();
    if (r < 1 || r >= grid.rows()) {
        dialogs().message(QStringLiteral("Click the row of the relation to %1 first.").arg(action), {},
                          Dialogs::Icon::Warning);
        return -1;
    }
    const int i = Report::indexOfCell(m_rows, grid.textMatrix(r, 1));
    if (i >= 0 && m_rows.at(i).deleted) {
        dialogs().message(QStringLiteral("The relation of row %1 has already been deleted.").arg(r), {},
                          Dialogs::Icon::Warning);
        return -1;
    }
    if (i < 0) {
        dialogs().message(QStringLiteral("Row %1 holds no relation to %2.").arg(r).arg(action), {},
                          Dialogs::Icon::Warning);
        return -1;
    }
    return i;
}

void frmReportMapping::cmdEliminaRecord_Click()
{
    if (!cmdEliminaRecord->isEnabled())
        return; // its shortcut while the database is closed
    const int i = currentRelation(QStringLiteral("delete"));
    if (i < 0)
        return;
    if (!dialogs().question(QStringLiteral("Delete?"), QStringLiteral("Cancellazione record"), Dialogs::Icon::Question,
                            Dialogs::Answer::No))
        return;
    Report::Riga &row = m_rows[i];
    int removed = 0;
    ChangeLog::Happened happened;
    try {
        removed = Report::deleteRelation(vConnection, row, &happened);
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return;
    }
    using Kind = ChangeLog::Happened::Kind;
    if (removed == 0 && happened.kind == Kind::Changed) {
        dialogs().message(QStringLiteral("The relation with id = %1 %2 after the report was read: it was not "
                                         "deleted. Reload the report (F5) to see it as it is now.")
                              .arg(row.id, happened.text),
                          {}, Dialogs::Icon::Warning);
        return;
    }
    if (removed == 0)
        dialogs().message(QStringLiteral("The relation with id = %1 was no longer in the database.").arg(row.id)
                              + (happened.known ? QStringLiteral(" It %1.").arg(happened.text) : QString()),
                          {}, Dialogs::Icon::Information);
    FlexGrid &grid = *msfgReportMapping;
    grid.setTextMatrix(grid.row(), 1, Report::recordText(row));
    Label1->setText(QString::number(Report::liveCount(m_rows)));
}

void frmReportMapping::cmdInserisciRecord_Click()
{
    QPointer<MainFrame> main = MainFrame::instance();
    outerWindow()->close();
    if (main)
        if (QAction *a = main->action(QStringLiteral("mnuToolsNuovoMapping")))
            a->trigger();
}

void frmReportMapping::cmdModificaRecord_Click()
{
    if (!cmdModificaRecord->isEnabled())
        return; // its shortcut while the database is closed
    const int i = currentRelation(QStringLiteral("modify"));
    if (i < 0)
        return;
    const qint32 id = m_rows.at(i).id.toInt();
    const FlexGrid &grid = *msfgReportMapping;
    const int r = grid.row();
    frmRisultatoMapping *editor = frmRisultatoMapping::instance();
    const std::optional<qint32> stored =
        editor->showModalForEdit(id, grid.textMatrix(r, 2), grid.textMatrix(r, 3), grid.textMatrix(r, 4),
                                 grid.textMatrix(r, 6), grid.textMatrix(r, 5), m_rows.at(i).property);
    // The grid shows the row as read until a reload; what is kept of it
    // follows this editor's own change, which is not another's.
    if (stored && i < m_rows.size())
        m_rows[i].property = *stored;
}

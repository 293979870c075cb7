#include "suggest/ui/frmRevisione.h"

#include "base/DbError.h"
#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/MainFrame.h"
#include "workspace/ui/frmAlbero.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QVBoxLayout>

using namespace mdlGlobale;

namespace {

QPointer<frmRevisione> g_window;

const QString Title = QStringLiteral("Suggest relations for a field");

enum Column { Fixed = 0, Source, Relation, Target, Score, Decision, Evidence, Columns };

// The relation box: its items and the property each stands for.
const QStringList relationItems = {QStringLiteral("every relation"), QStringLiteral("exactMatch"),
                                   QStringLiteral("broadMatch"), QStringLiteral("narrowMatch")};
const int relationProperties[] = {0, Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};

} // namespace

frmRevisione *frmRevisione::existing()
{
    return g_window.data();
}

frmRevisione *frmRevisione::instance()
{
    if (g_window)
        return g_window.data();
    auto *w = new frmRevisione(nullptr);
    g_window = w;
    if (MainFrame *main = MainFrame::instance())
        main->addChild(w);
    return w;
}

frmRevisione::frmRevisione(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmRevisione"));
    setWindowTitle(Title);
    setAttribute(Qt::WA_DeleteOnClose, true);
    auto *layout = new QVBoxLayout(this);
    auto *filters = new QHBoxLayout;
    auto *scoreLabel = new QLabel(QStringLiteral("Score &above"), this);
    m_minScore = new QDoubleSpinBox(this);
    m_minScore->setObjectName(QStringLiteral("spnPunteggio"));
    m_minScore->setRange(0, 1);
    m_minScore->setSingleStep(0.05);
    m_minScore->setDecimals(2);
    m_minScore->setValue(Suggest::DefaultMinScore);
    scoreLabel->setBuddy(m_minScore);
    auto *relationLabel = new QLabel(QStringLiteral("&Relation"), this);
    m_relation = new QComboBox(this);
    m_relation->setObjectName(QStringLiteral("cmbFiltroRelazione"));
    m_relation->addItems(relationItems);
    relationLabel->setBuddy(m_relation);
    m_pendingOnly = new QCheckBox(QStringLiteral("&Not yet reviewed"), this);
    m_pendingOnly->setObjectName(QStringLiteral("chkNonRivisti"));
    filters->addWidget(scoreLabel);
    filters->addWidget(m_minScore);
    filters->addSpacing(12);
    filters->addWidget(relationLabel);
    filters->addWidget(m_relation);
    filters->addSpacing(12);
    filters->addWidget(m_pendingOnly);
    filters->addStretch(1);
    layout->addLayout(filters);
    m_grid = new FlexGrid(this);
    m_grid->setObjectName(QStringLiteral("msfgRevisione"));
    m_grid->setToolTip(QStringLiteral("Enter accepts the relation, Delete rejects it, Space skips it"));
    m_grid->setCols(Columns);
    m_grid->setRows(1);
    layout->addWidget(m_grid, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatoRevisione"));
    layout->addWidget(m_status);

    connect(m_minScore, &QDoubleSpinBox::valueChanged, this, &frmRevisione::applyFilter);
    connect(m_relation, &QComboBox::currentIndexChanged, this, &frmRevisione::applyFilter);
    connect(m_pendingOnly, &QCheckBox::toggled, this, &frmRevisione::applyFilter);
    connect(m_grid, &FlexGrid::keyDown, this, &frmRevisione::reviewKey);
    resize(900, 480);
}

frmRevisione::~frmRevisione() = default;

bool frmRevisione::start()
{
    QString why;
    Suggest::Matcher *matcher = nullptr;
    try {
        Attesa::Clessidra busy;
        matcher = Suggest::currentMatcher(&why);
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return false;
    }
    if (!matcher) {
        dialogs().message(why, {}, Dialogs::Icon::Warning);
        return false;
    }
    const int total = static_cast<int>(matcher->sources().size());
    bool cancelled = false;
    {
        auto progress = dialogs().progress(Title, QStringLiteral("Suggesting targets for %1 concepts...").arg(total),
                                           total);
        m_review.run(*matcher, 3, [&progress](int done, int) {
            progress->setValue(done);
            return !progress->cancelled();
        }, &cancelled);
    }
    if (cancelled) {
        m_shown.clear();
        m_grid->setRows(1);
        m_status->setText(QStringLiteral("Cancelled: nothing was suggested."));
        return false;
    }
    applyFilter();
    return true;
}

int frmRevisione::reviewRow(int gridRow) const
{
    return gridRow >= 1 && gridRow <= m_shown.size() ? m_shown.at(gridRow - 1) : -1;
}

QString frmRevisione::statusText() const
{
    return m_status->text();
}

void frmRevisione::applyFilter()
{
    Suggest::FieldReview::Filter f;
    f.minScore = m_minScore->value();
    f.property = relationProperties[std::clamp(m_relation->currentIndex(), 0, 3)];
    f.pendingOnly = m_pendingOnly->isChecked();
    const int keep = reviewRow(m_grid->row());
    m_shown = m_review.visible(f);
    FlexGrid *g = m_grid;
    g->gridModel()->beginBatch();
    g->setRows(static_cast<int>(m_shown.size()) + 1);
    g->setTextMatrix(0, Source, QStringLiteral("EUROVOC concept"));
    g->setTextMatrix(0, Relation, QStringLiteral("Relation"));
    g->setTextMatrix(0, Target, QStringLiteral("Target"));
    g->setTextMatrix(0, Score, QStringLiteral("Score"));
    g->setTextMatrix(0, Decision, QStringLiteral("Decision"));
    g->setTextMatrix(0, Evidence, QStringLiteral("Evidence"));
    for (int i = 0; i < m_shown.size(); ++i)
        showRow(i + 1);
    g->gridModel()->endBatch();
    g->setColumnWidth(Source, 170);
    g->setColumnWidth(Relation, 90);
    g->setColumnWidth(Target, 170);
    g->setColumnWidth(Score, 50);
    g->setColumnWidth(Decision, 70);
    g->setColumnWidth(Evidence, 600);
    const int at = m_shown.indexOf(keep);
    if (!m_shown.isEmpty()) {
        g->setRow(at >= 0 ? at + 1 : 1);
        g->setCol(Source);
    }
    updateStatus();
}

void frmRevisione::showRow(int gridRow)
{
    const Suggest::FieldReview::Row &r = m_review.rows().at(m_shown.at(gridRow - 1));
    m_grid->setTextMatrix(gridRow, Fixed, QString::number(gridRow));
    m_grid->setTextMatrix(gridRow, Source, r.sourceText);
    m_grid->setTextMatrix(gridRow, Relation, r.candidate.relationName());
    m_grid->setTextMatrix(gridRow, Target, r.targetText);
    m_grid->setTextMatrix(gridRow, Score, QString::number(r.candidate.score, 'f', 2));
    m_grid->setTextMatrix(gridRow, Decision, Suggest::FieldReview::stateName(r.state));
    m_grid->setTextMatrix(gridRow, Evidence, r.candidate.evidenceText());
}

void frmRevisione::updateStatus()
{
    int pending = 0, accepted = 0, rejected = 0;
    for (const auto &r : m_review.rows()) {
        pending += r.state == Suggest::FieldReview::State::Pending;
        accepted += r.state == Suggest::FieldReview::State::Accepted;
        rejected += r.state == Suggest::FieldReview::State::Rejected;
    }
    m_status->setText(QStringLiteral("%1 candidates for %2 concepts, %3 shown; %4 accepted, %5 rejected, %6 not yet "
                                     "reviewed.  Enter accepts, Delete rejects, Space skips.")
                          .arg(m_review.rows().size())
                          .arg(m_review.sources())
                          .arg(m_shown.size())
                          .arg(accepted)
                          .arg(rejected)
                          .arg(pending));
}

void frmRevisione::moveOn(int gridRow)
{
    // The row stays where it is (a filter is applied again only when changed),
    // so the next row is the one below.
    showRow(gridRow);
    updateStatus();
    if (gridRow < m_shown.size())
        m_grid->setRow(gridRow + 1);
}

bool frmRevisione::acceptCurrent()
{
    const int gridRow = m_grid->row();
    if (!m_review.accept(reviewRow(gridRow)))
        return false;
    moveOn(gridRow);
    return true;
}

bool frmRevisione::rejectCurrent()
{
    const int gridRow = m_grid->row();
    QString why;
    Suggest::Matcher *matcher = nullptr;
    try {
        matcher = Suggest::currentMatcher(&why);
    } catch (const DbError &) {
        matcher = nullptr; // the decision is still kept; later builds read it
    }
    if (!m_review.reject(reviewRow(gridRow), matcher))
        return false;
    moveOn(gridRow);
    return true;
}

bool frmRevisione::skipCurrent()
{
    const int gridRow = m_grid->row();
    if (!m_review.skip(reviewRow(gridRow)))
        return false;
    moveOn(gridRow);
    return true;
}

void frmRevisione::reviewKey(int keyCode)
{
    if (keyCode == 13)
        acceptCurrent();
    else if (keyCode == 46)
        rejectCurrent();
    else if (keyCode == 32)
        skipCurrent();
}

void suggestRelationsForField()
{
    if (!frmAlbero::leftWindow() || !frmAlbero::rightWindow()) {
        dialogs().message(QStringLiteral("No mapping is open: choose the thesauri with Mapping > New first."), {},
                          Dialogs::Icon::Warning);
        return;
    }
    const bool made = !frmRevisione::existing();
    frmRevisione *w = frmRevisione::instance();
    if (w->start()) {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(w->parentWidget()))
            frame->show();
        else
            w->show();
        w->grid()->setFocus();
    } else if (made) {
        // Nothing was run: the new window goes at once (the next use makes a
        // fresh one); one that was already open keeps what it showed.
        g_window.clear();
        QWidget *frame = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        (frame ? frame : static_cast<QWidget *>(w))->deleteLater();
    }
}

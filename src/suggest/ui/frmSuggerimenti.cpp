#include "suggest/ui/frmSuggerimenti.h"

#include "base/DbError.h"
#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/mdlGlobale.h"
#include "suggest/fieldreview.h"
#include "suggest/review.h"
#include "widgets/ui/ConceptTree.h"
#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/MainFrame.h"
#include "workspace/mappingeditor.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QVBoxLayout>

using namespace mdlGlobale;

namespace {

QPointer<frmSuggerimenti> g_window;

enum Column { Fixed = 0, Score, Relation, Target, Evidence, Columns };

QMdiSubWindow *frameOf(QWidget *w)
{
    return w ? qobject_cast<QMdiSubWindow *>(w->parentWidget()) : nullptr;
}

} // namespace

frmSuggerimenti *frmSuggerimenti::existing()
{
    return g_window.data();
}

frmSuggerimenti *frmSuggerimenti::instance()
{
    if (g_window)
        return g_window.data();
    auto *w = new frmSuggerimenti(nullptr);
    g_window = w;
    if (MainFrame *main = MainFrame::instance())
        main->addChild(w);
    return w;
}

frmSuggerimenti::frmSuggerimenti(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmSuggerimenti"));
    setWindowTitle(QStringLiteral("Suggested targets"));
    setAttribute(Qt::WA_DeleteOnClose, true);
    auto *layout = new QVBoxLayout(this);
    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("lblSuggerimenti"));
    m_heading->setWordWrap(true);
    m_grid = new FlexGrid(this);
    m_grid->setObjectName(QStringLiteral("msfgSuggerimenti"));
    m_grid->setToolTip(QStringLiteral("Double click or Enter: put the pair and the relation into the mapping window"));
    m_grid->setCols(Columns);
    m_grid->setRows(1);
    layout->addWidget(m_heading);
    layout->addWidget(m_grid, 1);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        if (i.row() >= 1)
            choose(i.row());
    });
    connect(m_grid, &FlexGrid::keyDown, this, [this](int key, int) {
        if (key == 13 && m_grid->row() >= 1)
            choose(m_grid->row());
    });
    resize(640, 260);
}

frmSuggerimenti::~frmSuggerimenti() = default;

QString frmSuggerimenti::heading() const
{
    return m_heading->text();
}

bool frmSuggerimenti::suggestForCurrent()
{
    frmAlbero *left = frmAlbero::leftWindow();
    frmAlbero *right = frmAlbero::rightWindow();
    if (!left || !right) {
        dialogs().message(QStringLiteral("No mapping is open: choose the thesauri with Mapping > New, then click a "
                                         "concept in the eurovoc tree."),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    if (vLeftCurrent <= 0 || vLeftCurrent >= vLeftNodes.size() || vLeftNodes.at(vLeftCurrent).conceptId == 0) {
        dialogs().message(QStringLiteral("Click a concept in the eurovoc tree first: its targets are suggested."), {},
                          Dialogs::Icon::Warning);
        return false;
    }
    const qint32 source = vLeftNodes.at(vLeftCurrent).conceptId;
    const QString sourceText = left->tree()->text(vLeftCurrent + 1);
    QString why;
    try {
        Attesa::Clessidra busy;
        Suggest::Matcher *matcher = Suggest::currentMatcher(&why);
        if (!matcher) {
            dialogs().message(why, {}, Dialogs::Icon::Warning);
            return false;
        }
        if (!matcher->hasSource(source)) {
            dialogs().message(QStringLiteral("'%1' is a heading of the tree, not a concept: click a concept below it.")
                                  .arg(sourceText),
                              {}, Dialogs::Icon::Warning);
            return false;
        }
        m_list = matcher->suggest(source, 10);
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return false;
    }
    fill(sourceText);
    return true;
}

void frmSuggerimenti::fill(const QString &sourceText)
{
    m_heading->setText(m_list.isEmpty()
                           ? QStringLiteral("No target found for '%1'.").arg(sourceText)
                           : QStringLiteral("Suggested targets for '%1' (best first):").arg(sourceText));
    FlexGrid *g = m_grid;
    g->gridModel()->beginBatch();
    g->setRows(static_cast<int>(m_list.size()) + 1);
    g->setTextMatrix(0, Score, QStringLiteral("Score"));
    g->setTextMatrix(0, Relation, QStringLiteral("Relation"));
    g->setTextMatrix(0, Target, QStringLiteral("Target"));
    g->setTextMatrix(0, Evidence, QStringLiteral("Evidence"));
    const Suggest::Matcher *matcher = Suggest::currentMatcher(nullptr);
    for (int i = 0; i < m_list.size(); ++i) {
        const Suggest::Candidate &c = m_list.at(i);
        g->setTextMatrix(i + 1, Fixed, QString::number(i + 1));
        g->setTextMatrix(i + 1, Score, QString::number(c.score, 'f', 2));
        g->setTextMatrix(i + 1, Relation, c.relationName());
        g->setTextMatrix(i + 1, Target, matcher ? matcher->targetLabel(c.target) : QString());
        g->setTextMatrix(i + 1, Evidence, c.evidenceText());
    }
    g->gridModel()->endBatch();
    g->setColumnWidth(Score, 50);
    g->setColumnWidth(Relation, 90);
    g->setColumnWidth(Target, 170);
    g->setColumnWidth(Evidence, 600);
    if (!m_list.isEmpty()) {
        g->setRow(1);
        g->setCol(Target);
    }
    if (QMdiSubWindow *frame = frameOf(this)) {
        frame->show();
        placeBelowTargetTree();
    } else {
        show();
    }
    m_grid->setFocus();
}

void frmSuggerimenti::placeBelowTargetTree()
{
    // Once: the target window gives up its lower part to the list, so both
    // trees stay in sight.  Later the user's placement is kept.
    QMdiSubWindow *mine = frameOf(this);
    QMdiSubWindow *target = frameOf(frmAlbero::rightWindow());
    if (m_placed || !mine || !target)
        return;
    m_placed = true;
    const QRect r = target->geometry();
    const int listHeight = std::max(180, r.height() * 2 / 5);
    if (r.height() - listHeight < 200) {
        mine->setGeometry(r.x(), r.bottom() + 1, r.width(), listHeight);
        return;
    }
    target->setGeometry(r.x(), r.y(), r.width(), r.height() - listHeight);
    mine->setGeometry(r.x(), r.y() + r.height() - listHeight, r.width(), listHeight);
}

bool frmSuggerimenti::choose(int row)
{
    if (row < 1 || row > m_list.size())
        return false;
    const Suggest::Candidate c = m_list.at(row - 1);
    frmAlbero *left = frmAlbero::leftWindow();
    frmAlbero *right = frmAlbero::rightWindow();
    const int leftRecord = Review::nodeIndex(vLeftNodes, c.source);
    const int rightRecord = Review::nodeIndex(vRightNodes, c.target);
    if (!left || !right || leftRecord < 0 || rightRecord < 0) {
        dialogs().message(QStringLiteral("The concepts of the couple are no longer loaded: open the mapping again and "
                                         "suggest once more."),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    // As if the user had clicked both concepts and put each into the editor.
    vLeftCurrent = leftRecord;
    vRightCurrent = rightRecord;
    ConceptTree *tree = right->tree();
    tree->ensureVisible(rightRecord + 1);
    tree->selectNode(rightRecord + 1);
    left->tree()->selectNode(leftRecord + 1);
    left->cmdMapping_Click();
    right->cmdMapping_Click();
    frmRisultatoMapping *editor = frmRisultatoMapping::instance();
    if (auto *relation = editor->findChild<QComboBox *>(QStringLiteral("cmbRelazione"))) {
        relation->setCurrentIndex(MappingEditor::relationPosition(c.relationName()));
        editor->cmbRelazione_Click();
    }
    return true;
}

void suggestTargets()
{
    frmSuggerimenti *w = frmSuggerimenti::existing();
    const bool made = !w;
    if (!w)
        w = frmSuggerimenti::instance();
    if (!w->suggestForCurrent() && made) {
        // Nothing to show: the new window goes at once, so the next use makes
        // a fresh one instead of finding this one closed and awaiting deletion.
        g_window.clear();
        QWidget *frame = frameOf(w);
        (frame ? frame : w)->deleteLater();
    }
}

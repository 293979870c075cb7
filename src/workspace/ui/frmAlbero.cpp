#include "workspace/ui/frmAlbero.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/twips.h"
#include "data/ids.h"
#include "widgets/ui/ConceptTree.h"
#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/MainFrame.h"
#include "widgets/ui/mdlFunzioniMSHFlexGrid.h"
#include "widgets/ui/pictures.h"
#include "workspace/marking.h"
#include "workspace/nodeinfo.h"
#include "workspace/search.h"
#include "workspace/treeload.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>

using namespace mdlGlobale;

namespace {

QPointer<frmAlbero> g_left;
QPointer<frmAlbero> g_right;

// Designed sizes, in twips.
constexpr int kButtonWidth = 735;
constexpr int kButtonHeight = 495;
constexpr int kDesignWidth = 7605;
constexpr int kDesignHeight = 7260;

} // namespace

frmAlbero::frmAlbero(QWidget *parent)
    : QWidget(parent), m_throttle(new ProgressThrottle)
{
    setObjectName(QStringLiteral("frmAlbero"));
    setAttribute(Qt::WA_DeleteOnClose, true);

    auto button = [](QWidget *owner, const char *name, const char *picture, const QString &tip) {
        auto *b = new QPushButton(owner);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setIcon(Pictures::icon(QString::fromLatin1(picture)));
        b->setIconSize(QSize(24, 24));
        return b;
    };
    auto check = [](QWidget *owner, const char *name, const QString &text) {
        auto *c = new QCheckBox(text, owner);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };

    // Search band.
    Frame1 = new QGroupBox(QStringLiteral("Search"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label1 = new QLabel(QStringLiteral("Word"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtCerca = new QLineEdit(Frame1);
    txtCerca->setObjectName(QStringLiteral("txtCerca"));
    auto *Frame2 = new QFrame(Frame1);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    chkPrefLabel = check(Frame2, "chkPrefLabel", QStringLiteral("prefLabel"));
    chkAltLabel = check(Frame2, "chkAltLabel", QStringLiteral("altLabel"));
    chkScopeNote = check(Frame2, "chkScopeNote", QStringLiteral("scopeNote"));
    auto *Frame3 = new QFrame(Frame1);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFrameShape(QFrame::StyledPanel);
    chkRelated = check(Frame3, "chkRelated", QStringLiteral("related"));
    chkNarrower = check(Frame3, "chkNarrower", QStringLiteral("narrower"));
    chkBroader = check(Frame3, "chkBroader", QStringLiteral("broader"));
    cmdEseguiRicerca = button(Frame1, "cmdEseguiRicerca", "search",
                              QStringLiteral("Search word according with choose field/s"));

    place(Frame1, {120, 0, 6315, 1095});
    place(Label1, {120, 330, 495, 255});
    place(txtCerca, {600, 300, 2055, 315});
    place(Frame2, {2760, 150, 1335, 885});
    place(chkPrefLabel, {60, 30, 1215, 270});
    place(chkAltLabel, {60, 300, 1215, 270});
    place(chkScopeNote, {60, 570, 1215, 270});
    place(Frame3, {4140, 150, 1335, 885});
    place(chkRelated, {60, 30, 1215, 270});
    place(chkNarrower, {60, 300, 1215, 270});
    place(chkBroader, {60, 570, 1215, 270});
    place(cmdEseguiRicerca, {5520, 300, kButtonWidth, kButtonHeight});

    // Button columns.
    cmdEspandi = button(this, "cmdEspandi", "expand", QStringLiteral("Expand all the nodes until leaves"));
    cmdCollassa = button(this, "cmdCollassa", "collapse", QStringLiteral("Collapse all the nodes under the first level"));
    cmdCancellaSelezione = button(this, "cmdCancellaSelezione", "clearselection",
                                  QStringLiteral("Delete the node selection"));
    cmdVisualizzaMappati = button(this, "cmdVisualizzaMappati", "markmapped",
                                  QStringLiteral("Mark all the nodes involved in the project"));
    cmdChiudiFinestra = button(this, "cmdChiudiFinestra", "close", QStringLiteral("Close the window"));
    cmdMapping = button(this, "cmdMapping", "tomapping",
                        QStringLiteral("Put the descriptor (selected/current node) into mapping window"));
    cmdRelazioni = button(this, "cmdRelazioni", "relations", QStringLiteral("Node relations"));
    place(cmdEspandi, {120, 1200, kButtonWidth, kButtonHeight});
    place(cmdCollassa, {120, 1800, kButtonWidth, kButtonHeight});
    place(cmdCancellaSelezione, {120, 2400, kButtonWidth, kButtonHeight});
    place(cmdVisualizzaMappati, {120, 3000, kButtonWidth, kButtonHeight});
    place(cmdChiudiFinestra, {6600, 120, kButtonWidth, kButtonHeight});
    place(cmdMapping, {6600, 1200, kButtonWidth, kButtonHeight});
    place(cmdRelazioni, {6600, 1800, kButtonWidth, kButtonHeight});

    treeClassificazione = new ConceptTree(this);
    place(treeClassificazione, {960, 1200, 5535, 5415});

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    place(Label2, {120, 3600, 6375, 255});
    auto *grid = new FlexGrid(this);
    msfgInformazioni = grid;
    msfgInformazioni->setObjectName(QStringLiteral("msfgInformazioni"));
    msfgInformazioni->setToolTip(
        QStringLiteral("Doppio click su una cella per visualizzarne il contenuto completo"));
    place(msfgInformazioni, {120, 3960, 6375, 1335});
    Label2->hide();
    msfgInformazioni->hide();
    grid->setCols(3);
    grid->setFormatString(InfoNodo::formatString());
    m_gridEvents = new FlexGridEvents(*grid, vGridMarkedRow, vGridCurrentRow, [](int) { return 7; });
    connect(grid, &QAbstractItemView::doubleClicked, this, &frmAlbero::msfgInformazioni_DblClick);

    connect(cmdMapping, &QPushButton::clicked, this, &frmAlbero::cmdMapping_Click);
    connect(cmdEseguiRicerca, &QPushButton::clicked, this, &frmAlbero::cmdEseguiRicerca_Click);
    connect(txtCerca, &QLineEdit::returnPressed, this, &frmAlbero::cmdEseguiRicerca_Click);
    connect(cmdRelazioni, &QPushButton::clicked, this, &frmAlbero::cmdRelazioni_Click);
    connect(cmdVisualizzaMappati, &QPushButton::clicked, this, &frmAlbero::cmdVisualizzaMappati_Click);
    connect(cmdEspandi, &QPushButton::clicked, this, &frmAlbero::cmdEspandi_Click);
    connect(cmdCollassa, &QPushButton::clicked, this, &frmAlbero::cmdCollassa_Click);
    connect(cmdCancellaSelezione, &QPushButton::clicked, this, &frmAlbero::cmdCancellaSelezione_Click);
    connect(cmdChiudiFinestra, &QPushButton::clicked, this, &frmAlbero::cmdChiudiFinestra_Click);
    connect(treeClassificazione, &ConceptTree::nodeClick, this, &frmAlbero::treeClassificazione_NodeClick);
    connect(treeClassificazione, &ConceptTree::nodeExpand, this, &frmAlbero::treeClassificazione_Expand);
    connect(treeClassificazione, &ConceptTree::nodeCollapse, this, &frmAlbero::treeClassificazione_Collapse);

    fitSearchBand();

    lblStato = new QLabel(this);
    lblStato->setObjectName(QStringLiteral("lblStato"));
    lblStato->setWordWrap(true);
    lblStato->setMargin(4);
    lblStato->setFrameShape(QFrame::StyledPanel);
    lblStato->setAutoFillBackground(true);
    QPalette notice = lblStato->palette();
    notice.setColor(QPalette::Window, QColor(255, 248, 200));
    notice.setColor(QPalette::WindowText, Qt::black);
    lblStato->setPalette(notice);
    lblStato->hide();

    if (MainFrame *main = MainFrame::instance()) {
        connect(main, &MainFrame::databaseClosed, this, &frmAlbero::databaseClosed);
        connect(main, &MainFrame::databaseOpened, this, &frmAlbero::databaseOpened);
    }

    resize(Twips::toPixels(kDesignWidth), Twips::toPixels(kDesignHeight));
}

void frmAlbero::fitSearchBand()
{
    // The designed check boxes are too narrow for their captions in some
    // fonts ("scopeNote" was clipped): widen both groups as needed, taking
    // the room from the word box, so that the band keeps its designed size.
    int need = 0;
    for (QCheckBox *c : {chkPrefLabel, chkAltLabel, chkScopeNote, chkRelated, chkNarrower, chkBroader})
        need = std::max(need, Twips::fromPixels(c->sizeHint().width()));
    m_checkExtra = std::clamp(need - 1215, 0, 600);
    for (QCheckBox *c : {chkPrefLabel, chkAltLabel, chkScopeNote, chkRelated, chkNarrower, chkBroader}) {
        QRect r = m_twips.value(c->objectName());
        r.setWidth(1215 + m_checkExtra);
        place(c, r);
    }
    placeSearchBand(0);
}

void frmAlbero::placeSearchBand(int narrower)
{
    // The word box gives up the room: the check boxes keep their captions
    // whole, the band keeps its left and its height.
    const int extra = m_checkExtra;
    narrower = std::clamp(narrower, 0, maxBandNarrowing());
    auto *Frame2 = Frame1->findChild<QFrame *>(QStringLiteral("Frame2"));
    auto *Frame3 = Frame1->findChild<QFrame *>(QStringLiteral("Frame3"));
    place(Frame1, {120, 0, 6315 - narrower, 1095});
    place(txtCerca, {600, 300, 2055 - 2 * extra - narrower, 315});
    place(Frame2, {2760 - 2 * extra - narrower, 150, 1335 + extra, 885});
    place(Frame3, {4140 - extra - narrower, 150, 1335 + extra, 885});
    place(cmdEseguiRicerca, {5520 - narrower, 300, kButtonWidth, kButtonHeight});
    m_bandNarrowing = narrower;
}

int frmAlbero::maxBandNarrowing() const
{
    constexpr int kLeastWordBox = 900; // about seven letters
    return std::max(0, 2055 - 2 * m_checkExtra - kLeastWordBox);
}

frmAlbero::~frmAlbero()
{
    delete m_throttle;
}

frmAlbero *frmAlbero::leftWindow()
{
    return g_left.data();
}

frmAlbero *frmAlbero::rightWindow()
{
    return g_right.data();
}

frmAlbero *frmAlbero::carica(const TreeLoad::Request &request)
{
    const bool left = request.side == AlberoQuery::sourceSide();
    QPointer<frmAlbero> &slot = left ? g_left : g_right;
    if (!slot) {
        slot = new frmAlbero;
        if (MainFrame *main = MainFrame::instance()) {
            QMdiSubWindow *sub = main->addChild(slot);
            sub->resize(Twips::toPixels(kDesignWidth), Twips::toPixels(kDesignHeight));
            sub->show();
        } else {
            slot->show();
        }
    }
    // A window still open from an earlier mapping is loaded again, so that
    // both trees always show the thesauri just chosen.
    slot->Form_Load(request);
    return slot;
}

bool frmAlbero::isLeftWindow() const
{
    return caption() == AlberoQuery::sourceSide();
}

QVector<NodeRecord> &frmAlbero::nodeRecords() const
{
    return isLeftWindow() ? vLeftNodes : vRightNodes;
}

qint32 frmAlbero::currentRecord() const
{
    return isLeftWindow() ? vLeftCurrent : vRightCurrent;
}

void frmAlbero::place(QWidget *w, const QRect &twips)
{
    m_twips.insert(w->objectName(), twips);
    w->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
}

QRect frmAlbero::twipsGeometry(const QString &controlName) const
{
    return m_twips.value(controlName);
}

// ------------------------------------------------------------------- load

void frmAlbero::Form_Load(const TreeLoad::Request &request)
{
    Label2->hide();
    msfgInformazioni->hide();
    vGridMarkedRow = 0;
    vGridCurrentRow = 0;
    for (QCheckBox *c : {chkAltLabel, chkPrefLabel, chkNarrower, chkBroader, chkRelated, chkScopeNote})
        c->setChecked(true);
    m_request = request;
    m_loadedFrom = vConnection.databasePath();
    const bool complete = CaricaAlbero(request.caption, request.rootQuery, request.rootParams, request.side);
    treeClassificazione->setExpanded(1, true);
    setWindowTitle(request.caption);
    // A field or subset this database does not hold gives the root alone:
    // say so, rather than leave an empty tree without a word.
    m_treeNote = complete && treeClassificazione->count() == 1 ? request.nothingFound : QString();
    setStatusText(m_treeNote);
    setDatabaseCommands(true);
}

void frmAlbero::setDatabaseCommands(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{Frame1, cmdVisualizzaMappati, cmdMapping, cmdRelazioni,
                                                       msfgInformazioni})
        w->setEnabled(enabled);
}

QString frmAlbero::statusText() const
{
    return lblStato->isHidden() ? QString() : lblStato->text();
}

void frmAlbero::setStatusText(const QString &text)
{
    lblStato->setText(text);
    lblStato->setVisible(!text.isEmpty());
    placeStatus();
}

void frmAlbero::placeStatus()
{
    if (!lblStato || lblStato->isHidden())
        return;
    const QRect tree = treeClassificazione->geometry();
    const int h = std::min(tree.height(), lblStato->heightForWidth(tree.width()));
    lblStato->setGeometry(tree.left(), tree.bottom() + 1 - h, tree.width(), h);
    lblStato->raise();
}

void frmAlbero::databaseClosed()
{
    // The tree can still be browsed; what reads or marks the database waits
    // for it to be opened again.
    setDatabaseCommands(false);
    setStatusText(QStringLiteral("The database is closed: open it again to go on with this tree."));
}

void frmAlbero::databaseOpened(const QString &name)
{
    if (name == m_loadedFrom) {
        setDatabaseCommands(true);
        setStatusText(m_treeNote);
        return;
    }
    // Another database: the same thesaurus and field or subset, read from it.
    Form_Load(m_request);
}

void frmAlbero::progress(const QString &side, qint32 id, bool paintNow)
{
    MainFrame *main = MainFrame::instance();
    if (!main)
        return;
    main->setStatusText(AlberoQuery::progressText(side, id));
    if (paintNow)
        main->repaintStatus();
}

bool frmAlbero::CaricaAlbero(const QString &caption, const QString &rootQuery, const QVariantList &params,
                             const QString &side)
{
    Attesa::Clessidra wait;
    *m_throttle = ProgressThrottle();
    // The line is written and painted when the throttle says so (a line per
    // concept that nobody sees cost a tenth of the load), and the last
    // concept's line stays up at the end.
    qint32 last = 0;
    const TreeLoad::Result loaded = TreeLoad::load(vConnection, rootQuery, params, [this, &side, &last](qint32 id) {
        last = id;
        if (m_throttle->due())
            progress(side, id, true);
    });
    if (last)
        progress(side, last, false);
    showRows(caption, side, loaded.rows);
    if (loaded.failure) {
        // The nodes read so far stay; the user learns why the tree ends there.
        mdlUtil::MostraErrore(*loaded.failure);
        return false;
    }
    return true;
}

void frmAlbero::showRows(const QString &caption, const QString &side, const QVector<TreeLoad::Row> &rows)
{
    const bool left = side == AlberoQuery::sourceSide();
    QVector<NodeRecord> &records = left ? vLeftNodes : vRightNodes;
    // A new tree: the current node goes back to the root.
    (left ? vLeftCurrent : vRightCurrent) = 0;
    records.clear();
    records.reserve(rows.size() + 1);
    records.append(NodeRecord{0, 0});

    ConceptTree *tree = treeClassificazione;
    tree->clear();
    {
        // The whole tree is built before the view sees it.
        ConceptTree::Update update(*tree);
        const int root = tree->add(0, QString(), caption, QStringLiteral("Minus"));
        // Node of each row; 0 for a row whose node could not be added (a key
        // already in the tree), whose subtree is then left out too.
        QVector<int> nodeOfRow(rows.size(), 0);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const TreeLoad::Row &row = rows.at(i);
            const int parent = row.parent < 0 ? root : nodeOfRow.at(row.parent);
            if (!parent)
                continue;
            const int node = tree->add(parent, AlberoQuery::nodeKey(left, row.conceptId), row.dex,
                                       QStringLiteral("Plus"));
            if (!node)
                continue;
            nodeOfRow[i] = node;
            records.append(NodeRecord{row.conceptId, row.isLeaf});
        }
        (left ? vLeftCount : vRightCount) = static_cast<qint32>(records.size());
        finishingPass(records);
    }
}

void frmAlbero::finishingPass(const QVector<NodeRecord> &records)
{
    ConceptTree *tree = treeClassificazione;
    const QColor face = ConceptTree::buttonFaceColour();
    const int n = tree->count();
    for (int i = 2; i <= n; ++i) {
        if (tree->children(i) == 0) {
            tree->setImage(i, QStringLiteral("Empty"));
        } else {
            tree->setImage(i, QStringLiteral("Plus"));
            if (i - 1 < records.size() && records.at(i - 1).isLeaf == 0)
                tree->setBackColor(i, face);
        }
    }
}

// -------------------------------------------------------------- navigation

void frmAlbero::cmdEspandi_Click()
{
    ConceptTree *tree = treeClassificazione;
    ConceptTree::Update update(*tree);
    const int n = tree->count();
    for (int i = 1; i <= n - 1; ++i) {
        tree->setExpanded(i, true);
        if (tree->children(i) > 0 && tree->image(i) != QLatin1String("Pref"))
            tree->setImage(i, QStringLiteral("Minus"));
    }
}

void frmAlbero::cmdCollassa_Click()
{
    ConceptTree *tree = treeClassificazione;
    ConceptTree::Update update(*tree);
    const int n = tree->count();
    for (int i = 2; i <= n - 1; ++i) {
        tree->setExpanded(i, false);
        if (tree->children(i) > 0 && tree->image(i) != QLatin1String("Pref"))
            tree->setImage(i, QStringLiteral("Plus"));
    }
}

void frmAlbero::cmdCancellaSelezione_Click()
{
    ConceptTree *tree = treeClassificazione;
    ConceptTree::Update update(*tree);
    cmdCollassa_Click();
    const int n = tree->count();
    for (int i = 1; i <= n; ++i) {
        tree->setBold(i, false);
        tree->setForeColor(i, Qt::black);
    }
}

void frmAlbero::cmdChiudiFinestra_Click()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void frmAlbero::treeClassificazione_Collapse(int node)
{
    if (treeClassificazione->children(node) > 0)
        treeClassificazione->setImage(node, QStringLiteral("Plus"));
}

void frmAlbero::treeClassificazione_Expand(int node)
{
    if (treeClassificazione->children(node) > 0)
        treeClassificazione->setExpandedImage(node, QStringLiteral("Minus"));
}

void frmAlbero::treeClassificazione_NodeClick(int node)
{
    if (!treeClassificazione->isNode(node))
        return;
    if (isLeftWindow())
        vLeftCurrent = node - 1;
    else
        vRightCurrent = node - 1;
    if (treeClassificazione->expanded(node))
        treeClassificazione_Collapse(node);
    else
        treeClassificazione_Expand(node);
}

// ------------------------------------------------- expanding as a user would

void frmAlbero::expandAsUser(int node)
{
    ConceptTree *tree = treeClassificazione;
    if (!tree->isNode(node) || tree->expanded(node))
        return;
    tree->setExpanded(node, true);
    treeClassificazione_Expand(node);
}

void frmAlbero::ensureVisibleAsUser(int node)
{
    ConceptTree *tree = treeClassificazione;
    for (int p = tree->parentOf(node); p; p = tree->parentOf(p))
        expandAsUser(p);
    tree->ensureVisible(node);
}

// ------------------------------------------------------------ mapping editor

void frmAlbero::cmdMapping_Click()
{
    ConceptTree *tree = treeClassificazione;
    const int node = currentNode();
    if (!tree->isNode(node))
        return;
    frmRisultatoMapping *editor = frmRisultatoMapping::instance();
    if (isLeftWindow())
        editor->putSource(tree->text(node));
    else
        editor->putTarget(caption(), tree->text(node));
    tree->setBold(node, false);
    tree->setForeColor(node, Qt::black);
    tree->setImage(node, QStringLiteral("Pref"));
    tree->setSelectedImage(node, QStringLiteral("Pref"));
    editor->showModeless();
}

// -------------------------------------------------------------------- search

void frmAlbero::cmdEseguiRicerca_Click()
{
    const QString word = txtCerca->text(); // as typed: blanks around it count
    if (word.isEmpty())
        return;
    Ricerca::Campi campi;
    campi.prefLabel = chkPrefLabel->isChecked();
    campi.altLabel = chkAltLabel->isChecked();
    campi.scopeNote = chkScopeNote->isChecked();
    campi.related = chkRelated->isChecked();
    campi.narrower = chkNarrower->isChecked();
    campi.broader = chkBroader->isChecked();
    if (!campi.any()) {
        dialogs().message(QStringLiteral("Select at least a search field"));
        return;
    }
    const bool left = isLeftWindow();
    std::optional<DbError> failure;
    QVector<qint32> ids;
    {
        Attesa::Clessidra wait;
        try {
            ids = Ricerca::esegui(vConnection, campi, left ? int(Ids::EUROVOC) : vTargetModel, word);
        } catch (const DbError &e) {
            failure = e;
        }
        if (!failure && !ids.isEmpty()) {
            ConceptTree *tree = treeClassificazione;
            ConceptTree::Update update(*tree);
            cmdCancellaSelezione_Click();
            int first = 0;
            for (const qint32 id : ids) {
                const int node = tree->indexOfKey(AlberoQuery::nodeKey(left, id));
                if (!node)
                    continue; // a concept outside the loaded subset
                ensureVisibleAsUser(node);
                expandAsUser(node);
                tree->setBold(node, true);
                tree->setForeColor(node, QColor(0, 0, 255));
                if (!first || node < first)
                    first = node;
            }
            // The view ends on the first hit in the tree's order, not the last one made visible.
            if (first)
                tree->ensureVisible(first);
        }
    }
    if (failure)
        mdlUtil::MostraErrore(*failure);
    else if (ids.isEmpty())
        dialogs().message(QStringLiteral("No results"));
}

// -------------------------------------------------------- information grid

void frmAlbero::cmdRelazioni_Click()
{
    vGridMarkedRow = 0;
    FlexGrid *grid = informationGrid();
    if (!grid)
        return;
    const QVector<NodeRecord> &records = nodeRecords();
    const qint32 position = currentRecord();
    if (position < 0 || position >= records.size() || records.at(position).isLeaf != 1) {
        Label2->hide();
        grid->hide();
        return;
    }
    const qint32 id = records.at(position).conceptId;
    InfoNodo::Risultato info;
    std::optional<DbError> failure;
    {
        Attesa::Clessidra wait;
        try {
            info = InfoNodo::leggi(vConnection, id);
        } catch (const DbError &e) {
            failure = e;
        }
    }
    if (failure) {
        // The grid keeps what it showed; the user learns why it did not change.
        mdlUtil::MostraErrore(*failure);
        return;
    }
    // A concept without any row still gets its caption over an empty grid,
    // so the grid never seems to describe the concept shown before.
    Label2->setText(InfoNodo::caption(treeClassificazione->text(position + 1), id));
    Label2->show();
    {
        FlexGrid::Batch batch(*grid);
        mdlFunzioniMSHFlexGrid::AzzeraEvidenziazione(*grid);
        grid->clear();
        grid->setCols(3);
        grid->setRows(2);
        grid->setFormatString(InfoNodo::formatString());
        grid->setRows(static_cast<int>(info.righe.size()) + 1);
        int n = 0;
        for (const InfoNodo::Riga &r : std::as_const(info.righe)) {
            ++n;
            grid->setTextMatrix(n, 1, r.proprieta);
            grid->setTextMatrix(n, 2, r.valore);
        }
        grid->setRow(grid->rows() > 1 ? 1 : 0);
        grid->setCol(1);
    }
    grid->show();
}

void frmAlbero::msfgInformazioni_DblClick()
{
    FlexGrid *grid = informationGrid();
    if (!grid || grid->rowSel() < 1)
        return;
    grid->setRow(grid->rowSel());
    grid->setCol(2);
    dialogs().message(grid->text());
}

// ------------------------------------------------------- marking mapped nodes

void frmAlbero::cmdVisualizzaMappati_Click()
{
    const bool left = isLeftWindow();
    QVector<qint32> refs;
    try {
        refs = Marcatura::concetti(vConnection, left, vTargetModel);
    } catch (const DbError &e) {
        // The tree stays as it is; the user learns why nothing was marked.
        mdlUtil::MostraErrore(e);
        return;
    }
    ConceptTree *tree = treeClassificazione;
    ConceptTree::Update update(*tree);
    for (const qint32 id : std::as_const(refs)) {
        const int node = tree->indexOfKey(AlberoQuery::nodeKey(left, id));
        if (node < 2)
            continue; // not in this tree (outside the loaded subset)
        ensureVisibleAsUser(node);
        expandAsUser(node);
        if (tree->expandedImage(node) == QLatin1String("Minus"))
            tree->setExpandedImage(node, QStringLiteral("PrefMinus"));
        else
            tree->setImage(node, QStringLiteral("Pref"));
    }
}

// ------------------------------------------------------------------ layout

void frmAlbero::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The rule works on the window's outer size, frame included.
    const QWidget *outer = qobject_cast<QMdiSubWindow *>(parentWidget()) ? parentWidget() : this;
    layoutTwips(Twips::fromPixels(outer->width()), Twips::fromPixels(outer->height()));
}

void frmAlbero::layoutTwips(int W, int H)
{
    if (MainFrame *main = MainFrame::instance(); main && main->isMinimized())
        return;
    const auto at = [this](const char *name) { return m_twips.value(QString::fromLatin1(name)); };

    // The right-hand buttons follow the right edge, but never move over the
    // search band: in a window narrower than designed the band gives up the
    // room its word box can spare first.
    const int buttonsLeft = W - at("cmdChiudiFinestra").width() - 160;
    const int narrower = 120 + 6315 + 165 - buttonsLeft;
    if (std::clamp(narrower, 0, maxBandNarrowing()) != m_bandNarrowing)
        placeSearchBand(narrower);
    const int searchRight = at("Frame1").left() + at("Frame1").width();
    for (QPushButton *b : {cmdChiudiFinestra, cmdMapping, cmdRelazioni}) {
        QRect r = m_twips.value(b->objectName());
        r.moveLeft(std::max(W - r.width() - 160, searchRight + 165));
        place(b, r);
    }
    const QRect collassa = at("cmdCollassa");
    const QRect chiudi = at("cmdChiudiFinestra");
    QRect tree = at("treeClassificazione");
    QRect label = at("Label2");
    QRect grid = at("msfgInformazioni");
    // A window made smaller than its controls keeps a tree of size zero
    // rather than a negative one.
    tree.setWidth(std::max(0, W - (collassa.left() + collassa.width()) - chiudi.width() - 360));
    tree.setHeight(std::max(0, H - tree.top() - 640 - label.height() - grid.height()));
    place(treeClassificazione, tree);
    label.moveTop(tree.top() + tree.height() + 100);
    label.setWidth(tree.left() + tree.width());
    place(Label2, label);
    grid.moveTop(label.top() + label.height());
    grid.setWidth(tree.left() + tree.width());
    place(msfgInformazioni, grid);
    placeStatus();

    // The designed rule widens the window when the close button ends past its
    // right edge; following the edge, it never does.  Held clear of the
    // search band, it could in a window narrower than the narrowed band
    // allows (about 420 pixels): the window then keeps the width it was given
    // (the side-by-side tiling decides it) and the buttons stand past the
    // edge rather than over the check boxes.
}

#include "widgets/ui/ConceptTree.h"

#include "widgets/ui/pictures.h"

#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>

namespace {

// The keys of the image list, in the list's order, and the picture files that
// show them.
const char *const kImageKeys[] = {"Plus", "Minus", "Pref", "Empty", "PrefMinus"};
const char *const kImageFiles[] = {"node_plus", "node_minus", "node_pref", "node_empty", "node_prefminus"};
constexpr int kImageSize = 14;

QStringList &extraImageKeys()
{
    static QStringList keys;
    return keys;
}

// A picture drawn here when its file is missing: a box with a plus or minus
// sign, a filled marker for mapped nodes, a small dot for leaves.
QPixmap drawnPicture(int id)
{
    QPixmap p(kImageSize, kImageSize);
    p.fill(Qt::transparent);
    QPainter g(&p);
    const QRect box(2, 2, 9, 9);
    const bool pref = id == 2 || id == 4;
    if (id == 3) {
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(128, 128, 128));
        g.drawEllipse(QRect(5, 5, 4, 4));
        return p;
    }
    if (id == 2) {
        // Mapped: a large disc in a strong colour with a white tick.
        g.setRenderHint(QPainter::Antialiasing);
        g.setPen(QPen(QColor(120, 40, 0), 1));
        g.setBrush(QColor(235, 90, 0));
        g.drawEllipse(QRectF(1, 1, 12, 12));
        g.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        g.drawPolyline(QPolygonF({QPointF(4, 7.2), QPointF(6.2, 9.6), QPointF(10.2, 4.6)}));
        return p;
    }
    g.setPen(QColor(96, 96, 96));
    g.setBrush(pref ? QColor(235, 90, 0) : QColor(Qt::white));
    g.drawRect(box);
    g.setPen(QPen(pref ? QColor(Qt::white) : QColor(Qt::black), 1));
    if (id == 0 || id == 1 || id == 4)
        g.drawLine(4, 6, 9, 6);
    if (id == 0)
        g.drawLine(6, 4, 6, 9);
    return p;
}

QPixmap loadPicture(int id)
{
    QPixmap p = Pictures::pixmap(QString::fromLatin1(kImageFiles[id]));
    if (p.isNull())
        return drawnPicture(id);
    // Light grey is the transparent colour of the node pictures.
    p.setMask(p.createMaskFromColor(QColor(192, 192, 192)));
    if (p.size() != QSize(kImageSize, kImageSize))
        p = p.scaled(kImageSize, kImageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return p;
}

const QVector<QPixmap> &pictures()
{
    static const QVector<QPixmap> list = [] {
        QVector<QPixmap> v;
        for (int i = 0; i < 5; ++i)
            v.append(loadPicture(i));
        return v;
    }();
    return list;
}

} // namespace

// ------------------------------------------------------------------ model

ConceptTreeModel::ConceptTreeModel(ConceptTree *tree)
    : QAbstractItemModel(tree), m_tree(tree)
{
}

QModelIndex ConceptTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    const QVector<int> *list = &m_tree->m_topLevel;
    if (parent.isValid()) {
        const auto *p = m_tree->node(static_cast<int>(parent.internalId()));
        if (!p)
            return {};
        list = &p->children;
    }
    if (row >= list->size())
        return {};
    return createIndex(row, 0, quintptr(list->at(row)));
}

QModelIndex ConceptTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    const auto *n = m_tree->node(static_cast<int>(child.internalId()));
    if (!n || n->parent == 0)
        return {};
    const auto *p = m_tree->node(n->parent);
    return createIndex(p->row, 0, quintptr(n->parent));
}

int ConceptTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return static_cast<int>(m_tree->m_topLevel.size());
    if (parent.column() != 0)
        return 0;
    const auto *p = m_tree->node(static_cast<int>(parent.internalId()));
    return p ? static_cast<int>(p->children.size()) : 0;
}

int ConceptTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool ConceptTreeModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant ConceptTreeModel::data(const QModelIndex &index, int role) const
{
    const auto *n = index.isValid() ? m_tree->node(static_cast<int>(index.internalId())) : nullptr;
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return n->text;
    case Qt::DecorationRole: {
        const int id = ConceptTree::imageId(m_tree->shownImage(static_cast<int>(index.internalId())));
        if (id >= 0 && id < 5)
            return pictures().at(id);
        return {};
    }
    case Qt::FontRole:
        if (n->bold) {
            QFont f = m_tree->font();
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::ForegroundRole:
        return n->fore.isValid() ? QVariant(QBrush(n->fore)) : QVariant();
    case Qt::BackgroundRole:
        return n->back.isValid() ? QVariant(QBrush(n->back)) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags ConceptTreeModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ------------------------------------------------------------------- tree

ConceptTree::ConceptTree(QWidget *parent)
    : QTreeView(parent), m_model(new ConceptTreeModel(this))
{
    setObjectName(QStringLiteral("treeClassificazione"));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(kImageSize, kImageSize));
    setAnimated(false);
    setModel(m_model);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    connect(this, &QTreeView::expanded, this, &ConceptTree::onViewExpanded);
    connect(this, &QTreeView::collapsed, this, &ConceptTree::onViewCollapsed);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        if (const int n = nodeOf(i))
            emit nodeClick(n);
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &ConceptTree::onCurrentChanged);
}

ConceptTree::~ConceptTree() = default;

QStringList ConceptTree::imageKeys()
{
    QStringList keys;
    for (const char *k : kImageKeys)
        keys.append(QString::fromLatin1(k));
    return keys;
}

QPixmap ConceptTree::picture(const QString &imageKey)
{
    const int id = imageId(imageKey);
    return id >= 0 && id < 5 ? pictures().at(id) : QPixmap();
}

QColor ConceptTree::buttonFaceColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

int ConceptTree::imageId(const QString &key)
{
    if (key.isEmpty())
        return -1;
    for (int i = 0; i < 5; ++i)
        if (key == QLatin1String(kImageKeys[i]))
            return i;
    // Keys outside the image list are kept (they show no picture).
    QStringList &extra = extraImageKeys();
    int at = static_cast<int>(extra.indexOf(key));
    if (at < 0) {
        if (extra.size() >= 100)
            return -1;
        extra.append(key);
        at = static_cast<int>(extra.size()) - 1;
    }
    return 5 + at;
}

QString ConceptTree::imageName(int id)
{
    if (id < 0)
        return {};
    if (id < 5)
        return QString::fromLatin1(kImageKeys[id]);
    return extraImageKeys().value(id - 5);
}

void ConceptTree::clear()
{
    m_model->beginResetModel();
    m_nodes.clear();
    m_nodes.squeeze();
    m_topLevel.clear();
    m_keys.clear();
    m_selected = 0;
    m_pendingScroll = 0;
    m_model->endResetModel();
}

int ConceptTree::add(int parentIndex, const QString &key, const QString &text, const QString &imageKey)
{
    if (parentIndex != 0 && !isNode(parentIndex))
        return 0;
    if (!key.isEmpty() && m_keys.contains(key))
        return 0;

    QVector<int> &siblings = parentIndex ? m_nodes[parentIndex - 1].children : m_topLevel;
    const int row = static_cast<int>(siblings.size());
    const bool notify = !m_resetting;
    if (notify && m_updateDepth > 0) {
        // Many nodes are coming: the view takes them all at the end.
        m_model->beginResetModel();
        m_resetting = true;
    } else if (notify) {
        m_model->beginInsertRows(parentIndex ? modelIndex(parentIndex) : QModelIndex(), row, row);
    }

    Node n;
    n.parent = parentIndex;
    n.row = row;
    n.key = key;
    n.text = text;
    n.image = static_cast<qint8>(imageId(imageKey));
    m_nodes.append(std::move(n));
    const int index = count();
    // Appending may have moved the vector: take the sibling list again.
    (parentIndex ? m_nodes[parentIndex - 1].children : m_topLevel).append(index);
    if (!key.isEmpty())
        m_keys.insert(key, index);

    if (!m_resetting) {
        m_model->endInsertRows();
        // A parent that was flagged expanded before it had children opens now.
        if (parentIndex && row == 0 && m_nodes.at(parentIndex - 1).expanded)
            applyExpanded(parentIndex, true);
    }
    return index;
}

int ConceptTree::indexOfKey(const QString &key) const
{
    return key.isEmpty() ? 0 : m_keys.value(key, 0);
}

QString ConceptTree::key(int index) const
{
    const Node *n = node(index);
    return n ? n->key : QString();
}

QString ConceptTree::text(int index) const
{
    const Node *n = node(index);
    return n ? n->text : QString();
}

int ConceptTree::parentOf(int index) const
{
    const Node *n = node(index);
    return n ? n->parent : 0;
}

int ConceptTree::children(int index) const
{
    const Node *n = node(index);
    return n ? static_cast<int>(n->children.size()) : 0;
}

int ConceptTree::child(int index, int position) const
{
    const Node *n = node(index);
    return n && position >= 0 && position < n->children.size() ? n->children.at(position) : 0;
}

bool ConceptTree::expanded(int index) const
{
    const Node *n = node(index);
    return n && n->expanded;
}

void ConceptTree::setExpanded(int index, bool value)
{
    Node *n = node(index);
    if (!n || n->expanded == value)
        return;
    n->expanded = value;
    applyExpanded(index, value);
    changed(index);
}

void ConceptTree::applyExpanded(int index, bool value)
{
    if (m_resetting)
        return; // applied when the update ends
    ++m_programChange;
    QTreeView::setExpanded(modelIndex(index), value);
    --m_programChange;
}

QString ConceptTree::image(int index) const
{
    const Node *n = node(index);
    return n ? imageName(n->image) : QString();
}

void ConceptTree::setImage(int index, const QString &imageKey)
{
    if (Node *n = node(index)) {
        n->image = static_cast<qint8>(imageId(imageKey));
        changed(index);
    }
}

QString ConceptTree::expandedImage(int index) const
{
    const Node *n = node(index);
    return n ? imageName(n->expandedImage) : QString();
}

void ConceptTree::setExpandedImage(int index, const QString &imageKey)
{
    if (Node *n = node(index)) {
        n->expandedImage = static_cast<qint8>(imageId(imageKey));
        changed(index);
    }
}

QString ConceptTree::selectedImage(int index) const
{
    const Node *n = node(index);
    return n ? imageName(n->selectedImage) : QString();
}

void ConceptTree::setSelectedImage(int index, const QString &imageKey)
{
    if (Node *n = node(index)) {
        n->selectedImage = static_cast<qint8>(imageId(imageKey));
        changed(index);
    }
}

QString ConceptTree::shownImage(int index) const
{
    const Node *n = node(index);
    if (!n)
        return {};
    if (n->expanded && n->expandedImage >= 0)
        return imageName(n->expandedImage);
    if (index == m_selected && n->selectedImage >= 0)
        return imageName(n->selectedImage);
    return imageName(n->image);
}

bool ConceptTree::bold(int index) const
{
    const Node *n = node(index);
    return n && n->bold;
}

void ConceptTree::setBold(int index, bool value)
{
    if (Node *n = node(index)) {
        n->bold = value;
        changed(index);
    }
}

QColor ConceptTree::foreColor(int index) const
{
    const Node *n = node(index);
    return n && n->fore.isValid() ? n->fore : QColor(Qt::black);
}

void ConceptTree::setForeColor(int index, const QColor &colour)
{
    if (Node *n = node(index)) {
        n->fore = colour == QColor(Qt::black) ? QColor() : colour;
        changed(index);
    }
}

QColor ConceptTree::backColor(int index) const
{
    const Node *n = node(index);
    return n ? n->back : QColor();
}

void ConceptTree::setBackColor(int index, const QColor &colour)
{
    if (Node *n = node(index)) {
        n->back = colour;
        changed(index);
    }
}

void ConceptTree::ensureVisible(int index)
{
    if (!isNode(index))
        return;
    for (int p = parentOf(index); p; p = parentOf(p))
        setExpanded(p, true);
    if (m_updateDepth > 0) {
        m_pendingScroll = index;
        return;
    }
    ++m_programChange;
    scrollTo(modelIndex(index));
    --m_programChange;
}

int ConceptTree::selectedIndex() const
{
    return m_selected;
}

void ConceptTree::selectNode(int index)
{
    if (!isNode(index) || m_resetting)
        return;
    selectionModel()->setCurrentIndex(modelIndex(index), QItemSelectionModel::ClearAndSelect);
}

QModelIndex ConceptTree::modelIndex(int index) const
{
    const Node *n = node(index);
    return n ? m_model->createIndex(n->row, 0, quintptr(index)) : QModelIndex();
}

int ConceptTree::nodeOf(const QModelIndex &modelIndex) const
{
    if (!modelIndex.isValid() || modelIndex.model() != m_model)
        return 0;
    const int index = static_cast<int>(modelIndex.internalId());
    return isNode(index) ? index : 0;
}

void ConceptTree::beginUpdate()
{
    if (m_updateDepth++ == 0) {
        // Every change of the expanded state below only records the change;
        // one layout at the end places the rows.
        scheduleDelayedItemsLayout();
    }
}

void ConceptTree::endUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    if (m_resetting) {
        m_resetting = false;
        m_model->endResetModel();
        scheduleDelayedItemsLayout();
        ++m_programChange;
        for (int i = 1; i <= count(); ++i)
            if (m_nodes.at(i - 1).expanded)
                QTreeView::setExpanded(modelIndex(i), true);
        --m_programChange;
    }
    if (m_pendingScroll) {
        const int target = m_pendingScroll;
        m_pendingScroll = 0;
        ++m_programChange;
        scrollTo(modelIndex(target));
        --m_programChange;
    }
    viewport()->update();
}

void ConceptTree::changed(int index)
{
    if (m_resetting || !isNode(index))
        return;
    const QModelIndex i = modelIndex(index);
    emit m_model->dataChanged(i, i);
}

void ConceptTree::onViewExpanded(const QModelIndex &index)
{
    const int n = nodeOf(index);
    if (!n)
        return;
    if (!m_nodes.at(n - 1).expanded) {
        m_nodes[n - 1].expanded = true;
        changed(n);
    }
    if (!m_programChange)
        emit nodeExpand(n);
}

void ConceptTree::onViewCollapsed(const QModelIndex &index)
{
    const int n = nodeOf(index);
    if (!n)
        return;
    if (m_nodes.at(n - 1).expanded) {
        m_nodes[n - 1].expanded = false;
        changed(n);
    }
    if (!m_programChange)
        emit nodeCollapse(n);
}

void ConceptTree::onCurrentChanged(const QModelIndex &current, const QModelIndex &)
{
    const int old = m_selected;
    m_selected = nodeOf(current);
    if (old != m_selected) {
        changed(old);
        changed(m_selected);
    }
}

void ConceptTree::keyPressEvent(QKeyEvent *event)
{
    const int before = m_selected;
    QTreeView::keyPressEvent(event);
    // Moving the current node with the keyboard counts as clicking it.
    if (m_selected != before && m_selected != 0)
        emit nodeClick(m_selected);
}

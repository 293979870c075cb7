#include "widgets/ui/FlexGrid.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

// ------------------------------------------------------------------ model

FlexGridModel::FlexGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_pictures.append(QPixmap());
}

int FlexGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, rows() - 1);
}

int FlexGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_cols - 1);
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QColor FlexGridModel::shownBack(int r, int c) const
{
    const Cell &x = cell(r, c);
    if (x.hasBack)
        return QColor::fromRgba(x.back);
    return (r == 0 || c == 0) ? backColorFixed : backColor;
}

QColor FlexGridModel::shownFore(int r, int c) const
{
    const Cell &x = cell(r, c);
    if (x.hasFore)
        return QColor::fromRgba(x.fore);
    return (r == 0 || c == 0) ? foreColorFixed : foreColor;
}

QPixmap FlexGridModel::picture(int r, int c) const
{
    return m_pictures.at(cell(r, c).picture);
}

QVariant FlexGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return {};
    const int r = index.row() + 1;
    const int c = index.column() + 1;
    if (!valid(r, c))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(r, c).text;
    case Qt::BackgroundRole:
        return QBrush(shownBack(r, c));
    case Qt::ForegroundRole:
        return QBrush(shownFore(r, c));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(colAlignment.value(c, Qt::AlignLeft)) | Qt::AlignVCenter);
    case Qt::DecorationRole:
        if (cell(r, c).picture)
            return picture(r, c);
        return {};
    default:
        return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const int r = orientation == Qt::Horizontal ? 0 : section + 1;
    const int c = orientation == Qt::Horizontal ? section + 1 : 0;
    if (section < 0 || !valid(r, c))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell(r, c).text;
    case Qt::BackgroundRole:
        return QBrush(shownBack(r, c));
    case Qt::ForegroundRole:
        return QBrush(shownFore(r, c));
    case Qt::DecorationRole:
        if (cell(r, c).picture)
            return picture(r, c);
        return {};
    default:
        return {};
    }
}

void FlexGridModel::setRows(int n)
{
    n = std::max(1, n);
    const int old = rows();
    if (n == old)
        return;
    const bool announce = m_batch == 0;
    if (!announce && !m_resetOpen) {
        beginResetModel();
        m_resetOpen = true;
    }
    if (n > old) {
        if (announce)
            beginInsertRows({}, old - 1, n - 2);
        m_cells.resize(static_cast<size_t>(n));
        for (int r = old; r < n; ++r)
            m_cells[static_cast<size_t>(r)].resize(static_cast<size_t>(m_cols));
        if (announce)
            endInsertRows();
    } else {
        if (announce)
            beginRemoveRows({}, n - 1, old - 2);
        m_cells.resize(static_cast<size_t>(n));
        if (announce)
            endRemoveRows();
    }
}

void FlexGridModel::setCols(int n)
{
    n = std::max(1, n);
    const int old = m_cols;
    if (n == old)
        return;
    const bool announce = m_batch == 0;
    if (!announce && !m_resetOpen) {
        beginResetModel();
        m_resetOpen = true;
    }
    if (announce) {
        if (n > old)
            beginInsertColumns({}, std::max(0, old - 1), n - 2);
        else
            beginRemoveColumns({}, n - 1, old - 2);
    }
    m_cols = n;
    for (auto &row : m_cells)
        row.resize(static_cast<size_t>(n));
    colAlignment.resize(n, Qt::AlignLeft);
    if (announce) {
        if (n > old)
            endInsertColumns();
        else
            endRemoveColumns();
    }
}

void FlexGridModel::setText(int r, int c, const QString &text)
{
    if (!valid(r, c))
        return;
    at(r, c).text = text;
    changed(r, c);
}

void FlexGridModel::setBack(int r, int c, const QColor &colour)
{
    if (!valid(r, c))
        return;
    Cell &x = at(r, c);
    x.back = colour.rgba();
    x.hasBack = colour.isValid();
    changed(r, c);
}

void FlexGridModel::setFore(int r, int c, const QColor &colour)
{
    if (!valid(r, c))
        return;
    Cell &x = at(r, c);
    x.fore = colour.rgba();
    x.hasFore = colour.isValid();
    changed(r, c);
}

void FlexGridModel::setPicture(int r, int c, const QPixmap &picture)
{
    if (!valid(r, c))
        return;
    quint16 index = 0;
    if (!picture.isNull()) {
        for (int i = 1; i < m_pictures.size(); ++i)
            if (m_pictures.at(i).cacheKey() == picture.cacheKey()) {
                index = static_cast<quint16>(i);
                break;
            }
        if (index == 0) {
            // Grids show a handful of distinct pictures; a runaway caller
            // reuses the last slot rather than growing the table forever.
            if (m_pictures.size() < std::numeric_limits<quint16>::max())
                m_pictures.append(picture);
            else
                m_pictures.last() = picture;
            index = static_cast<quint16>(m_pictures.size() - 1);
        }
    }
    at(r, c).picture = index;
    changed(r, c);
}

void FlexGridModel::setPictureAlignment(int r, int c, int alignment)
{
    if (!valid(r, c))
        return;
    at(r, c).pictureAlignment = static_cast<quint8>(std::clamp(alignment, 0, 10));
    changed(r, c);
}

void FlexGridModel::changed(int r, int c)
{
    if (m_batch > 0) {
        if (r == 0) {
            m_dirtyHorizontal = true;
        } else if (c == 0) {
            m_dirtyVerticalFirst = m_dirtyVerticalFirst < 0 ? r - 1 : std::min(m_dirtyVerticalFirst, r - 1);
            m_dirtyVerticalLast = std::max(m_dirtyVerticalLast, r - 1);
        } else {
            if (m_dirtyTop < 0) {
                m_dirtyTop = m_dirtyBottom = r - 1;
                m_dirtyLeft = m_dirtyRight = c - 1;
            } else {
                m_dirtyTop = std::min(m_dirtyTop, r - 1);
                m_dirtyBottom = std::max(m_dirtyBottom, r - 1);
                m_dirtyLeft = std::min(m_dirtyLeft, c - 1);
                m_dirtyRight = std::max(m_dirtyRight, c - 1);
            }
        }
        return;
    }
    if (r == 0) {
        if (c >= 1)
            emit headerDataChanged(Qt::Horizontal, c - 1, c - 1);
    } else if (c == 0) {
        emit headerDataChanged(Qt::Vertical, r - 1, r - 1);
    } else {
        const QModelIndex i = index(r - 1, c - 1);
        emit dataChanged(i, i);
    }
}

void FlexGridModel::endBatch()
{
    if (m_batch == 0 || --m_batch > 0)
        return;
    if (m_resetOpen) {
        m_resetOpen = false;
        m_dirtyTop = m_dirtyBottom = m_dirtyLeft = m_dirtyRight = -1;
        m_dirtyHorizontal = false;
        m_dirtyVerticalFirst = m_dirtyVerticalLast = -1;
        endResetModel();
        return;
    }
    flush();
}

void FlexGridModel::flush()
{
    if (m_dirtyTop >= 0 && m_dirtyBottom < rowCount() && m_dirtyRight < columnCount())
        emit dataChanged(index(m_dirtyTop, m_dirtyLeft), index(m_dirtyBottom, m_dirtyRight));
    if (m_dirtyHorizontal && columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (m_dirtyVerticalFirst >= 0 && m_dirtyVerticalLast < rowCount())
        emit headerDataChanged(Qt::Vertical, m_dirtyVerticalFirst, m_dirtyVerticalLast);
    m_dirtyTop = m_dirtyBottom = m_dirtyLeft = m_dirtyRight = -1;
    m_dirtyHorizontal = false;
    m_dirtyVerticalFirst = m_dirtyVerticalLast = -1;
}

void FlexGridModel::clearCells()
{
    for (auto &row : m_cells)
        std::fill(row.begin(), row.end(), Cell{});
    m_pictures.resize(1);
    if (m_batch > 0) {
        m_dirtyHorizontal = true;
        if (rowCount() > 0) {
            m_dirtyVerticalFirst = 0;
            m_dirtyVerticalLast = rowCount() - 1;
            if (columnCount() > 0) {
                m_dirtyTop = m_dirtyLeft = 0;
                m_dirtyBottom = rowCount() - 1;
                m_dirtyRight = columnCount() - 1;
            }
        }
        return;
    }
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

namespace {

// The number a cell's text stands for; nullopt when it is not a number.
std::optional<double> numberOf(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (ok && std::isfinite(v))
        return v;
    return std::nullopt;
}

// Sorts the row numbers stably by less, or by its reverse.
template<typename Less>
void sortOrder(std::vector<int> &order, const Less &less, bool descending)
{
    if (descending)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
    else
        std::stable_sort(order.begin(), order.end(), less);
}

// Numbers first, in numeric order; texts that are not numbers after them
// (generic) or before them (numeric, where they count as no value).  Rows
// are 1 to n; textOf(r) gives a row's text.
template<typename TextOf>
void sortByNumber(std::vector<int> &order, int n, const TextOf &textOf, bool generic, bool descending)
{
    std::vector<std::optional<double>> keys(static_cast<size_t>(n) + 1);
    for (int r = 1; r <= n; ++r)
        keys[static_cast<size_t>(r)] = numberOf(textOf(r));
    auto less = [&](int a, int b) {
        const auto &ka = keys[static_cast<size_t>(a)];
        const auto &kb = keys[static_cast<size_t>(b)];
        if (ka && kb)
            return *ka < *kb;
        if (ka.has_value() != kb.has_value())
            return generic ? ka.has_value() : kb.has_value();
        if (generic)
            return QString::compare(textOf(a), textOf(b), Qt::CaseInsensitive) < 0;
        return false;
    };
    sortOrder(order, less, descending);
}

template<typename TextOf>
void sortByText(std::vector<int> &order, const TextOf &textOf, Qt::CaseSensitivity cs, bool descending)
{
    sortOrder(order, [&](int a, int b) { return QString::compare(textOf(a), textOf(b), cs) < 0; }, descending);
}

} // namespace

void FlexGridModel::sortRows(int c, int setting)
{
    const int n = rows() - 1;
    if (n < 2 || c < 0 || c >= m_cols)
        return;
    const bool descending = setting == 2 || setting == 4 || setting == 6 || setting == 8;
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[static_cast<size_t>(i)] = i + 1;

    auto textOf = [&](int r) -> const QString & { return m_cells[static_cast<size_t>(r)][static_cast<size_t>(c)].text; };
    if (setting >= 1 && setting <= 4)
        sortByNumber(order, n, textOf, setting <= 2, descending);
    else
        sortByText(order, textOf, (setting == 5 || setting == 6) ? Qt::CaseInsensitive : Qt::CaseSensitive, descending);

    const bool announce = m_batch == 0 || !m_resetOpen;
    if (announce)
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::vector<Cell>> sorted;
    sorted.reserve(m_cells.size());
    sorted.push_back(std::move(m_cells[0]));
    for (int r : order)
        sorted.push_back(std::move(m_cells[static_cast<size_t>(r)]));
    m_cells.swap(sorted);
    if (announce)
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ----------------------------------------------------------------- header

FlexGridHeader::FlexGridHeader(Qt::Orientation orientation, FlexGrid *grid)
    : QHeaderView(orientation, grid)
    , m_grid(grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

namespace {

// The rectangle of a picture of the given size placed in r by one of the
// grid's picture alignments (0-2 left, 3-5 centre, 6-8 right; top, centre,
// bottom within each; 9 and 10 fill the cell).
QRect placePicture(const QRect &r, QSize size, int alignment)
{
    if (alignment >= 9)
        return r;
    size = size.scaled(r.size().boundedTo(size), Qt::KeepAspectRatio);
    const int h = alignment / 3; // 0 left, 1 centre, 2 right
    const int v = alignment % 3; // 0 top, 1 centre, 2 bottom
    const int x = h == 0 ? r.left() : h == 1 ? r.left() + (r.width() - size.width()) / 2 : r.right() - size.width() + 1;
    const int y = v == 0 ? r.top() : v == 1 ? r.top() + (r.height() - size.height()) / 2 : r.bottom() - size.height() + 1;
    return QRect(QPoint(x, y), size);
}

} // namespace

void FlexGridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    const FlexGridModel *m = m_grid->gridModel();
    const int r = orientation() == Qt::Horizontal ? 0 : logicalIndex + 1;
    const int c = orientation() == Qt::Horizontal ? logicalIndex + 1 : 0;
    if (!m->valid(r, c))
        return;
    painter->save();
    painter->fillRect(rect, m->shownBack(r, c));
    painter->setPen(m->shownBack(r, c).darker(140));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    const QRect inner = rect.adjusted(1, 1, -2, -2);
    const QPixmap pic = m->picture(r, c);
    if (!pic.isNull())
        painter->drawPixmap(placePicture(inner, pic.size(), m->cell(r, c).pictureAlignment), pic);
    const QString &text = m->cell(r, c).text;
    if (!text.isEmpty()) {
        painter->setPen(m->shownFore(r, c));
        painter->drawText(inner.adjusted(3, 0, -1, 0),
                          int(m->colAlignment.value(c, Qt::AlignLeft)) | Qt::AlignVCenter | Qt::TextSingleLine,
                          text);
    }
    painter->restore();
}

// ------------------------------------------------------------------- grid

FlexGrid::FlexGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new FlexGridModel(this))
    , m_hHeader(new FlexGridHeader(Qt::Horizontal, this))
    , m_vHeader(new FlexGridHeader(Qt::Vertical, this))
{
    m_model->setCols(2);
    m_model->setRows(2);
    setModel(m_model);
    setHorizontalHeader(m_hHeader);
    setVerticalHeader(m_vHeader);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);

    const int rowHeight = fontMetrics().height() + 4;
    m_vHeader->setSectionResizeMode(QHeaderView::Fixed);
    m_vHeader->setDefaultSectionSize(rowHeight);
    m_vHeader->setMinimumSectionSize(rowHeight);
    verticalHeader()->setVisible(true);
    m_hHeader->setSectionResizeMode(QHeaderView::Interactive);
    m_hHeader->setStretchLastSection(false);
    m_hHeader->setFixedHeight(rowHeight);

    viewport()->setMouseTracking(true);
    m_hHeader->viewport()->setMouseTracking(true);
    m_vHeader->viewport()->setMouseTracking(true);
    m_hHeader->viewport()->installEventFilter(this);
    m_vHeader->viewport()->installEventFilter(this);
    if (auto *corner = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        m_corner = corner;
        m_corner->setMouseTracking(true);
        m_corner->installEventFilter(this);
    }

    // Widths the user gives the columns by dragging are kept like set ones.
    connect(m_hHeader, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!m_applyingWidths && section + 1 < m_widths.size())
            m_widths[section + 1] = size;
    });
    m_widths = {fontMetrics().horizontalAdvance(QStringLiteral("     ")) + 8, 64};
    applyWidths();
    syncView();
}

void FlexGrid::setRows(int n)
{
    m_model->setRows(n);
    m_row = std::min(m_row, rows() - 1);
    m_rowSel = std::min(m_rowSel, rows() - 1);
    requestSync();
}

void FlexGrid::setCols(int n)
{
    m_model->setCols(n);
    m_widths.resize(cols(), 64);
    m_col = std::min(m_col, cols() - 1);
    applyWidths();
    requestSync();
}

void FlexGrid::setRow(int r)
{
    if (r < 0 || r >= rows())
        return;
    m_row = r;
    m_rowSel = r;
    requestSync();
}

void FlexGrid::setCol(int c)
{
    if (c < 0 || c >= cols())
        return;
    m_col = c;
    requestSync();
}

void FlexGrid::setRowSel(int r)
{
    if (r >= 0 && r < rows())
        m_rowSel = r;
}

QString FlexGrid::text() const { return textMatrix(m_row, m_col); }
void FlexGrid::setText(const QString &text) { m_model->setText(m_row, m_col, text); }
void FlexGrid::setCellBackColor(const QColor &colour) { m_model->setBack(m_row, m_col, colour); }
void FlexGrid::setCellForeColor(const QColor &colour) { m_model->setFore(m_row, m_col, colour); }
void FlexGrid::setCellPicture(const QPixmap &picture) { m_model->setPicture(m_row, m_col, picture); }
void FlexGrid::setCellPictureAlignment(int alignment) { m_model->setPictureAlignment(m_row, m_col, alignment); }

QString FlexGrid::textMatrix(int r, int c) const
{
    return m_model->valid(r, c) ? m_model->cell(r, c).text : QString();
}

void FlexGrid::setTextMatrix(int r, int c, const QString &text)
{
    m_model->setText(r, c, text);
}

QColor FlexGrid::cellBackColorAt(int r, int c) const
{
    return m_model->valid(r, c) ? m_model->shownBack(r, c) : QColor();
}

QColor FlexGrid::cellForeColorAt(int r, int c) const
{
    return m_model->valid(r, c) ? m_model->shownFore(r, c) : QColor();
}

QPixmap FlexGrid::cellPictureAt(int r, int c) const
{
    return m_model->valid(r, c) ? m_model->picture(r, c) : QPixmap();
}

int FlexGrid::cellPictureAlignmentAt(int r, int c) const
{
    return m_model->valid(r, c) ? m_model->cell(r, c).pictureAlignment : 0;
}

void FlexGrid::setBackColor(const QColor &c) { m_model->backColor = c; viewport()->update(); }
void FlexGrid::setForeColor(const QColor &c) { m_model->foreColor = c; viewport()->update(); }

QPoint FlexGrid::cellAt(const QPoint &pos) const
{
    auto within = [&](const QWidget *w) { return w && w->isVisible() && w->geometry().contains(pos); };
    // The viewport and headers are children of the grid (headers and corner
    // lie outside the viewport, inside the frame).
    if (m_corner && within(m_corner))
        return {0, 0};
    if (within(m_hHeader)) {
        const int x = m_hHeader->mapFrom(this, pos).x();
        const int s = m_hHeader->logicalIndexAt(x);
        return {s < 0 ? -1 : s + 1, 0};
    }
    if (within(m_vHeader)) {
        const int y = m_vHeader->mapFrom(this, pos).y();
        const int s = m_vHeader->logicalIndexAt(y);
        return {0, s < 0 ? -1 : s + 1};
    }
    if (within(viewport())) {
        const QPoint vp = viewport()->mapFrom(this, pos);
        const int r = rowAt(vp.y());
        const int c = columnAt(vp.x());
        return {c < 0 ? -1 : c + 1, r < 0 ? -1 : r + 1};
    }
    return {-1, -1};
}

void FlexGrid::trackMouse(QWidget *source, const QPoint &local)
{
    const QPoint cell = cellAt(source->mapTo(this, local));
    m_mouseCol = cell.x();
    m_mouseRow = cell.y();
}

void FlexGrid::setFormatString(const QString &format)
{
    m_formatString = format;
    const QStringList sections = format.split(QLatin1Char('|'));
    Batch batch(*this); // the widths are applied when the batch ends
    if (sections.size() > cols())
        setCols(static_cast<int>(sections.size()));
    const QFontMetrics fm(m_hHeader->font());
    for (int c = 0; c < sections.size(); ++c) {
        QString s = sections.at(c);
        Qt::Alignment align = Qt::AlignLeft;
        if (!s.isEmpty()) {
            const QChar first = s.at(0);
            if (first == QLatin1Char('<') || first == QLatin1Char('^') || first == QLatin1Char('>')) {
                align = first == QLatin1Char('<') ? Qt::AlignLeft
                        : first == QLatin1Char('^') ? Qt::AlignHCenter
                                                    : Qt::AlignRight;
                s.remove(0, 1);
            }
        }
        m_model->colAlignment[c] = align;
        m_model->setText(0, c, s);
        m_widths[c] = fm.horizontalAdvance(s) + 8;
    }
}

int FlexGrid::colWidth(int c) const
{
    return c >= 0 && c < m_widths.size() ? m_widths.at(c) : 0;
}

void FlexGrid::fitColumnTo(int c, const QString &text)
{
    if (c < 0 || c >= m_widths.size())
        return;
    const int needed = fontMetrics().horizontalAdvance(text) + 12;
    if (m_widths.at(c) >= needed)
        return;
    m_widths[c] = needed;
    if (!m_batch)
        applyWidths();
}

Qt::Alignment FlexGrid::colAlignment(int c) const
{
    return Qt::Alignment(m_model->colAlignment.value(c, Qt::AlignLeft));
}

void FlexGrid::applyWidths()
{
    m_applyingWidths = true;
    if (!m_widths.isEmpty()
        && (m_vHeader->minimumWidth() != m_widths.at(0) || m_vHeader->maximumWidth() != m_widths.at(0)))
        m_vHeader->setFixedWidth(m_widths.at(0));
    for (int c = 1; c < m_widths.size() && c - 1 < m_hHeader->count(); ++c)
        if (m_hHeader->sectionSize(c - 1) != m_widths.at(c))
            m_hHeader->resizeSection(c - 1, m_widths.at(c));
    m_applyingWidths = false;
}

void FlexGrid::sort(int setting)
{
    m_model->sortRows(m_col, setting);
    viewport()->update();
    m_vHeader->viewport()->update();
}

void FlexGrid::setMousePointer(int setting)
{
    m_pointer = setting;
    applyPointer();
}

void FlexGrid::setMouseIcon(const QPixmap &icon)
{
    m_mouseIcon = icon;
    if (m_pointer == 99)
        applyPointer();
}

void FlexGrid::applyPointer()
{
    switch (m_pointer) {
    case 0:
        unsetCursor();
        break;
    case 99:
        if (m_mouseIcon.isNull())
            setCursor(Qt::ArrowCursor);
        else
            setCursor(QCursor(m_mouseIcon));
        break;
    case 2:
        setCursor(Qt::CrossCursor);
        break;
    case 3:
        setCursor(Qt::IBeamCursor);
        break;
    case 11:
        setCursor(Qt::WaitCursor);
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

void FlexGrid::clear()
{
    Batch batch(*this);
    m_model->clearCells();
}

FlexGrid::Batch::Batch(FlexGrid &grid)
    : m_grid(grid)
{
    ++m_grid.m_batch;
    m_grid.m_model->beginBatch();
}

FlexGrid::Batch::~Batch()
{
    m_grid.m_syncing = true;
    m_grid.m_model->endBatch();
    m_grid.m_syncing = false;
    if (--m_grid.m_batch == 0) {
        // A batch may have rebuilt the model, which loses the view's current
        // index, and the header its column widths: put them back.
        m_grid.m_syncPending = false;
        m_grid.applyWidths();
        m_grid.syncView();
    }
}

void FlexGrid::requestSync()
{
    if (m_batch > 0)
        m_syncPending = true; // the batch's end brings the view up to date once
    else
        syncView();
}

void FlexGrid::syncView()
{
    QItemSelectionModel *sel = selectionModel();
    if (!sel)
        return;
    m_syncing = true;
    if (m_row >= 1 && m_col >= 1 && m_row < rows() && m_col < cols())
        sel->setCurrentIndex(m_model->index(m_row - 1, m_col - 1), QItemSelectionModel::NoUpdate);
    else
        sel->clearCurrentIndex();
    m_syncing = false;
}

void FlexGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    m_row = current.row() + 1;
    m_col = current.column() + 1;
    m_rowSel = m_row;
    emit selChange();
}

namespace {

int buttonCode(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

int keyCode(int key)
{
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default:
        if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
            return 112 + (key - Qt::Key_F1);
        if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
            return key;
        return 0;
    }
}

} // namespace

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    emit keyDown(keyCode(event->key()), shiftCode(event->modifiers()));
    QTableView::keyPressEvent(event);
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    trackMouse(viewport(), event->position().toPoint());
    emit mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), event->position().toPoint());
    QTableView::mousePressEvent(event);
}

void FlexGrid::mouseMoveEvent(QMouseEvent *event)
{
    trackMouse(viewport(), event->position().toPoint());
    emit mouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), event->position().toPoint());
    QTableView::mouseMoveEvent(event);
}

bool FlexGrid::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = qobject_cast<QWidget *>(watched);
    const bool ours = w && (w == m_hHeader->viewport() || w == m_vHeader->viewport() || w == m_corner);
    if (!ours || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove))
        return QTableView::eventFilter(watched, event);

    auto *me = static_cast<QMouseEvent *>(event);
    const QPoint local = me->position().toPoint();
    trackMouse(w, local);
    if (event->type() == QEvent::MouseMove) {
        emit mouseMove(buttonCode(me->buttons()), shiftCode(me->modifiers()), local);
        return false; // the header still shows its resize handles
    }
    // A press on the border between two column headers resizes the column.
    if (w == m_hHeader->viewport()) {
        const int s = m_hHeader->logicalIndexAt(local.x());
        if (s >= 0) {
            const int right = m_hHeader->sectionViewportPosition(s) + m_hHeader->sectionSize(s);
            const int left = m_hHeader->sectionViewportPosition(s);
            if (std::abs(local.x() - right) <= 3 || (s > 0 && std::abs(local.x() - left) <= 3))
                return false;
        }
    }
    emit mouseDown(buttonCode(me->button()), shiftCode(me->modifiers()), local);
    return true;
}

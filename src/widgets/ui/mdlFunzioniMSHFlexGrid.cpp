#include "widgets/ui/mdlFunzioniMSHFlexGrid.h"

#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/pictures.h"

#include <QPainter>
#include <QPolygon>

namespace mdlFunzioniMSHFlexGrid {

namespace {

// A black arrow on a transparent square, pointing right (the row mark and the
// row pointer) or down (the column pointer).
QPixmap drawnArrow(int size, bool down)
{
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::black);
    const int m = size / 4;
    QPolygon arrow;
    if (down)
        arrow << QPoint(m, m) << QPoint(size - m, m) << QPoint(size / 2, size - m);
    else
        arrow << QPoint(m, m) << QPoint(size - m, size / 2) << QPoint(m, size - m);
    painter.drawPolygon(arrow);
    return p;
}

QPixmap fromFileOr(const char *name, int size, bool down)
{
    const QPixmap file = Pictures::ico(QString::fromLatin1(name)); // read once, then cached
    if (!file.isNull())
        return file;
    static QPixmap drawn[2][2];
    QPixmap &d = drawn[size > 16 ? 1 : 0][down ? 1 : 0];
    if (d.isNull())
        d = drawnArrow(size, down);
    return d;
}

} // namespace

QPixmap rowMarkPicture()
{
    return fromFileOr("freccia4", 16, false);
}

QPixmap selectRowPointer()
{
    return fromFileOr("IDC_SELECTROW", 24, false);
}

QPixmap selectColPointer()
{
    return fromFileOr("IDC_SELECTCOL", 24, true);
}

void AzzeraEvidenziazione(FlexGrid &grid)
{
    FlexGrid::Batch batch(grid);
    const int cols = grid.cols();
    for (int r = grid.rows() - 1; r >= 1; --r) {
        grid.setRow(r);
        grid.setCol(0);
        grid.setCellPicture(QPixmap());
        for (int c = 1; c < cols; ++c) {
            grid.setCol(c);
            grid.setCellBackColor(grid.backColor());
            grid.setCellForeColor(grid.foreColor());
        }
    }
    grid.setRow(0);
    for (int c = 0; c < cols; ++c) {
        grid.setCol(c);
        grid.setCellBackColor(grid.backColorFixed());
        grid.setCellForeColor(grid.foreColorFixed());
    }
}

void TogliEvidenziazioneRiga(FlexGrid &grid, int row)
{
    if (row < 1 || row >= grid.rows())
        return;
    FlexGrid::Batch batch(grid);
    grid.setRow(row);
    grid.setCol(0);
    grid.setCellPicture(QPixmap());
    for (int c = 1; c < grid.cols(); ++c) {
        grid.setCol(c);
        grid.setCellBackColor(grid.backColor());
        grid.setCellForeColor(grid.foreColor());
    }
}

int EvidenziaRiga(FlexGrid &grid, int row)
{
    if (row < 0 || row >= grid.rows())
        return grid.rowSel(); // nothing to mark there: the selection row stays
    FlexGrid::Batch batch(grid);
    grid.setCol(0);
    grid.setRow(row);
    grid.setCellPictureAlignment(RowMarkAlignment);
    grid.setCellPicture(rowMarkPicture());
    for (int c = 1; c < grid.cols(); ++c) {
        grid.setCol(c);
        grid.setCellBackColor(grid.backColorSel());
        grid.setCellForeColor(grid.foreColorSel());
    }
    grid.setRowSel(row);
    grid.setCol(1);
    return grid.rowSel();
}

} // namespace mdlFunzioniMSHFlexGrid

using namespace mdlFunzioniMSHFlexGrid;

FlexGridEvents::FlexGridEvents(FlexGrid &grid, int &markedRow, int &currentRow,
                               std::function<int(int)> sortSetting)
    : QObject(&grid)
    , m_grid(grid)
    , m_markedRow(markedRow)
    , m_currentRow(currentRow)
    , m_sortSetting(std::move(sortSetting))
{
    connect(&grid, &FlexGrid::selChange, this, &FlexGridEvents::selectionChanged);
    connect(&grid, &FlexGrid::keyDown, this, [this](int code, int) { keyDown(code); });
    connect(&grid, &FlexGrid::mouseDown, this, [this](int, int, const QPoint &) { mouseDown(); });
    connect(&grid, &FlexGrid::mouseMove, this, [this](int, int, const QPoint &) { mouseMove(); });
}

void FlexGridEvents::selectionChanged()
{
    if (m_busy || m_grid.rows() < 3)
        return;
    m_busy = true;
    m_currentRow = m_grid.row();
    TogliEvidenziazioneRiga(m_grid, m_markedRow);
    m_markedRow = EvidenziaRiga(m_grid, m_currentRow);
    m_busy = false;
}

void FlexGridEvents::keyDown(int keyCode)
{
    if (keyCode == 33 || keyCode == 34 || keyCode == 38 || keyCode == 40)
        selectionChanged();
}

void FlexGridEvents::mouseDown()
{
    if (m_busy || m_grid.mouseRow() != 0 || m_grid.mouseCol() < 0)
        return;
    m_busy = true;
    m_grid.setCol(m_grid.mouseCol());
    m_grid.sort(m_sortSetting ? m_sortSetting(m_grid.col()) : 7);
    AzzeraEvidenziazione(m_grid);
    m_markedRow = EvidenziaRiga(m_grid, 1);
    m_busy = false;
}

void FlexGridEvents::mouseMove()
{
    if (m_grid.mouseCol() == 0) {
        m_grid.setMouseIcon(selectRowPointer());
        m_grid.setMousePointer(99);
    } else if (m_grid.mouseRow() == 0) {
        m_grid.setMouseIcon(selectColPointer());
        m_grid.setMousePointer(99);
    } else {
        m_grid.setMousePointer(0);
    }
}

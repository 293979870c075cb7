#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QPixmap>
#include <QTableView>
#include <QVector>
#include <vector>

class FlexGrid;

// The cells of a FlexGrid: row 0 is the fixed header row, column 0 the fixed
// narrow column, data cells are rows 1.. and columns 1...  As an item model it
// exposes only the data cells (model row r is grid row r + 1, model column c is
// grid column c + 1); row 0 is the horizontal header, column 0 the vertical one.
class FlexGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Cell
    {
        QString text;
        QRgb back = 0;
        QRgb fore = 0;
        bool hasBack = false;
        bool hasFore = false;
        quint8 pictureAlignment = 0;
        quint16 picture = 0; // index into the picture table, 0 = none
    };

    explicit FlexGridModel(QObject *parent = nullptr);

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Grid coordinates (fixed row and column included).
    int rows() const { return static_cast<int>(m_cells.size()); }
    int cols() const { return m_cols; }
    void setRows(int n);
    void setCols(int n);
    bool valid(int r, int c) const { return r >= 0 && c >= 0 && r < rows() && c < m_cols; }

    const Cell &cell(int r, int c) const { return m_cells[static_cast<size_t>(r)][static_cast<size_t>(c)]; }
    void setText(int r, int c, const QString &text);
    void setBack(int r, int c, const QColor &colour);
    void setFore(int r, int c, const QColor &colour);
    void setPicture(int r, int c, const QPixmap &picture);
    void setPictureAlignment(int r, int c, int alignment);
    QPixmap picture(int r, int c) const;

    // The colour a cell shows: its own, else the grid's normal or fixed colour.
    QColor shownBack(int r, int c) const;
    QColor shownFore(int r, int c) const;

    QColor backColor = QColor(255, 255, 255);
    QColor foreColor = QColor(0, 0, 0);
    QColor backColorFixed = QColor(212, 208, 200);
    QColor foreColorFixed = QColor(0, 0, 0);
    QColor backColorSel = QColor(10, 36, 106);
    QColor foreColorSel = QColor(255, 255, 255);

    QVector<int> colAlignment; // Qt alignment flags per grid column

    // Empties every cell (texts, colours, pictures); the counts stay.
    void clearCells();
    // Reorders the data rows (1..rows-1) by the text of column c.
    void sortRows(int c, int setting);

    // Changes made between beginBatch and endBatch are announced to views
    // once, at the end, instead of cell by cell.
    void beginBatch() { ++m_batch; }
    void endBatch();

private:
    Cell &at(int r, int c) { return m_cells[static_cast<size_t>(r)][static_cast<size_t>(c)]; }
    void changed(int r, int c);
    void flush();

    std::vector<std::vector<Cell>> m_cells;
    int m_cols = 0;
    QVector<QPixmap> m_pictures; // index 0 is the empty picture
    int m_batch = 0;
    bool m_resetOpen = false; // the model is being rebuilt within a batch
    // Rectangle of data cells changed during a batch, and whether a header changed.
    int m_dirtyTop = -1, m_dirtyBottom = -1, m_dirtyLeft = -1, m_dirtyRight = -1;
    bool m_dirtyHorizontal = false;
    int m_dirtyVerticalFirst = -1, m_dirtyVerticalLast = -1;
};

// Header of a FlexGrid: paints the fixed cells with their own colours,
// texts and pictures (with the picture alignment of the cell).
class FlexGridHeader : public QHeaderView
{
    Q_OBJECT
public:
    FlexGridHeader(Qt::Orientation orientation, FlexGrid *grid);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    FlexGrid *m_grid;
};

// A grid with one fixed header row and one fixed narrow first column, cell
// texts, colours and pictures, a current cell and a selection row, the cell
// under the mouse, a format string for the header and row sorting.
//
// Moving the current cell from code (setRow, setCol) never emits selChange:
// only the user's clicks and keys do, so routines that walk the cells cannot
// re-enter a window's selection handling.
class FlexGrid : public QTableView
{
    Q_OBJECT
public:
    explicit FlexGrid(QWidget *parent = nullptr);

    FlexGridModel *gridModel() const { return m_model; }

    // Dimensions, fixed row and column included.  New grids have 2 and 2.
    int rows() const { return m_model->rows(); }
    int cols() const { return m_model->cols(); }
    void setRows(int n);
    void setCols(int n);

    // Current cell.  Setting the row also makes it the selection row.
    int row() const { return m_row; }
    int col() const { return m_col; }
    void setRow(int r);
    void setCol(int c);
    int rowSel() const { return m_rowSel; }
    void setRowSel(int r);

    // Properties of the current cell.
    QString text() const;
    void setText(const QString &text);
    void setCellBackColor(const QColor &colour);
    void setCellForeColor(const QColor &colour);
    void setCellPicture(const QPixmap &picture);
    void setCellPictureAlignment(int alignment);

    // Any cell by position.
    QString textMatrix(int r, int c) const;
    void setTextMatrix(int r, int c, const QString &text);
    QColor cellBackColorAt(int r, int c) const;
    QColor cellForeColorAt(int r, int c) const;
    QPixmap cellPictureAt(int r, int c) const;
    int cellPictureAlignmentAt(int r, int c) const;

    // The three colour pairs: normal cells, fixed cells, the marked row.
    QColor backColor() const { return m_model->backColor; }
    QColor foreColor() const { return m_model->foreColor; }
    QColor backColorFixed() const { return m_model->backColorFixed; }
    QColor foreColorFixed() const { return m_model->foreColorFixed; }
    QColor backColorSel() const { return m_model->backColorSel; }
    QColor foreColorSel() const { return m_model->foreColorSel; }
    void setBackColor(const QColor &c);
    void setForeColor(const QColor &c);

    // Cell under the mouse at the last mouse event over the grid.
    int mouseRow() const { return m_mouseRow; }
    int mouseCol() const { return m_mouseCol; }
    // Grid cell at a point of the grid widget (-1, -1 outside every cell).
    QPoint cellAt(const QPoint &pos) const;

    // The header in one string: sections separated by "|", each section an
    // optional alignment ("<" left, "^" centre, ">" right) and the header
    // text; the text, blanks included, sets the column's width.  Sets the
    // column count when the string has more sections.
    QString formatString() const { return m_formatString; }
    void setFormatString(const QString &format);
    int colWidth(int c) const;
    // Widens column c (in pixels) so that text in the grid's font fits in it.
    void fitColumnTo(int c, const QString &text);
    Qt::Alignment colAlignment(int c) const;

    // Sorts the data rows by the current column.  Settings: 1 generic
    // ascending, 2 generic descending, 3 numeric ascending, 4 numeric
    // descending, 5/6 text ignoring case, 7/8 text with case significant.
    void sort(int setting);

    // Mouse pointer: 0 default, 99 the custom picture of setMouseIcon.
    int mousePointer() const { return m_pointer; }
    void setMousePointer(int setting);
    QPixmap mouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap &icon);

    // Empties texts, pictures and cell colours; counts and current cell stay.
    void clear();

    // Groups many cell changes into one repaint (and one sync of the view's
    // current index).  Nests.
    class Batch
    {
    public:
        explicit Batch(FlexGrid &grid);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        FlexGrid &m_grid;
    };

signals:
    // The user moved the current cell (click or key).  Never emitted for moves made from code.
    void selChange();
    // Before the grid handles a key: the key code (33 page up, 34 page down,
    // 37 to 40 the arrows, ...) and the shift state (1 shift, 2 control, 4 alt).
    void keyDown(int keyCode, int shift);
    // Mouse button pressed or mouse moved over the grid or its fixed cells;
    // mouseRow/mouseCol are already set.  button: 1 left, 2 right, 4 middle.
    void mouseDown(int button, int shift, const QPoint &pos);
    void mouseMove(int button, int shift, const QPoint &pos);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void syncView();
    // Brings the view up to date now, or at the end of the current batch.
    void requestSync();
    void applyPointer();
    void applyWidths();
    void trackMouse(QWidget *source, const QPoint &local);

    FlexGridModel *m_model;
    FlexGridHeader *m_hHeader;
    FlexGridHeader *m_vHeader;
    QWidget *m_corner = nullptr;
    int m_row = 1, m_col = 1, m_rowSel = 1;
    int m_mouseRow = -1, m_mouseCol = -1;
    int m_batch = 0;
    bool m_syncing = false;
    bool m_syncPending = false;
    bool m_applyingWidths = false;
    int m_pointer = 0;
    QPixmap m_mouseIcon;
    QString m_formatString;
    QVector<int> m_widths; // pixels per grid column
};

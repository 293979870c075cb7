#pragma once

#include <QObject>
#include <QPixmap>
#include <functional>

class FlexGrid;

// Row marking of the program's grids: the marked row shows the arrow in its
// fixed first cell and the grid's selection colours across its data cells.
namespace mdlFunzioniMSHFlexGrid {

// Removes every row mark and repaints the header row in the fixed colours.
// Leaves the current cell at row 0, last column.
void AzzeraEvidenziazione(FlexGrid &grid);

// Removes the mark of one data row; rows below 1 are left alone.
void TogliEvidenziazioneRiga(FlexGrid &grid, int row);

// Marks one row and makes it the selection row; the current cell ends at
// (row, 1).  Returns the row now marked.
int EvidenziaRiga(FlexGrid &grid, int row);

// The pictures of the row mark and of the two header pointers, read once
// from the program's folder ("freccia4.ico", "IDC_SELECTROW.ico",
// "IDC_SELECTCOL.ico").  When a file is missing or unreadable the program
// draws an equivalent picture instead, so a grid never fails for it.
QPixmap rowMarkPicture();
QPixmap selectRowPointer();
QPixmap selectColPointer();

// Picture alignment of the row mark: right, vertically centred.
constexpr int RowMarkAlignment = 7;

} // namespace mdlFunzioniMSHFlexGrid

// The shared behaviour of a window's grid: the row the user moves to is
// marked, page and arrow keys mark the new row, a press on a column header
// sorts by that column and marks row 1, and the pointer changes over the
// fixed column and the header row.  The owning window keeps the two row
// variables; this object updates them through the references it is given.
class FlexGridEvents : public QObject
{
    Q_OBJECT
public:
    // sortSetting gives the sort setting for a header press on a column
    // (the report: 3 for the record column, else 7).
    FlexGridEvents(FlexGrid &grid, int &markedRow, int &currentRow, std::function<int(int column)> sortSetting);

    // The steps each event runs (public so that windows and tests can run them).
    void selectionChanged();
    void keyDown(int keyCode);
    void mouseDown();
    void mouseMove();

    // True while one of the steps is running.
    bool busy() const { return m_busy; }

private:
    FlexGrid &m_grid;
    int &m_markedRow;
    int &m_currentRow;
    std::function<int(int)> m_sortSetting;
    bool m_busy = false;
};

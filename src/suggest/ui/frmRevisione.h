#pragma once

#include "suggest/fieldreview.h"

#include <QWidget>

class FlexGrid;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

// "Suggest relations for a field": every eurovoc concept of the open
// mapping with its best candidates in a grid, filters (score above, relation,
// not yet reviewed) and review from the keyboard: Enter accepts (stored by
// the mapping editor's save), Delete rejects, Space skips; each moves on to
// the next row shown.
class frmRevisione : public QWidget
{
    Q_OBJECT
public:
    static frmRevisione *instance();
    static frmRevisione *existing();
    ~frmRevisione() override;

    // Runs the matcher over the mapping's field with a progress display that
    // can be cancelled.  False when nothing was run (no mapping, cancelled,
    // a database error), having said why.
    bool start();

    // The review keys on the grid's current row: 13 Enter, 46 Delete, 32 Space.
    void reviewKey(int keyCode);
    bool acceptCurrent();
    bool rejectCurrent();
    bool skipCurrent();

    // Applies the filter boxes to the grid.
    void applyFilter();

    FlexGrid *grid() const { return m_grid; }
    const Suggest::FieldReview &review() const { return m_review; }
    // The review row shown on grid row r (1..), -1 for none.
    int reviewRow(int gridRow) const;
    QString statusText() const;

private:
    explicit frmRevisione(QWidget *parent);
    void showRow(int gridRow);
    void moveOn(int gridRow);
    void updateStatus();

    Suggest::FieldReview m_review;
    QVector<int> m_shown; // review rows, in grid order
    QDoubleSpinBox *m_minScore;
    QComboBox *m_relation;
    QCheckBox *m_pendingOnly;
    QLabel *m_status;
    FlexGrid *m_grid;
};

// Utilities > Suggest relations for a field...
void suggestRelationsForField();

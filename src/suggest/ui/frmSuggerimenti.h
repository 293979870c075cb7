#pragma once

#include "suggest/matcher.h"

#include <QWidget>

class FlexGrid;
class QLabel;

// "Suggested targets": the best 10 target concepts of the open mapping for
// the eurovoc window's current concept, with score, proposed relation and
// evidence, shown below the target tree.  Choosing a row (double click or
// Enter) selects that concept in the target tree and puts the pair and the
// relation into the mapping editor, which then saves as it always does.
class frmSuggerimenti : public QWidget
{
    Q_OBJECT
public:
    // The window, created as a child of the main window on first use.
    static frmSuggerimenti *instance();
    static frmSuggerimenti *existing();
    ~frmSuggerimenti() override;

    // The suggestions for the current concept of the eurovoc window.  False,
    // having said why through dialogs(), when there is no mapping, no
    // concept chosen or the database fails.
    bool suggestForCurrent();

    // Row 1.. of the grid: its concept chosen in the target tree and the
    // pair and relation put into the editor.  False, having said why, when
    // the target is not in the loaded tree.
    bool choose(int row);

    int count() const { return static_cast<int>(m_list.size()); }
    const Suggest::Candidate &candidate(int row) const { return m_list.at(row - 1); }
    FlexGrid *grid() const { return m_grid; }
    QString heading() const;

private:
    explicit frmSuggerimenti(QWidget *parent);
    void fill(const QString &sourceText);
    void placeBelowTargetTree();

    QVector<Suggest::Candidate> m_list;
    QLabel *m_heading;
    FlexGrid *m_grid;
    bool m_placed = false;
};

// Mapping > Suggest targets and the alignment window's button.
void suggestTargets();

#pragma once

#include "report/report.h"

#include <QVector>
#include <QWidget>

class FlexGrid;
class FlexGridEvents;
class QLabel;
class QPushButton;

// Fills a report grid with every mapping relation in id order, and the
// count label of the report window that owns the grid.  Throws DbError when
// the relations cannot be read; the grid is then left as it was.
void CaricaReport(FlexGrid &grid);

// The header of the report grid; with authors, two columns more: who
// stored or last changed each relation, and when.
QString reportFormatString(bool authors = false);

// The report window: every mapping relation of the open database in one
// grid, with delete, modify (in the mapping editor), add (a new mapping) and
// reload.  A child window of the main window; one at a time.
class frmReportMapping : public QWidget
{
    Q_OBJECT
public:
    // Mapping > Report: opens the window (or takes the open one) and fills it.
    static frmReportMapping *mnuToolsMappingEffettuato_Click();
    // The open report window, null when there is none.
    static frmReportMapping *existing();

    ~frmReportMapping() override;

    FlexGrid *grid() const { return msfgReportMapping; }
    QSize sizeHint() const override;

    // The window's status: that the database is closed, or how many relations
    // others changed since the list was read ("" otherwise).
    QString statusText() const;
    // Shows or hides the columns of who changed each relation and when.
    void setAuthorsShown(bool shown);
    bool authorsShown() const;
    // Counts the relations others changed since the list was read and says
    // it (the server's notice calls it).
    void othersChanged();
    // Follows Project > Close and Open: closed, the commands are off (Exit
    // report stays); opened again they come back, and on another database
    // the list is read anew.
    void databaseClosed();
    void databaseOpened(const QString &name);

    int vGridMarkedRow = 0;  // row carrying the mark, 0 = none
    int vGridCurrentRow = 0; // row taken on the last selection change

public slots:
    void cmdAggiorna_Click();
    void cmdChiudiFinestra_Click();
    void cmdEliminaRecord_Click();
    void cmdInserisciRecord_Click();
    void cmdModificaRecord_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    explicit frmReportMapping(QWidget *parent = nullptr);
    void Form_Load();
    void Form_Resize();
    // The position in m_rows of the current row's relation; tells the user
    // why not and gives -1 when the current row holds no live relation.
    int currentRelation(const QString &action);
    QWidget *outerWindow();
    void setCommandsEnabled(bool enabled);
    // Listens for the changes other editors make to a server database.
    void watchOthers();

    friend void CaricaReport(FlexGrid &grid);

    QPushButton *cmdEliminaRecord;
    QPushButton *cmdInserisciRecord;
    QPushButton *cmdModificaRecord;
    QPushButton *cmdAggiorna;
    QPushButton *cmdChiudiFinestra;
    QPushButton *cmdAutori;
    FlexGrid *msfgReportMapping;
    QLabel *Label2;
    QLabel *Label1;
    QLabel *lblStato;
    FlexGridEvents *m_events;
    QString m_loadedFrom; // the database the list was read from
    // The relations listed, as last read, with those deleted since flagged.
    QVector<Report::Riga> m_rows;
    qint64 m_mark = 0;              // the change log's newest row when the list was read
    QMetaObject::Connection m_watch; // the server's notices of others' changes
    QString m_watching;             // the database they come from
    bool m_laying = false;
};

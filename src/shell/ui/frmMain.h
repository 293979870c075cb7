#pragma once

#include "widgets/ui/MainFrame.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace Progetto {
enum class Esito;
}

// The main window: menus for every command, the area that holds the child
// windows, and the status bar that is the program's message line.
class frmMain : public MainFrame
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The one instance, created by start-up (null before).
    static frmMain *instance();

    QMdiArea *area() const override { return m_area; }
    QMdiSubWindow *addChild(QWidget *child) override;
    QString statusText() const override;
    void setStatusText(const QString &text) override;
    void repaintStatus() override;

    // Switches the menus to one of the two database states.
    void setDatabaseMenus(bool databaseOpen);
    // The menus as start-up leaves them: Mapping, Export and Utilities disabled.
    void setStartupMenus();

    void tileVertically() override;

    // The status bar panel that names the open database ("" when none).
    void setDatabaseName(const QString &name, const QString &detail = {});
    QString databaseName() const;

    // Minimum size of the window in its normal state, in twips.
    static constexpr int MinWidthTwips = 15060;
    static constexpr int MinHeightTwips = 8045;

public slots:
    void mnuProgettoApri_Click();
    void mnuProgettoApriServer_Click();
    void mnuProgettoChiudi_Click();
    void mnuProgettoExit_Click();
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();
    // Opens a database given on the command line, as Open would.
    void apriDatabase(const QString &path) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut);
    void applyOpenResult(Progetto::Esito esito);
    // True when nothing unsaved is in the mapping editor, or the user answers
    // Yes to the question (No is the default).
    bool editorMayBeLeft(const QString &question);

    QMdiArea *m_area = nullptr;
    QLabel *m_panelText = nullptr;
    QLabel *m_panelDate = nullptr;
    QLabel *m_panelTime = nullptr;
    QLabel *m_panelDatabase = nullptr;
    bool m_unloading = false;
};

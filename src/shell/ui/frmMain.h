#pragma once

#include <QMainWindow>

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
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The one instance, created by start-up (null before).
    static frmMain *instance();

    QMdiArea *area() const { return m_area; }

    // Adds a child window to the area; the area owns it from then on.
    QMdiSubWindow *addChild(QWidget *child);

    // Status bar panel 1.
    QString statusText() const;
    void setStatusText(const QString &text);
    // Paints the status bar now (long synchronous work calls it to show progress).
    void repaintStatus();

    // Menu items and menus by object name ("mnuProgettoApri", "mnuTools", ...).
    QAction *action(const QString &objectName) const;
    QMenu *menu(const QString &objectName) const;

    // Switches the menus to one of the two database states.
    void setDatabaseMenus(bool databaseOpen);
    // The menus as start-up leaves them: Mapping, Export and Utilities disabled.
    void setStartupMenus();

    // The child windows side by side, each the full height of the area, the
    // most recently active one on the left.
    void tileVertically();

    // Minimum size of the window in its normal state, in twips.
    static constexpr int MinWidthTwips = 15060;
    static constexpr int MinHeightTwips = 8045;

public slots:
    void mnuProgettoApri_Click();
    void mnuProgettoChiudi_Click();
    void mnuProgettoExit_Click();
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();
    // Opens a database given on the command line, as Open would.
    void apriDatabase(const QString &path);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut);
    void applyOpenResult(Progetto::Esito esito);

    QMdiArea *m_area = nullptr;
    QLabel *m_panelText = nullptr;
    QLabel *m_panelDate = nullptr;
    QLabel *m_panelTime = nullptr;
    bool m_unloading = false;
};

#pragma once

#include <QMainWindow>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

// What the rooms see of the main window: the area that holds the child
// windows, the status line, the menus by object name.  The shell's frmMain is
// the one implementation; rooms reach it through MainFrame::instance() or the
// reference their install function gets, and so never include the shell.
class MainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainFrame(QWidget *parent = nullptr);
    ~MainFrame() override;

    // The one instance (null before start-up created it and after it is gone).
    static MainFrame *instance();

    virtual QMdiArea *area() const = 0;

    // Adds a child window to the area; the area owns it from then on.
    virtual QMdiSubWindow *addChild(QWidget *child) = 0;

    // Status bar panel 1.
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString &text) = 0;
    // Paints the status bar now (long synchronous work calls it to show progress).
    virtual void repaintStatus() = 0;

    // The child windows side by side, each the full height of the area, the
    // most recently active one on the left.
    virtual void tileVertically() = 0;

    // Opens a database as Project > Open does with a chosen file, menus included.
    virtual void apriDatabase(const QString &path) = 0;

    // Menu items and menus by object name ("mnuProgettoApri", "mnuTools", ...).
    QAction *action(const QString &objectName) const;
    QMenu *menu(const QString &objectName) const;

signals:
    // The shared connection was opened on a database (its path, or the name
    // of the server), or closed by Project > Close.  Child windows that stay
    // open across a Close follow these.
    void databaseOpened(const QString &name);
    void databaseClosed();
};

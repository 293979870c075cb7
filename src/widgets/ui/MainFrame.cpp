#include "widgets/ui/MainFrame.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace {
QPointer<MainFrame> g_frame;
}

MainFrame::MainFrame(QWidget *parent)
    : QMainWindow(parent)
{
    g_frame = this;
}

MainFrame::~MainFrame() = default;

MainFrame *MainFrame::instance()
{
    return g_frame.data();
}

QAction *MainFrame::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

QMenu *MainFrame::menu(const QString &objectName) const
{
    return findChild<QMenu *>(objectName);
}

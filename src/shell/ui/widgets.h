#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

// Small helpers shared by the program's windows.
namespace Widgets {

// A label in Arial with an object name, placed at a pixel rectangle.
QLabel *arialLabel(QWidget *parent, const char *name, const QString &text, int pointSize, bool bold,
                   const QRect &geometry);

// Places a window in the middle of the screen.
void centreOnScreen(QWidget *window);

// Places window F in the middle of container C (the screen when C is null),
// using the window's outer frame like the classic Top/Left/Width/Height.
void CentraForm(QWidget *f, QWidget *c = nullptr);

} // namespace Widgets

#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
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

// A picture button: object name, tool tip, the program's picture of that name
// and a short text shown instead when the picture is missing, at a pixel
// rectangle.  It never becomes the default button of its window.
QPushButton *pictureButton(QWidget *parent, const char *name, const char *picture, const QString &tip,
                           const QString &fallbackText, const QRect &geometry);

} // namespace Widgets

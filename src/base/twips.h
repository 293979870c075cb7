#pragma once

#include <QRect>
#include <cmath>

// Window and control geometry is designed in twips: 15 twips make one pixel
// at 96 dpi.  All conversions go through these helpers.
namespace Twips {

constexpr int PerPixel = 15;

inline int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / PerPixel));
}

inline int fromPixels(int pixels)
{
    return pixels * PerPixel;
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips

// Places a box of the given size in the middle of a container (all in twips):
// returns the new top and left.  Halves are fractions, as for the screen
// centring of windows; the results are rounded to whole twips.
struct CentredPosition
{
    double top;
    double left;
};
inline CentredPosition centreIn(double containerTop, double containerLeft, double containerHeight,
                                double containerWidth, double height, double width)
{
    const double h = std::round(containerHeight);
    const double w = std::round(containerWidth);
    const double t0 = std::round(containerTop);
    const double l0 = std::round(containerLeft);
    return {h / 2 + t0 - height / 2, w / 2 + l0 - width / 2};
}

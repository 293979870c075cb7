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

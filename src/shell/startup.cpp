#include "shell/startup.h"

#include "shell/clock.h"

#include <cmath>

int Startup::AttendiSplash(const Clock &clock)
{
    int s = clock.secondOfMinute();
    if (s > 57)
        s = -2;
    int polls = 0;
    while (clock.secondOfMinute() < s + 2)
        ++polls;
    return polls;
}

CentredPosition centreIn(double containerTop, double containerLeft, double containerHeight, double containerWidth,
                         double height, double width)
{
    const double h = std::round(containerHeight);
    const double w = std::round(containerWidth);
    const double t0 = std::round(containerTop);
    const double l0 = std::round(containerLeft);
    return {h / 2 + t0 - height / 2, w / 2 + l0 - width / 2};
}

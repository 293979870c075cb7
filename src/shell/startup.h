#pragma once

class Clock;

// Start-up helpers that need no window.
namespace Startup {

// Waits about two seconds on the splash: takes the second of the minute s
// (s > 57 counts as -2) and polls the clock until its second is no longer
// below s + 2.  Returns the number of polls made.
int AttendiSplash(const Clock &clock);

} // namespace Startup

// Places a box of the given size in the middle of a container (all in twips):
// returns the new top and left.  Halves are fractions, as for the screen
// centring of windows; the results are rounded to whole twips.
struct CentredPosition
{
    double top;
    double left;
};
CentredPosition centreIn(double containerTop, double containerLeft, double containerHeight,
                         double containerWidth, double height, double width);

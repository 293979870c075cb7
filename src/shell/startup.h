#pragma once

class Clock;

// Start-up helpers that need no window.
namespace Startup {

// Waits about two seconds on the splash: takes the second of the minute s
// (s > 57 counts as -2) and polls the clock until its second is no longer
// below s + 2.  The polls come from a timer of the clock's poll interval, so
// the event loop runs in between and windows paint.  Returns the number of
// polls made.
int AttendiSplash(const Clock &clock);

} // namespace Startup

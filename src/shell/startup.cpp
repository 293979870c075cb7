#include "shell/startup.h"

#include "base/clock.h"


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

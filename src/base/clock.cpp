#include "base/clock.h"

namespace {
Clock *g_clock = nullptr;
}

Clock &programClock()
{
    static SystemClock system;
    return g_clock ? *g_clock : system;
}

void setProgramClock(Clock *c)
{
    g_clock = c;
}

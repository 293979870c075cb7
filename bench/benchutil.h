#pragma once

// Small helpers shared by the benchmark programs.
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Bench {

// The median of a set of timings (the mean of the middle two for an even count; 0 for none).
template<typename Container>
double median(Container v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// How long f takes, in milliseconds.
template<typename F>
double timed(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// Stops the benchmark with a reason on standard error.
[[noreturn]] inline void fail(const char *program, const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(why));
    std::exit(1);
}

} // namespace Bench

#pragma once

// Small helpers shared by the benchmark programs.
#include <QByteArray>
#include <QElapsedTimer>
#include <QLocale>
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

// A count with thousands separators, as the figures tables write it ("100,000").
inline QString thousands(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

// One figure for bench/run-all, as a line of its own beside the human output:
//   FIGURE <key> <value> <unit> <target> <what>
// target is "<N", "<=N", ">N", ">=N", "=N" in the figure's unit, or "-" for a
// figure without one; what is the text of the figures table.
inline void figure(const QByteArray &key, double value, const char *unit, const char *target, const QString &what)
{
    std::fflush(stdout);
    std::printf("FIGURE %s %.6g %s %s %s\n", key.constData(), value, unit, target, qPrintable(what));
    std::fflush(stdout);
}

// The same for a figure that could not be measured, e.g. its data file is absent.
inline void skipped(const QByteArray &key, const char *unit, const char *target, const QString &what)
{
    std::fflush(stdout);
    std::printf("FIGURE %s skipped %s %s %s\n", key.constData(), unit, target, qPrintable(what));
    std::fflush(stdout);
}

// Stops the benchmark with a reason on standard error.
[[noreturn]] inline void fail(const char *program, const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(why));
    std::exit(1);
}

} // namespace Bench

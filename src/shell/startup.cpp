#include "shell/startup.h"

#include "base/clock.h"

#include <QEventLoop>
#include <QTimer>


int Startup::AttendiSplash(const Clock &clock)
{
    int s = clock.secondOfMinute();
    if (s > 57)
        s = -2;
    const auto over = [&clock, s] { return clock.secondOfMinute() >= s + 2; };
    if (over())
        return 0;
    int polls = 1;
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(clock.pollIntervalMs());
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (over())
            loop.quit();
        else
            ++polls;
    });
    timer.start();
    loop.exec();
    return polls;
}

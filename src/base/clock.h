#pragma once

#include <QDateTime>

// The wall clock, replaceable so that waits and times can be driven by tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The same moment in UTC (the system clock gives it without a look at the
    // time zone, which is what makes now() slow).
    virtual QDateTime nowUtc() const { return now().toUTC(); }
    int secondOfMinute() const { return now().time().second(); }
    // How long a wait on this clock lets the event loop run between two looks
    // at it: the wall clock is looked at twenty times a second.
    virtual int pollIntervalMs() const { return 50; }
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    QDateTime nowUtc() const override { return QDateTime::currentDateTimeUtc(); }
};

// A clock that a test sets, and that can move on by itself each time it is read.
class FakeClock : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0)))
        : m_now(std::move(start))
    {
    }
    QDateTime now() const override
    {
        ++m_reads;
        const QDateTime t = m_now;
        m_now = m_now.addMSecs(m_stepMs);
        return t;
    }
    // A test clock moves on when it is read, not with real time: waits look
    // at it again as soon as the event loop has run once.
    int pollIntervalMs() const override { return 0; }
    void set(const QDateTime &t) { m_now = t; }
    void setSecond(int s) { m_now.setTime(QTime(m_now.time().hour(), m_now.time().minute(), s)); }
    // Each read moves the clock on by this many milliseconds.
    void setStep(int ms) { m_stepMs = ms; }
    int reads() const { return m_reads; }

private:
    mutable QDateTime m_now;
    mutable int m_reads = 0;
    int m_stepMs = 0;
};

// The clock in force (a SystemClock unless a test put another one).
Clock &programClock();
void setProgramClock(Clock *c);

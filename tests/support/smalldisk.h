#pragma once

#include <QString>
#include <QTemporaryDir>

// A tiny file system (tmpfs) of a given size, for tests of what happens when
// the disk fills up.  Mounting needs root: when it cannot be done, isMounted()
// is false and whyNot() says why (tests then skip with that message).
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    QString path(const QString &name = QString()) const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_whyNot;
};

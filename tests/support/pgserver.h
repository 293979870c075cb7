#pragma once

#include <QString>
#include <QStringList>
#include <memory>

// A PostgreSQL server of the tests' own: made and started on first use in a
// private temporary folder, on a free port of the loopback interface, as an
// unprivileged user (the tests may run as root, whom the server refuses), and
// stopped when the test program ends.  Every database it makes is new and
// empty.  Where PostgreSQL or Qt's driver for it is not installed, it is
// not available and says why, and the tests that need it skip.
class PgServer
{
public:
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // The server of this test program (started on the first call).
    static PgServer &instance();

    bool available() const { return m_available; }
    QString whyNot() const { return m_whyNot; }
    int port() const { return m_port; }

    // The superuser the tests work as, and a user who must give a password
    // (pgpassUser(), its password pgpassPassword()).
    static QString superuser() { return QStringLiteral("vospan"); }
    static QString pgpassUser() { return QStringLiteral("editor_pw"); }
    static QString pgpassPassword() { return QStringLiteral("s3cret pass"); }

    // A new empty database; its address as the superuser.
    QString createDatabase();
    // The address of a database for a user (the superuser when empty).
    QString address(const QString &database, const QString &user = {}) const;
    // Runs statements as the superuser on a database (roles, grants, ending
    // another connection).  Throws DbError.
    void admin(const QString &database, const QStringList &statements) const;
    // The database name of an address made by createDatabase().
    static QString databaseOf(const QString &address);

    // Makes a login role with the given name (trusted, no password).
    void createRole(const QString &name) const;

private:
    PgServer();
    bool start();
    bool run(const QStringList &argv, QString *output = nullptr) const;

    struct Folder;
    std::unique_ptr<Folder> m_folder;
    QString m_bin;
    QString m_data;
    QString m_log;
    int m_port = 0;
    int m_databases = 0;
    bool m_available = false;
    bool m_started = false;
    bool m_asNobody = false;
    QString m_whyNot;
};

// Skips the running test when there is no server to test against.
#define SKIP_WITHOUT_SERVER()                                                                                          \
    do {                                                                                                               \
        if (!PgServer::instance().available())                                                                         \
            QSKIP(qPrintable(PgServer::instance().whyNot()));                                                          \
    } while (false)

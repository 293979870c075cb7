#include "support/pgserver.h"

#include "data/cConnessione.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QUrl>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

struct PgServer::Folder
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/vospan-pg-XXXXXX")};
};

namespace {

// The newest installed server's programs (VOSPAN_PG_BINDIR first).
QString serverBinaries()
{
    const QString chosen = qEnvironmentVariable("VOSPAN_PG_BINDIR");
    if (!chosen.isEmpty())
        return QFile::exists(chosen + QStringLiteral("/initdb")) ? chosen : QString();
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), [&numeric](const QString &a, const QString &b) {
        return numeric.compare(a, b) > 0;
    });
    for (const QString &v : versions) {
        const QString bin = root.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

// A port of the loopback interface that nothing listens on now.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t length = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

} // namespace

PgServer &PgServer::instance()
{
    static PgServer server;
    return server;
}

PgServer::PgServer()
    : m_folder(std::make_unique<Folder>())
{
    m_available = start();
    if (!m_available)
        qWarning("%s", qPrintable(m_whyNot));
}

PgServer::~PgServer()
{
    if (m_started)
        run({m_bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_data, QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}

bool PgServer::run(const QStringList &argv, QString *output) const
{
    QStringList all = argv;
    // The server refuses to run as root: its programs run as nobody then.
    if (m_asNobody)
        all = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")}
              + argv;
    std::vector<QByteArray> bytes;
    for (const QString &a : all)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> args;
    for (QByteArray &b : bytes)
        args.push_back(b.data());
    args.push_back(nullptr);
    const QByteArray out = QFile::encodeName(m_folder->dir.filePath(QStringLiteral("command.out")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args.front(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    const bool ok = spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (output) {
        QFile f(QFile::decodeName(out));
        *output = f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
        if (spawned != 0)
            *output += QStringLiteral("cannot start %1").arg(all.first());
    }
    return ok;
}

bool PgServer::start()
{
    m_bin = serverBinaries();
    if (m_bin.isEmpty()) {
        m_whyNot = QStringLiteral("PostgreSQL is not installed (Debian package postgresql): the tests of server "
                                  "databases are skipped.");
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        m_whyNot = QStringLiteral("Qt's PostgreSQL driver is not installed (Debian package libqt6sql6-psql): the "
                                  "tests of server databases are skipped.");
        return false;
    }
    if (!m_folder->dir.isValid()) {
        m_whyNot = QStringLiteral("No temporary folder for the test server.");
        return false;
    }
    // Others may go through the folder (the server's user), not write in it.
    QFile::setPermissions(m_folder->dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                    | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                    | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                                    | QFileDevice::ExeGroup);
    m_data = m_folder->dir.filePath(QStringLiteral("data"));
    QDir().mkpath(m_data);
    m_asNobody = geteuid() == 0;
    if (m_asNobody) {
        const passwd *nobody = getpwnam("nobody");
        if (!nobody || ::chown(QFile::encodeName(m_data).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            m_whyNot = QStringLiteral("The test server's folder cannot be given to the user nobody.");
            return false;
        }
    }
    ::chmod(QFile::encodeName(m_data).constData(), 0700);
    QString out;
    if (!run({m_bin + QStringLiteral("/initdb"), QStringLiteral("-D"), m_data, QStringLiteral("-U"), superuser(),
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")},
             &out)) {
        m_whyNot = QStringLiteral("initdb failed: ") + out;
        return false;
    }
    // One user must give a password (from the password file), everybody
    // else is trusted on the loopback interface.
    {
        QFile hba(m_data + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::ReadOnly)) {
            m_whyNot = QStringLiteral("The test server's pg_hba.conf cannot be read.");
            return false;
        }
        const QByteArray rest = hba.readAll();
        hba.close();
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_whyNot = QStringLiteral("The test server's pg_hba.conf cannot be written.");
            return false;
        }
        hba.write("host all " + pgpassUser().toUtf8() + " 127.0.0.1/32 scram-sha-256\n" + rest);
    }
    m_log = m_data + QStringLiteral("/server.log");
    for (int attempt = 0; attempt < 5 && !m_started; ++attempt) {
        m_port = freePort();
        const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off "
                                               "-c synchronous_commit=off -c full_page_writes=off "
                                               "-c max_connections=60")
                                    .arg(m_port)
                                    .arg(m_data);
        m_started = run({m_bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_data, QStringLiteral("-l"), m_log,
                         QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                         options, QStringLiteral("start")},
                        &out);
    }
    if (!m_started) {
        QFile log(m_log);
        m_whyNot = QStringLiteral("The test server did not start: ") + out
                   + (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
        return false;
    }
    try {
        admin(QStringLiteral("postgres"),
              {QStringLiteral("create role %1 login password '%2'").arg(pgpassUser(), pgpassPassword())});
    } catch (const DbError &e) {
        m_whyNot = QStringLiteral("The test server does not answer: ") + e.description();
        return false;
    }
    return true;
}

QString PgServer::address(const QString &database, const QString &user) const
{
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
        .arg(user.isEmpty() ? superuser() : user)
        .arg(m_port)
        .arg(database);
}

QString PgServer::databaseOf(const QString &address)
{
    return QUrl(address).path().mid(1);
}

void PgServer::admin(const QString &database, const QStringList &statements) const
{
    cConnessione c;
    if (!c.ApriConnessione(address(database)))
        throw DbError(1, c.lastOpenError());
    for (const QString &sql : statements)
        c.EseguiIstruzione(sql);
    c.ChiudiConnessione();
}

QString PgServer::createDatabase()
{
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("test_%1_%2").arg(getpid()).arg(++counter);
    admin(QStringLiteral("postgres"), {QStringLiteral("create database ") + name});
    ++m_databases;
    return address(name);
}

void PgServer::createRole(const QString &name) const
{
    admin(QStringLiteral("postgres"), {QStringLiteral("create role %1 login").arg(name)});
}

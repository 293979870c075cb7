#include "data/cConnessione.h"

#include "base/logging.h"
#include "data/changelog.h"
#include "data/schema.h"
#include "data/searchindex.h"
#include "data/sqlitefunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUuid>
#include <atomic>
#include <sqlite3.h>

namespace {

const QString kSource = QStringLiteral("Data Source=");
const QString kTail = QStringLiteral(";Persist Security Info=False");

QString closedText()
{
    return QStringLiteral("Operation is not allowed when the object is closed.");
}

// How long statements wait for a database another connection is writing.
std::atomic<int> g_busyTimeoutMs{5000};

int nativeNumber(const QSqlError &e)
{
    bool ok = false;
    const int n = e.nativeErrorCode().toInt(&ok);
    return ok ? n : 1;
}

const QString kSqlite = QStringLiteral("QSQLITE");
const QString kPostgres = QStringLiteral("QPSQL");
const QString kReadMode = QStringLiteral("Mode=Read;");

// A server's message without the "ERROR:  " its client library puts first.
QString serverText(QString text)
{
    text = text.trimmed();
    for (const char *prefix : {"ERROR:", "FATAL:"})
        if (text.startsWith(QLatin1String(prefix)))
            text = text.mid(qstrlen(prefix)).trimmed();
    return text;
}

bool isPostgres(const QSqlQuery &query)
{
    return query.driver() && query.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

// States that may mean the connection itself is gone rather than the
// statement refused: no state at all, a connection exception, the server
// shutting down or ending the session.
bool mayBeLostConnection(const DbError &e)
{
    const QString s = e.sqlState();
    return s.isEmpty() || s.startsWith(QLatin1String("08")) || s.startsWith(QLatin1String("57P"));
}

} // namespace

// ---------------------------------------------------------------- RecordSet

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet &&) noexcept = default;
RecordSet &RecordSet::operator=(RecordSet &&) noexcept = default;

bool RecordSet::isEOF() const
{
    return !m_query || m_atEnd;
}

int RecordSet::columnIndex(const QString &column) const
{
    if (!m_query)
        return -1;
    return m_query->record().indexOf(column);
}

int RecordSet::columnCount() const
{
    return m_query ? m_query->record().count() : 0;
}

QString RecordSet::columnName(int column) const
{
    return m_query ? m_query->record().fieldName(column) : QString();
}

QVariant RecordSet::value(const QString &column) const
{
    if (!m_query)
        throw DbError(DbError::NotOpen, closedText());
    const int i = m_query->record().indexOf(column);
    if (i < 0)
        throw DbError(3265, QStringLiteral("Item cannot be found in the collection corresponding to the "
                                           "requested name or ordinal: %1").arg(column));
    return value(i);
}

QVariant RecordSet::value(int column) const
{
    if (!m_query)
        throw DbError(DbError::NotOpen, closedText());
    if (m_atEnd)
        throw DbError(DbError::NoCurrentRecord,
                      QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    return m_query->value(column);
}

void RecordSet::MoveNext()
{
    if (!m_query)
        throw DbError(DbError::NotOpen, closedText());
    if (m_atEnd)
        throw DbError(DbError::NoCurrentRecord,
                      QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    m_atEnd = !m_query->next();
    if (m_atEnd && m_query->lastError().isValid())
        throw DbError(nativeNumber(m_query->lastError()), m_query->lastError().databaseText());
}

// ------------------------------------------------------------- cConnessione

cConnessione::cConnessione()
{
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("vospan-connection-%1").arg(++counter);
    m_session = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_sessionUtf8 = m_session.toUtf8();
}

cConnessione::~cConnessione()
{
    if (m_added) {
        ChiudiConnessione();
        QSqlDatabase::removeDatabase(m_name);
    }
}

QString cConnessione::dataSourcePath(const QString &connectionString)
{
    const int at = connectionString.indexOf(kSource, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const int start = at + kSource.size();
    QString rest = connectionString.mid(start);
    if (rest.endsWith(kTail, Qt::CaseInsensitive))
        return rest.left(rest.size() - kTail.size());
    const int semi = rest.indexOf(QLatin1Char(';'));
    return semi < 0 ? rest : rest.left(semi);
}

QString cConnessione::connectionStringFor(const QString &path)
{
    return QStringLiteral("Provider= Microsoft.Jet.OLEDB.4.0;Data Source=") + path + kTail;
}

QString cConnessione::connectionStringOf(const QString &fileOrAddress, bool readOnly)
{
    if (ServerAddress::isAddress(fileOrAddress))
        return (readOnly ? kReadMode : QString()) + fileOrAddress.trimmed();
    QString cs = connectionStringFor(QFileInfo(fileOrAddress).absoluteFilePath());
    if (readOnly)
        cs.replace(QStringLiteral(";Data Source="), QStringLiteral(";Mode=Read;Data Source="));
    return cs;
}

cConnessione::FileKind cConnessione::probeFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return FileKind::Missing;
    if (!info.isFile())
        return FileKind::NotAFile;
    if (info.size() == 0)
        return FileKind::Empty;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileKind::Unknown;
    const QByteArray head = f.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::SQLite;
    const QByteArray jet = head.mid(4, 15);
    if (jet == QByteArrayLiteral("Standard Jet DB") || jet == QByteArrayLiteral("Standard ACE DB"))
        return FileKind::Jet;
    return FileKind::Unknown;
}

bool cConnessione::isOpen() const
{
    if (!m_added)
        return false;
    // A server connection that broke is still the program's open database:
    // the next statement connects again.
    if (m_engine == Engine::PostgreSQL)
        return m_serverOpen;
    return QSqlDatabase::database(m_name, false).isOpen();
}

QString cConnessione::describe() const
{
    if (m_server)
        return m_server->describe();
    return QFileInfo(m_path).fileName();
}

sqlite3 *cConnessione::handle() const
{
    if (!isOpen() || m_engine != Engine::SQLite)
        return nullptr;
    const QVariant v = QSqlDatabase::database(m_name, false).driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

bool cConnessione::ApriConnessione(const QString &D_Source)
{
    m_lastOpenError.clear();
    if (isOpen()) {
        m_lastOpenError = QStringLiteral("The connection is already open.");
        return false;
    }
    m_connectionString = D_Source;
    // "Mode=Read" in the connection string asks for read-only access.
    m_askedReadOnly = D_Source.contains(kReadMode, Qt::CaseInsensitive)
                      || D_Source.endsWith(QStringLiteral("Mode=Read"), Qt::CaseInsensitive);
    QString address = D_Source.trimmed();
    if (address.startsWith(kReadMode, Qt::CaseInsensitive))
        address = address.mid(kReadMode.size());
    if (ServerAddress::isAddress(address))
        return openServer(address);
    return openFile(D_Source);
}

bool cConnessione::addDriver(const QString &driver)
{
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        m_lastOpenError = driver == kPostgres
                              ? QStringLiteral("The PostgreSQL driver of Qt is not installed (on Debian 12: the "
                                               "package libqt6sql6-psql).")
                              : QStringLiteral("The %1 driver of Qt is not installed.").arg(driver);
        return false;
    }
    if (m_added && m_driver != driver) {
        QSqlDatabase::removeDatabase(m_name);
        m_added = false;
    }
    if (!m_added) {
        QSqlDatabase::addDatabase(driver, m_name);
        m_added = true;
        m_driver = driver;
    }
    return true;
}

bool cConnessione::openFile(const QString &D_Source)
{
    const QString path = dataSourcePath(D_Source);

    switch (probeFile(path)) {
    case FileKind::Missing:
        m_lastOpenError = QStringLiteral("The file does not exist.");
        return false;
    case FileKind::NotAFile:
        m_lastOpenError = QStringLiteral("The path is not a file.");
        return false;
    case FileKind::Empty:
        m_lastOpenError = QStringLiteral("The file is empty.");
        return false;
    case FileKind::Jet:
        m_lastOpenError = QStringLiteral("The file is an Access (Jet) database, not a database of this program.");
        return false;
    case FileKind::Unknown:
        m_lastOpenError = QStringLiteral("The file is not a database of this program.");
        return false;
    case FileKind::SQLite:
        break;
    }

    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    // A file or folder the user may not write is read-only anyway.
    const bool readOnly = m_askedReadOnly || !info.isWritable() || !folder.isWritable();

    if (!addDriver(kSqlite))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    db.setDatabaseName(info.absoluteFilePath());
    // The driver sets the wait on the connection itself, so it holds for every
    // statement, "begin immediate" and commit included.
    const QString wait = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout());
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;") + wait : wait);
    if (!db.open()) {
        m_lastOpenError = db.lastError().text();
        return false;
    }
    m_engine = Engine::SQLite;
    m_server.reset();
    m_path = info.absoluteFilePath();
    m_readOnly = readOnly;

    // A damaged or encrypted file passes the header test but fails here.
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            m_lastOpenError = probe.lastError().text();
            probe = QSqlQuery();
            db.close();
            return false;
        }
    }

    SqliteFunctions::install(handle());
    SqliteFunctions::installChangeLogFunctions(handle(), &m_sessionUtf8);
    return finishOpening();
}

bool cConnessione::openServer(const QString &address)
{
    QString why;
    std::optional<ServerAddress> a = ServerAddress::parse(address, &why);
    if (!a) {
        m_lastOpenError = why;
        return false;
    }
    if (!addDriver(kPostgres))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    db.setHostName(a->host);
    db.setPort(a->port > 0 ? a->port : -1);
    db.setDatabaseName(a->database);
    db.setUserName(a->user);
    // Empty unless typed into the address: the client library then reads the
    // password file or PGPASSWORD itself.  Kept only for this connection.
    db.setPassword(a->password);
    QString options = a->driverOptions();
    // A server that does not answer is given up after a while instead of
    // holding the program.
    if (!options.contains(QLatin1String("connect_timeout=")))
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) + QStringLiteral("connect_timeout=10");
    db.setConnectOptions(options);
    if (!db.open()) {
        m_lastOpenError = serverText(db.lastError().databaseText().isEmpty() ? db.lastError().text()
                                                                             : db.lastError().databaseText());
        return false;
    }
    a->password.clear();
    m_engine = Engine::PostgreSQL;
    m_serverOpen = true;
    m_server = a;
    m_path = a->uri();
    m_lost = false;
    m_transaction = false;
    m_channels.clear();
    if (!setUpServerSession()) {
        db.close();
        m_serverOpen = false;
        return false;
    }
    if (!finishOpening()) {
        m_serverOpen = false;
        return false;
    }
    return true;
}

bool cConnessione::setUpServerSession()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery q(db);
    const auto run = [&q](const QString &sql, const QVariantList &params = {}) {
        if (!q.prepare(sql))
            return false;
        for (int i = 0; i < params.size(); ++i)
            q.bindValue(i, params.at(i));
        return q.exec();
    };
    const bool set =
        run(QStringLiteral("select set_config('application_name', 'vospan', false)"))
        // The server's notices ("... does not exist, skipping") are not the user's concern.
        && run(QStringLiteral("select set_config('client_min_messages', 'warning', false)"))
        // A lock another editor holds is waited for as long as a file's.
        && run(QStringLiteral("select set_config('lock_timeout', ?, false)"), {QStringLiteral("%1ms").arg(busyTimeout())})
        // The change log's triggers sign with it.
        && run(QStringLiteral("select set_config('vospan.session', ?, false)"), {m_session})
        // A standby server answers but takes no changes.
        && run(QStringLiteral("select pg_is_in_recovery()")) && q.next();
    const bool standby = set && q.value(0).toBool();
    m_readOnly = m_askedReadOnly || standby;
    if (set && m_readOnly && run(QStringLiteral("select set_config('default_transaction_read_only', 'on', false)")))
        return true;
    if (set && !m_readOnly)
        return true;
    m_lastOpenError = serverText(q.lastError().databaseText());
    return false;
}

bool cConnessione::finishOpening()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    try {
        if (isServer() && !m_readOnly && hasTable(QStringLiteral("mappingrelations"))
            && !scalar(QStringLiteral("select has_table_privilege('mappingrelations', 'INSERT')")).toBool())
            m_readOnly = true; // an editor the server lets read only
        Schema::ensureViews(*this);
        ChangeLog::prepare(*this);
    } catch (const DbError &e) {
        m_lastOpenError = e.description();
        db.close();
        return false;
    }
    qCInfo(lcDb).noquote() << "opened" << m_path << (m_readOnly ? "read-only" : "for writing");
    return true;
}

bool cConnessione::ChiudiConnessione()
{
    if (!isOpen()) {
        SearchIndex::forget(*this);
        return false;
    }
    qCInfo(lcDb).noquote() << "closed" << m_path;
    QSqlDatabase::database(m_name, false).close();
    m_serverOpen = false;
    // The search index built for this file is of no use any more.
    SearchIndex::forget(*this);
    m_readOnly = false;
    m_lost = false;
    m_transaction = false;
    m_channels.clear();
    return true;
}

void cConnessione::ensureOpen()
{
    if (!isOpen())
        throw DbError(DbError::NotOpen, closedText());
    if (!isServer())
        return;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    // The driver closes a connection it found broken.
    if (!db.isOpen())
        m_lost = true;
    if (!m_lost || m_transaction)
        return;
    // The server connection broke since the last statement: connect again,
    // as the same user with the same settings, before going on.
    db.close();
    if (!db.open() || !setUpServerSession()) {
        const QString why = db.isOpen() ? m_lastOpenError : serverText(db.lastError().text());
        db.close();
        throw DbError(DbError::ConnectionLost,
                      QStringLiteral("The connection to the server database %1 was lost and cannot be made again: "
                                     "%2")
                          .arg(m_path, why));
    }
    m_lost = false;
    for (const QString &channel : std::as_const(m_channels))
        db.driver()->subscribeToNotification(channel);
    qCInfo(lcDb).noquote() << "connected again to" << m_path;
}

void cConnessione::ensureWritable() const
{
    if (m_readOnly)
        throw DbError(DbError::ReadOnly,
                      QStringLiteral("The database %1 is read-only: nothing can be saved to it.").arg(m_path));
}

DbError cConnessione::errorOf(const QSqlQuery &query)
{
    const QSqlError e = query.lastError();
    QString text = e.databaseText();
    if (text.isEmpty())
        text = e.text();
    qCInfo(lcDb).noquote() << "statement failed, error" << e.nativeErrorCode() << text << "in:" << query.lastQuery();
    if (isPostgres(query))
        return DbError(nativeNumber(e), serverText(text), e.nativeErrorCode());
    return DbError(nativeNumber(e), text);
}

DbError cConnessione::failure(const DbError &error)
{
    if (!isServer() || !mayBeLostConnection(error))
        return lockAware(error);
    // Ask the server something harmless: when that fails too, the connection
    // itself is gone.
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery probe(db);
    if (db.isOpen() && probe.exec(QStringLiteral("select 1")))
        return lockAware(error);
    m_lost = true;
    qCInfo(lcDb).noquote() << "lost the connection to" << m_path << ":" << error.description();
    return DbError(DbError::ConnectionLost,
                   QStringLiteral("The connection to the server database %1 was lost (%2). What this command was "
                                  "doing may not have been stored; the program connects again at the next command.")
                       .arg(m_path, error.description().isEmpty() ? QStringLiteral("no answer") : error.description()),
                   QStringLiteral("08006"));
}

void cConnessione::setBusyTimeout(int milliseconds)
{
    g_busyTimeoutMs = qMax(0, milliseconds);
}

int cConnessione::busyTimeout()
{
    return g_busyTimeoutMs;
}

bool cConnessione::isLocked(const DbError &error)
{
    if (!error.sqlState().isEmpty()) // a server: lock_not_available, deadlock_detected
        return error.sqlState() == QLatin1String("55P03") || error.sqlState() == QLatin1String("40P01");
    return error.number() == SQLITE_BUSY || error.number() == SQLITE_LOCKED;
}

DbError cConnessione::lockAware(const DbError &error) const
{
    if (!isLocked(error))
        return error;
    const QString name = isServer() ? m_path : QDir::toNativeSeparators(m_path);
    const QString who = isServer() ? QStringLiteral("another editor (or another window of this program) is changing "
                                                    "the same relations")
                                   : QStringLiteral("another program (or another window of this one) is writing to it");
    return DbError(error.number(),
                   QStringLiteral("The database %1 is in use: %2, and it stayed locked (this program waits up to %3 "
                                  "seconds for it). Try again when that work has finished.")
                       .arg(name, who, QString::number(busyTimeout() / 1000.0)),
                   error.sqlState());
}

bool cConnessione::isPreparable(const QString &vSQL)
{
    static const QRegularExpression first(QStringLiteral("^\\s*\\(*\\s*(\\w+)"));
    const QString word = first.match(vSQL).captured(1).toLower();
    return word == QLatin1String("select") || word == QLatin1String("insert") || word == QLatin1String("update")
           || word == QLatin1String("delete") || word == QLatin1String("with") || word == QLatin1String("values");
}

QString cConnessione::adapt(const QString &vSQL) const
{
    if (m_engine == Engine::SQLite)
        return vSQL;
    static const QRegularExpression nocase(QStringLiteral("\\bcollate\\s+nocase\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression createTable(QStringLiteral("^\\s*create\\s+(temp\\s+|temporary\\s+)?table\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression integer(QStringLiteral("\\binteger\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression real(QStringLiteral("\\breal\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression blob(QStringLiteral("\\bblob\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression rowid(QStringLiteral("\\binteger\\s+primary\\s+key\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString sql = vSQL;
    sql.replace(nocase, QStringLiteral("collate vospan_nocase"));
    if (createTable.match(sql).hasMatch()) {
        // A file numbers the rows inserted without an id itself; a server
        // does it with an identity (which copies of rows move on).
        sql.replace(rowid, QStringLiteral("bigint generated by default as identity primary key"));
        // SQLite's integers are 64 bits and its reals double precision.
        sql.replace(integer, QStringLiteral("bigint"));
        sql.replace(real, QStringLiteral("double precision"));
        sql.replace(blob, QStringLiteral("bytea"));
    }
    return sql;
}

QSqlQuery cConnessione::prepare(const QString &vSQL)
{
    ensureOpen();
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!q.prepare(adapt(vSQL)))
        throw failure(errorOf(q));
    return q;
}

void cConnessione::exec(QSqlQuery &query, const QVariantList &params)
{
    ensureOpen();
    for (int i = 0; i < params.size(); ++i)
        query.bindValue(i, params.at(i));
    if (!query.exec())
        throw failure(errorOf(query));
}

bool cConnessione::ApriRS(const QString &vSQL, RecordSet &RS, const QVariantList &params)
{
    for (int attempt = 1;; ++attempt) {
        try {
            auto q = std::make_unique<QSqlQuery>(prepare(vSQL));
            exec(*q, params);
            RS.m_atEnd = !q->next();
            if (RS.m_atEnd && q->lastError().isValid())
                throw failure(errorOf(*q));
            RS.m_query = std::move(q);
            return true;
        } catch (const DbError &e) {
            // A query outside a transaction changes nothing: after a lost
            // server connection it is asked once more on a new one.
            if (e.number() != DbError::ConnectionLost || m_transaction || attempt > 1)
                throw;
        }
    }
}

void cConnessione::ChiudiRS(RecordSet &RS)
{
    if (!RS.m_query)
        throw DbError(DbError::NotOpen, closedText());
    RS.m_query->finish();
    RS.m_query.reset();
    RS.m_atEnd = true;
}

int cConnessione::EseguiIstruzione(const QString &vSQL, const QString &vOptions, const QVariantList &params)
{
    Q_UNUSED(vOptions); // "128" (no records returned) is the only option ever used
    ensureOpen();
    ensureWritable();
    if (isServer() && !isPreparable(vSQL)) {
        // A server prepares only queries and changes of rows: definitions,
        // locks and savepoints are sent as they are (they take no values).
        if (!params.isEmpty())
            throw DbError(1, QStringLiteral("A statement of this kind takes no values: %1").arg(vSQL.left(60)));
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(adapt(vSQL)))
            throw failure(errorOf(q));
        return q.numRowsAffected();
    }
    QSqlQuery q = prepare(vSQL);
    exec(q, params);
    const int affected = q.numRowsAffected();
    q.finish();
    return affected;
}

QVariant cConnessione::scalar(const QString &vSQL, const QVariantList &params)
{
    RecordSet rs;
    ApriRS(vSQL, rs, params);
    const QVariant v = rs.isEOF() ? QVariant() : rs.value(0);
    ChiudiRS(rs);
    return v;
}

void cConnessione::beginTransaction(Lock lock)
{
    ensureOpen();
    ensureWritable();
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (lock == Lock::Immediate && !isServer()) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("begin immediate")))
            throw lockAware(errorOf(q));
        m_transaction = true;
        return;
    }
    if (!db.transaction()) {
        const QSqlError e = db.lastError();
        throw failure(DbError(nativeNumber(e), serverText(e.text()), isServer() ? e.nativeErrorCode() : QString()));
    }
    m_transaction = true;
    if (lock != Lock::Immediate || !hasTable(QStringLiteral("mappingrelations")))
        return;
    // A server has no lock on the whole database: the lock on the relations
    // stands for it.  It lets everybody read, and makes the writers that take
    // it (and any statement that would change a relation) wait their turn.
    try {
        EseguiIstruzione(QStringLiteral("lock table mappingrelations in share row exclusive mode"));
    } catch (const DbError &) {
        rollback();
        throw;
    }
}

void cConnessione::commit()
{
    ensureOpen();
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    // A failed commit ends the transaction as well: the engine undoes it.
    m_transaction = false;
    if (!db.commit()) {
        const QSqlError e = db.lastError();
        throw failure(DbError(nativeNumber(e), serverText(e.text()), isServer() ? e.nativeErrorCode() : QString()));
    }
}

void cConnessione::rollback()
{
    const bool lost = m_lost;
    m_transaction = false;
    // A lost server connection took its transaction with it.
    if (!isOpen() || lost)
        return;
    if (!QSqlDatabase::database(m_name, false).rollback())
        qCInfo(lcDb) << "rollback failed on" << m_path;
}

cConnessione::Transaction::Transaction(cConnessione &connection, Lock lock)
    : m_connection(connection)
{
    m_connection.beginTransaction(lock);
}

cConnessione::Transaction::~Transaction()
{
    if (m_committed || !m_connection.isOpen())
        return;
    qCInfo(lcDb) << "rolling back an unfinished transaction on" << m_connection.databasePath();
    m_connection.rollback();
}

void cConnessione::Transaction::commit()
{
    m_connection.commit();
    m_committed = true;
}

QString cConnessione::exactText(const QString &column) const
{
    if (isServer())
        return QStringLiteral("convert_to(%1, 'UTF8')").arg(column);
    return QStringLiteral("cast(%1 as blob)").arg(column);
}

bool cConnessione::hasTable(const QString &name)
{
    if (isServer())
        return scalar(QStringLiteral("select count(*) from pg_catalog.pg_class c "
                                     "join pg_catalog.pg_namespace n on n.oid = c.relnamespace "
                                     "where c.relkind in ('r', 'v', 'm', 'p', 'f') "
                                     "and n.nspname = any (current_schemas(false)) and lower(c.relname) = lower(?)"),
                      {name})
                   .toInt()
               > 0;
    return scalar(QStringLiteral("select count(*) from (select type, name from sqlite_master union all "
                                 "select type, name from sqlite_temp_master) "
                                 "where type in ('table', 'view') and lower(name) = lower(?)"),
                  {name})
               .toInt()
           > 0;
}

QStringList cConnessione::tables()
{
    const QString sql = isServer() ? QStringLiteral("select table_name from information_schema.tables "
                                                    "where table_schema = current_schema() and table_type = 'BASE TABLE' "
                                                    "order by table_name")
                                   : QStringLiteral("select name from sqlite_master where type = 'table' "
                                                    "and name not like 'sqlite\\_%' escape '\\' order by name");
    QStringList names;
    RecordSet rs;
    ApriRS(sql, rs);
    for (; !rs.isEOF(); rs.MoveNext())
        names << rs.value(0).toString();
    ChiudiRS(rs);
    return names;
}

QString cConnessione::containsWord(Engine engine, const QString &column)
{
    if (engine == Engine::SQLite)
        return column + QStringLiteral(" Like '%' || ? || '%'");
    // Both sides folded by the same function, which the trigram index of the
    // column is made of; "C" because a case-blind column cannot be matched
    // with LIKE as it stands, and no escape character, as in the file.
    return QStringLiteral("(vospan_fold(%1) collate \"C\") like ('%' || vospan_fold(?) || '%') escape ''").arg(column);
}

QMetaObject::Connection cConnessione::listen(const QString &channel, QObject *context,
                                            const std::function<void()> &callback)
{
    if (!isServer() || !isOpen())
        return {};
    QSqlDriver *driver = QSqlDatabase::database(m_name, false).driver();
    if (!driver->subscribedToNotifications().contains(channel) && !driver->subscribeToNotification(channel))
        return {};
    if (!m_channels.contains(channel))
        m_channels << channel;
    return QObject::connect(driver, &QSqlDriver::notification, context,
                     [channel, callback](const QString &name, QSqlDriver::NotificationSource source, const QVariant &) {
                         if (name == channel && source != QSqlDriver::SelfSource)
                             callback();
                     });
}

void cConnessione::createDatabaseFile(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DbError(3204, QStringLiteral("The file %1 already exists.").arg(path));
    sqlite3 *db = nullptr;
    const QByteArray name = QFile::encodeName(path);
    int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) // an empty file is not yet a database: write its header
        rc = sqlite3_exec(db, "pragma user_version = 0; create table vospan_new (x); drop table vospan_new;",
                          nullptr, nullptr, nullptr);
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        QFile::remove(path);
        throw DbError(rc, QStringLiteral("Cannot create the database %1: %2").arg(path, message));
    }
}

#include "data/cConnessione.h"

#include "base/logging.h"
#include "data/schema.h"
#include "data/searchindex.h"
#include "data/sqlitefunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
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
    return m_added && QSqlDatabase::database(m_name, false).isOpen();
}

sqlite3 *cConnessione::handle() const
{
    if (!isOpen())
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
    // "Mode=Read" in the connection string asks for read-only access; a file or
    // folder the user may not write is read-only anyway.
    const bool askedReadOnly = D_Source.contains(QStringLiteral("Mode=Read;"), Qt::CaseInsensitive)
                               || D_Source.endsWith(QStringLiteral("Mode=Read"), Qt::CaseInsensitive);
    const bool readOnly = askedReadOnly || !info.isWritable() || !folder.isWritable();

    if (!m_added) {
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_added = true;
    }
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
    try {
        Schema::ensureViews(*this);
    } catch (const DbError &e) {
        m_lastOpenError = e.description();
        db.close();
        return false;
    }
    qCInfo(lcDb).noquote() << "opened" << m_path << (readOnly ? "read-only" : "for writing");
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
    // The search index built for this file is of no use any more.
    SearchIndex::forget(*this);
    m_readOnly = false;
    return true;
}

void cConnessione::ensureOpen() const
{
    if (!isOpen())
        throw DbError(DbError::NotOpen, closedText());
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
    qCInfo(lcDb).noquote() << "statement failed, error" << nativeNumber(e) << text << "in:" << query.lastQuery();
    return DbError(nativeNumber(e), text);
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
    return error.number() == SQLITE_BUSY || error.number() == SQLITE_LOCKED;
}

DbError cConnessione::lockAware(const DbError &error) const
{
    if (!isLocked(error))
        return error;
    return DbError(error.number(),
                   QStringLiteral("The database %1 is in use: another program (or another window of this one) is "
                                  "writing to it, and it stayed locked (this program waits up to %2 seconds for it). "
                                  "Try again when that work has finished.")
                       .arg(QDir::toNativeSeparators(m_path), QString::number(busyTimeout() / 1000.0)));
}

QSqlQuery cConnessione::prepare(const QString &vSQL)
{
    ensureOpen();
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!q.prepare(vSQL))
        throw lockAware(errorOf(q));
    return q;
}

void cConnessione::exec(QSqlQuery &query, const QVariantList &params)
{
    ensureOpen();
    for (int i = 0; i < params.size(); ++i)
        query.bindValue(i, params.at(i));
    if (!query.exec())
        throw lockAware(errorOf(query));
}

bool cConnessione::ApriRS(const QString &vSQL, RecordSet &RS, const QVariantList &params)
{
    auto q = std::make_unique<QSqlQuery>(prepare(vSQL));
    exec(*q, params);
    RS.m_atEnd = !q->next();
    if (RS.m_atEnd && q->lastError().isValid())
        throw lockAware(errorOf(*q));
    RS.m_query = std::move(q);
    return true;
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
    if (lock == Lock::Immediate) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("begin immediate")))
            throw lockAware(errorOf(q));
        return;
    }
    if (!db.transaction())
        throw lockAware(DbError(nativeNumber(db.lastError()), db.lastError().text()));
}

void cConnessione::commit()
{
    ensureOpen();
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.commit())
        throw lockAware(DbError(nativeNumber(db.lastError()), db.lastError().text()));
}

void cConnessione::rollback()
{
    ensureOpen();
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
    return QStringLiteral("cast(%1 as blob)").arg(column);
}

bool cConnessione::hasTable(const QString &name)
{
    return scalar(QStringLiteral("select count(*) from (select type, name from sqlite_master union all "
                                 "select type, name from sqlite_temp_master) "
                                 "where type in ('table', 'view') and lower(name) = lower(?)"),
                  {name})
               .toInt()
           > 0;
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

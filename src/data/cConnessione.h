#pragma once

#include "base/DbError.h"
#include "data/serveraddress.h"

#include <QObject>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>

struct sqlite3;
class cConnessione;

// A forward-only, read-only result set.  The routine that opens it owns it;
// cConnessione::ApriRS fills it and cConnessione::ChiudiRS empties it.
class RecordSet
{
public:
    RecordSet();
    ~RecordSet();
    RecordSet(RecordSet &&) noexcept;
    RecordSet &operator=(RecordSet &&) noexcept;
    RecordSet(const RecordSet &) = delete;
    RecordSet &operator=(const RecordSet &) = delete;

    bool isOpen() const { return m_query != nullptr; }
    // True when there is no current row (an empty result, or past the last row).
    bool isEOF() const;
    // Value of a column of the current row, addressed by name without regard to
    // case.  Null columns give a null QVariant.  Throws DbError on an unknown
    // column or when there is no current row.
    QVariant value(const QString &column) const;
    QVariant value(int column) const;
    // Index of a column by name (case ignored), -1 when there is none.
    int columnIndex(const QString &column) const;
    int columnCount() const;
    QString columnName(int column) const;
    void MoveNext();

private:
    friend class cConnessione;
    std::unique_ptr<QSqlQuery> m_query;
    bool m_atEnd = true;
};

// The one gateway to a thesaurus database.  Opens an SQLite file named by a
// connection string "...;Data Source=<path>;...", or a database on a
// PostgreSQL server named by its address "postgresql://user@host:port/name"
// (see ServerAddress), runs queries into result sets and statements without
// results.  User text is always passed as bound parameters (positional "?"
// placeholders), never spliced into SQL.  The rest of the program writes one
// SQL for both engines; what differs between them is kept here and in the
// schema.
class cConnessione
{
public:
    enum class Engine { SQLite, PostgreSQL };

    cConnessione();
    ~cConnessione();
    cConnessione(const cConnessione &) = delete;
    cConnessione &operator=(const cConnessione &) = delete;

    // Opens the database named in D_Source: a file's connection string, or a
    // server address (read-only when it follows "Mode=Read;").  False on any
    // failure, never shows anything; lastOpenError() says why.
    bool ApriConnessione(const QString &D_Source);
    // Opens RS on a query.  Throws DbError when the query cannot run.
    bool ApriRS(const QString &vSQL, RecordSet &RS, const QVariantList &params = {});
    // Closes the connection.  False when it was not open.
    bool ChiudiConnessione();
    // Runs a statement that returns no rows and gives the number of rows it
    // changed.  vOptions is accepted for callers that pass the classic "128".
    // Throws DbError on failure, including any change to a read-only file.
    int EseguiIstruzione(const QString &vSQL, const QString &vOptions = QStringLiteral("128"),
                         const QVariantList &params = {});
    // Closes and empties RS.  Throws DbError when RS is not open.
    void ChiudiRS(RecordSet &RS);

    bool isOpen() const;
    bool isReadOnly() const { return m_readOnly; }
    Engine engine() const { return m_engine; }
    bool isServer() const { return m_engine == Engine::PostgreSQL; }
    // The open database: a file's absolute path, or a server address without
    // its password.  Windows compare it to know whether they show this database.
    QString databasePath() const { return m_path; }
    // What the status bar says of the open database: the file's name, or the
    // database and its server.
    QString describe() const;
    // The server of an open server database.
    const std::optional<ServerAddress> &server() const { return m_server; }
    // How this connection signs what it changes in the change log (a
    // different text for every connection the program opens).
    QString session() const { return m_session; }
    QString connectionString() const { return m_connectionString; }
    QString lastOpenError() const { return m_lastOpenError; }

    // One scalar value of a query (null when there is no row).
    QVariant scalar(const QString &vSQL, const QVariantList &params = {});

    // How a transaction takes the database.  Deferred waits for the first write;
    // Immediate takes the write lock at once, so that work which reads, checks
    // and then writes cannot be overtaken by another writer in between.
    enum class Lock { Deferred, Immediate };

    // Transactions: all or nothing for multi-statement work (merges, imports).
    // Prefer the Transaction guard below, which cannot forget the rollback.
    void beginTransaction(Lock lock = Lock::Deferred);
    void commit();
    void rollback();

    // A transaction for the life of a scope: begun by the constructor, kept by
    // commit(), rolled back by the destructor when commit() was not reached
    // (an exception, an early return).
    class Transaction
    {
    public:
        explicit Transaction(cConnessione &connection, Lock lock = Lock::Deferred);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;

        // Makes the work permanent.  Throws DbError when that fails; the
        // destructor then rolls back what is left.
        void commit();
        bool committed() const { return m_committed; }

    private:
        cConnessione &m_connection;
        bool m_committed = false;
    };

    // A query prepared once and run many times (bulk inserts, lookups in loops).
    // Throws DbError when it cannot be prepared.
    QSqlQuery prepare(const QString &vSQL);
    // Runs a prepared query with the given values bound in order.
    void exec(QSqlQuery &query, const QVariantList &params = {});

    // The error a failed query carries, as the DbError the program throws.
    static DbError errorOf(const QSqlQuery &query);

    // An SQL expression giving the stored UTF-8 bytes of a text column
    // unchanged (a byte array, to read with QString::fromUtf8).  Text read
    // the usual way passes through SQLite's conversion to UTF-16, which turns
    // U+FFFE and U+FFFF into U+FFFD.
    QString exactText(const QString &column) const;

    // How long a statement waits for a database that another connection (of
    // this program or another) is writing, before it fails with an error that
    // says the database is in use.  Applies to connections opened afterwards;
    // 5000 ms unless set.
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();
    // True when the error is that wait running out (the database stayed
    // locked), not a fault of the statement or of the data.
    static bool isLocked(const DbError &error);

    // True when a table or view of that name exists (case ignored).
    bool hasTable(const QString &name);
    // The tables of the database (not views, not the engine's own), by name.
    QStringList tables();

    // The test "the text of column contains the word of one bound parameter,
    // letter case ignored in every alphabet" ('%' and '_' in the word stand
    // for any text and any one character, as in LIKE; nothing else is
    // special).  A server database answers it from its trigram index.
    QString containsWord(const QString &column) const { return containsWord(m_engine, column); }
    static QString containsWord(Engine engine, const QString &column);

    // Whether changes to the mapping relations are written to the change log
    // (who and when).  On by default; set before opening.  The copy of a
    // whole database turns it off, as it copies the log as it stands.
    void setRecordChanges(bool record) { m_recordChanges = record; }
    bool recordsChanges() const { return m_recordChanges; }

    // Calls back, on this thread, when another connection has committed a
    // change on channel (the server's notifications; a file database has
    // none, and this gives an invalid connection).  The call back ends with
    // context, or when the connection given back is disconnected.
    QMetaObject::Connection listen(const QString &channel, QObject *context, const std::function<void()> &callback);

    // The path inside a connection string: the text after "Data Source=" up to
    // ";Persist Security Info=False" at the end, or up to the next ";".
    static QString dataSourcePath(const QString &connectionString);
    // The connection string for a database file.
    static QString connectionStringFor(const QString &path);
    // The connection string that opens a file's path or a server address,
    // for reading only when asked.
    static QString connectionStringOf(const QString &fileOrAddress, bool readOnly = false);

    enum class FileKind { Missing, NotAFile, Empty, SQLite, Jet, Unknown };
    // What a file is, judged by its first bytes, not by its name.
    static FileKind probeFile(const QString &path);

    // Creates a new, empty database file (an existing file is never
    // overwritten).  Throws DbError when it cannot be created.
    static void createDatabaseFile(const QString &path);

    // The SQLite handle of a file database (null for a server one).
    sqlite3 *handle() const;

    // The statement as this connection's engine reads it: the table
    // definitions of the program are written once, with SQLite's words for
    // types and letter-case-blind text, and a server gets its own words.
    QString adapt(const QString &vSQL) const;
    // True for the statements a server prepares (queries and changes of
    // rows); definitions, locks and savepoints are sent as they are.
    static bool isPreparable(const QString &vSQL);

private:
    // Reopens a server connection that was lost, when no transaction is open.
    void ensureOpen();
    void ensureWritable() const;
    // error, with a sentence naming this database when it is isLocked().
    DbError lockAware(const DbError &error) const;
    // The error of a failed statement as thrown: a lost server connection
    // said as such, a locked database named.
    DbError failure(const DbError &error);
    bool openFile(const QString &D_Source);
    bool openServer(const QString &D_Source);
    bool setUpServerSession();
    bool addDriver(const QString &driver);
    bool finishOpening();
    void closeDriver();

    QString m_name; // the Qt connection name, fixed for the life of the object
    QString m_path;
    QString m_connectionString;
    QString m_lastOpenError;
    QString m_driver;
    QString m_session;
    QByteArray m_sessionUtf8;
    std::optional<ServerAddress> m_server;
    QStringList m_channels; // notification channels to listen on again after a reconnection
    Engine m_engine = Engine::SQLite;
    bool m_readOnly = false;
    bool m_askedReadOnly = false;
    bool m_added = false;
    bool m_serverOpen = false; // a server database is open (its connection may have broken since)
    bool m_lost = false;      // the server connection broke; the next statement reconnects
    bool m_transaction = false;
    bool m_recordChanges = true;
};

#include "data/searchindex.h"

#include "data/cConnessione.h"
#include "data/sqlitefunctions.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <thread>
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// The two indexed columns: which table, which column, which index table, and
// the number the change log gives it.
struct Source
{
    const char *table;
    const char *column;
    const char *index;
    int tag;
};
constexpr Source kSources[] = {
    {"datatypepropertyvalues", "value", "vospan_fts_values", 0},
    {"concepts", "dex", "vospan_fts_dex", 1},
};

const QString kSchema = QStringLiteral("vospan_idx");

QString q(const char *s)
{
    return QString::fromLatin1(s);
}

void run(cConnessione &c, const QString &sql, const QVariantList &params = {})
{
    QSqlQuery query = c.prepare(sql);
    c.exec(query, params);
}

qint64 dataVersion(cConnessione &c)
{
    return c.scalar(QStringLiteral("pragma data_version")).toLongLong();
}

// One build of the index for one open connection.
struct Build
{
    enum Outcome { Running, Done, Failed };

    std::unique_ptr<QTemporaryDir> folder;
    QString file;
    qint64 dataVersionAtStart = 0;
    SearchIndex::BuildSettings settings;
    std::thread thread;
    std::atomic<int> outcome{Running};
    std::atomic<bool> cancel{false};
    std::mutex handleMutex;
    sqlite3 *workerHandle = nullptr; // the build's own connection, while it is open
    bool attached = false;

    void stop()
    {
        cancel = true;
        {
            std::lock_guard<std::mutex> lock(handleMutex);
            if (workerHandle)
                sqlite3_interrupt(workerHandle);
        }
        if (thread.joinable())
            thread.join();
    }
    ~Build() { stop(); }
};

// Builds are kept per connection; only the thread that uses a connection
// asks about it, the mutex guards the map itself.
struct Registry
{
    std::mutex mutex;
    std::map<const cConnessione *, std::shared_ptr<Build>> builds;
    SearchIndex::BuildSettings settings;
};

Registry &registry()
{
    // Never destroyed: connections that are program-wide variables may be
    // closed after every other static object is gone.
    static Registry *r = new Registry;
    return *r;
}

std::shared_ptr<Build> buildOf(const cConnessione &c)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.builds.find(&c);
    return it == r.builds.end() ? nullptr : it->second;
}

std::shared_ptr<Build> takeBuild(const cConnessione &c)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.builds.find(&c);
    if (it == r.builds.end())
        return nullptr;
    std::shared_ptr<Build> b = it->second;
    r.builds.erase(it);
    return b;
}

// ------------------------------------------------------------ the build's thread

// Copies the folded texts of one table into its index, a step of rows at a
// time, each step its own statement: the database file is read only for a
// moment at a time, so the program's own writes never wait long for it.
void indexTable(cConnessione &idx, Build &b, const Source &s)
{
    const QString table = QStringLiteral("src.") + q(s.table);
    const int step = std::max(1, b.settings.rowsPerStep);
    const QString fill = QStringLiteral("insert into ") + q(s.index) + QStringLiteral(" (rowid, v) select rowid, vospan_fold(")
        + q(s.column) + QStringLiteral(") from ") + table + QStringLiteral(" where rowid > ? and rowid <= ? and ")
        + q(s.column) + QStringLiteral(" is not null");
    const QString nextBound = QStringLiteral("select rowid from ") + table
        + QStringLiteral(" where rowid > ? order by rowid limit 1 offset ") + QString::number(step - 1);
    const QVariant first = idx.scalar(QStringLiteral("select min(rowid) from ") + table);
    if (first.isNull())
        return;
    const qint64 last = idx.scalar(QStringLiteral("select max(rowid) from ") + table).toLongLong();
    qint64 low = first.toLongLong() - 1;
    while (low < last) {
        if (b.cancel)
            throw DbError(SQLITE_INTERRUPT, QStringLiteral("interrupted"));
        if (b.settings.beforeStep)
            b.settings.beforeStep();
        const QVariant bound = idx.scalar(nextBound, {low});
        const qint64 high = bound.isNull() ? last : bound.toLongLong();
        run(idx, fill, {low, high});
        low = high;
    }
}

// The build gives way to the program's own thread: where the two compete
// for a core (a busy machine, a tree loading), the user's command goes first,
// and the build still has a free core to itself.
void yieldToTheWindow()
{
#if defined(__linux__)
    // Nice 19, this thread only (a failure leaves it as it was).
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
#endif
}

void buildIndex(Build *b, QString source)
{
    yieldToTheWindow();
    try {
        cConnessione::createDatabaseFile(b->file);
        cConnessione idx;
        if (!idx.ApriConnessione(cConnessione::connectionStringFor(b->file)))
            throw DbError(1, idx.lastOpenError());
        {
            std::lock_guard<std::mutex> lock(b->handleMutex);
            b->workerHandle = idx.handle();
        }
        struct Release
        {
            Build *b;
            ~Release()
            {
                std::lock_guard<std::mutex> lock(b->handleMutex);
                b->workerHandle = nullptr;
            }
        } release{b};
        // A scratch file of the program's own: no journal, no waiting for the disk.
        run(idx, QStringLiteral("pragma journal_mode = off"));
        run(idx, QStringLiteral("pragma synchronous = off"));
        // The database is attached read-only: the build can never change it.
        run(idx, QStringLiteral("attach ? as src"),
            {QUrl::fromLocalFile(source).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro")});
        for (const Source &s : kSources)
            run(idx, QStringLiteral("create virtual table ") + q(s.index)
                         + QStringLiteral(" using fts5(v, columnsize=0, tokenize='trigram case_sensitive 1')"));
        for (const Source &s : kSources)
            indexTable(idx, *b, s);
        run(idx, QStringLiteral("detach src"));
        b->outcome = Build::Done;
    } catch (const DbError &) {
        b->outcome = Build::Failed;
    } catch (const std::exception &) {
        b->outcome = Build::Failed;
    }
}

// ---------------------------------------------------------- the program's side

// Notes every row the connection writes while the build runs.
QStringList logStatements()
{
    QStringList sql{QStringLiteral("create temp table if not exists vospan_fts_pending (tab integer not null, "
                                   "rid integer not null)")};
    for (const Source &s : kSources) {
        const QString tag = QString::number(s.tag);
        const QString on = QStringLiteral(" on main.") + q(s.table) + QStringLiteral(" begin insert into vospan_fts_pending values (")
            + tag + QStringLiteral(", ");
        sql << QStringLiteral("create temp trigger if not exists vospan_fts_log_") + tag + QStringLiteral("_ins after insert")
                   + on + QStringLiteral("new.rowid); end")
            << QStringLiteral("create temp trigger if not exists vospan_fts_log_") + tag + QStringLiteral("_del after delete")
                   + on + QStringLiteral("old.rowid); end")
            << QStringLiteral("create temp trigger if not exists vospan_fts_log_") + tag + QStringLiteral("_upd after update")
                   + on + QStringLiteral("old.rowid); insert into vospan_fts_pending values (") + tag
                   + QStringLiteral(", new.rowid); end");
    }
    return sql;
}

QStringList triggerNames()
{
    QStringList names;
    for (const Source &s : kSources)
        for (const char *what : {"_ins", "_del", "_upd"}) {
            names << QStringLiteral("vospan_fts_log_") + QString::number(s.tag) + q(what);
            names << q(s.index) + q(what);
        }
    return names;
}

// Keeps the attached index current for the connection's own writes.
QStringList maintenanceStatements()
{
    QStringList sql;
    for (const Source &s : kSources) {
        const QString idx = q(s.index);
        const QString col = q(s.column);
        const QString on = QStringLiteral(" on main.") + q(s.table);
        sql << QStringLiteral("create temp trigger ") + idx + QStringLiteral("_ins after insert") + on
                   + QStringLiteral(" when new.") + col + QStringLiteral(" is not null begin insert into ") + idx
                   + QStringLiteral(" (rowid, v) values (new.rowid, vospan_fold(new.") + col + QStringLiteral(")); end")
            << QStringLiteral("create temp trigger ") + idx + QStringLiteral("_del after delete") + on
                   + QStringLiteral(" begin delete from ") + idx + QStringLiteral(" where rowid = old.rowid; end")
            << QStringLiteral("create temp trigger ") + idx + QStringLiteral("_upd after update") + on
                   + QStringLiteral(" begin delete from ") + idx + QStringLiteral(" where rowid = old.rowid; insert into ")
                   + idx + QStringLiteral(" (rowid, v) select new.rowid, vospan_fold(new.") + col
                   + QStringLiteral(") where new.") + col + QStringLiteral(" is not null; end");
    }
    return sql;
}

void dropTriggers(cConnessione &c)
{
    for (const QString &name : triggerNames()) {
        try {
            run(c, QStringLiteral("drop trigger if exists temp.") + name);
        } catch (const DbError &) {
        }
    }
    try {
        run(c, QStringLiteral("drop table if exists temp.vospan_fts_pending"));
    } catch (const DbError &) {
    }
}

bool inTransaction(cConnessione &c)
{
    sqlite3 *h = c.handle();
    return h && !sqlite3_get_autocommit(h);
}

bool isAttached(cConnessione &c)
{
    try {
        RecordSet rs;
        c.ApriRS(QStringLiteral("pragma database_list"), rs);
        bool found = false;
        for (; !rs.isEOF(); rs.MoveNext())
            found = found || rs.value(QStringLiteral("name")).toString() == kSchema;
        c.ChiudiRS(rs);
        return found;
    } catch (const DbError &) {
        return false;
    }
}

// Takes the index away from the connection and lets go of its build.
void discard(cConnessione &c, const std::shared_ptr<Build> &b)
{
    b->stop();
    if (c.isOpen()) {
        dropTriggers(c);
        if (b->attached && isAttached(c)) {
            try {
                run(c, QStringLiteral("detach ") + kSchema);
            } catch (const DbError &) {
            }
        }
    }
    b->attached = false;
}

// Attaches a finished build and brings it up to date with what the
// connection wrote meanwhile.  False when that cannot be done now.
bool attach(cConnessione &c, Build &b)
{
    if (b.thread.joinable())
        b.thread.join();
    run(c, QStringLiteral("attach ? as ") + kSchema, {b.file});
    try {
        // Changes roll back with the program's own, and no second journal is
        // written beside the database.
        try {
            run(c, QStringLiteral("pragma ") + kSchema + QStringLiteral(".journal_mode = memory"));
            run(c, QStringLiteral("pragma ") + kSchema + QStringLiteral(".synchronous = off"));
        } catch (const DbError &) {
        }
        run(c, QStringLiteral("savepoint vospan_fts"));
        try {
            const bool pending = c.scalar(QStringLiteral("select count(*) from temp.vospan_fts_pending")).toInt() > 0;
            if (pending) {
                for (const Source &s : kSources) {
                    const QString rows = QStringLiteral(" rowid in (select rid from temp.vospan_fts_pending where tab = ")
                        + QString::number(s.tag) + QStringLiteral(")");
                    run(c, QStringLiteral("delete from ") + kSchema + QLatin1Char('.') + q(s.index)
                               + QStringLiteral(" where") + rows);
                    run(c, QStringLiteral("insert into ") + kSchema + QLatin1Char('.') + q(s.index)
                               + QStringLiteral(" (rowid, v) select rowid, vospan_fold(") + q(s.column)
                               + QStringLiteral(") from main.") + q(s.table) + QStringLiteral(" where ") + q(s.column)
                               + QStringLiteral(" is not null and") + rows);
                }
            }
            dropTriggers(c);
            for (const QString &sql : maintenanceStatements())
                run(c, sql);
            run(c, QStringLiteral("release vospan_fts"));
        } catch (const DbError &) {
            run(c, QStringLiteral("rollback to vospan_fts"));
            run(c, QStringLiteral("release vospan_fts"));
            throw;
        }
    } catch (const DbError &) {
        run(c, QStringLiteral("detach ") + kSchema);
        throw;
    }
    b.attached = true;
    return true;
}

} // namespace

QString SearchIndex::schemaName()
{
    return kSchema;
}

QString SearchIndex::valuesTable()
{
    return kSchema + QStringLiteral(".vospan_fts_values");
}

QString SearchIndex::dexTable()
{
    return kSchema + QStringLiteral(".vospan_fts_dex");
}

void SearchIndex::setBuildSettings(const BuildSettings &settings)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.settings = settings;
}

void SearchIndex::start(cConnessione &c)
{
    // A server database has an index of its own (its trigram indexes).
    if (!c.isOpen() || c.isServer() || buildOf(c))
        return;
    auto b = std::make_shared<Build>();
    try {
        b->folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vospan-search-XXXXXX"));
        if (!b->folder->isValid())
            return;
        b->file = b->folder->filePath(QStringLiteral("index.sqlite"));
        for (const QString &sql : logStatements())
            run(c, sql);
        b->dataVersionAtStart = dataVersion(c);
    } catch (const DbError &) {
        dropTriggers(c);
        return;
    }
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        b->settings = r.settings;
        r.builds[&c] = b;
    }
    b->thread = std::thread(buildIndex, b.get(), c.databasePath());
}

bool SearchIndex::ready(cConnessione &c)
{
    if (!c.isOpen() || c.isServer())
        return false;
    std::shared_ptr<Build> b = buildOf(c);
    if (!b) {
        start(c);
        return false;
    }
    try {
        if (b->attached) {
            if (dataVersion(c) == b->dataVersionAtStart)
                return true;
            // Another connection has changed the file: build anew.
            if (inTransaction(c))
                return false;
            discard(c, takeBuild(c));
            start(c);
            return false;
        }
        switch (b->outcome.load()) {
        case Build::Running:
        case Build::Failed:
            return false;
        case Build::Done:
            break;
        }
        if (inTransaction(c))
            return false;
        if (dataVersion(c) != b->dataVersionAtStart) {
            // Changed by another connection during the build.
            discard(c, takeBuild(c));
            start(c);
            return false;
        }
        return attach(c, *b);
    } catch (const DbError &) {
        b->outcome = Build::Failed;
        return false;
    }
}

bool SearchIndex::ensure(cConnessione &c)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (ready(c))
            return true;
        std::shared_ptr<Build> b = buildOf(c);
        if (!b || b->outcome == Build::Failed || inTransaction(c))
            return false;
        if (b->thread.joinable())
            b->thread.join();
    }
    return ready(c);
}

bool SearchIndex::exists(cConnessione &c)
{
    const std::shared_ptr<Build> b = buildOf(c);
    return b && b->attached && c.isOpen();
}

bool SearchIndex::building(cConnessione &c)
{
    const std::shared_ptr<Build> b = buildOf(c);
    return b && !b->attached && b->outcome == Build::Running;
}

void SearchIndex::drop(cConnessione &c)
{
    if (std::shared_ptr<Build> b = takeBuild(c))
        discard(c, b);
    else if (c.isOpen())
        dropTriggers(c);
}

void SearchIndex::forget(cConnessione &c)
{
    if (std::shared_ptr<Build> b = takeBuild(c))
        b->stop();
}

QString SearchIndex::matchText(const QString &word)
{
    if (word.contains(QLatin1Char('%')) || word.contains(QLatin1Char('_')))
        return {};
    // Folded as the index holds its texts (a MATCH text cannot hold U+0000
    // either: its parser stops there).
    const QString folded = SqliteFunctions::indexText(word);
    if (folded.toUcs4().size() < 3)
        return {};
    QString phrase = folded;
    phrase.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + phrase + QLatin1Char('"');
}

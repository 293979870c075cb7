#include "data/copydb.h"

#include "base/safesave.h"
#include "data/cConnessione.h"
#include "data/changelog.h"
#include "data/schema.h"

#include <QFileInfo>
#include <QLocale>
#include <QSqlQuery>
#include <QSqlRecord>
#include <memory>
#include <optional>

namespace CopyDb {

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QStringList columnsOf(cConnessione &c, const QString &table)
{
    RecordSet rs;
    c.ApriRS(QStringLiteral("select * from ") + table + QStringLiteral(" where 1 = 0"), rs);
    QStringList columns;
    for (int i = 0; i < rs.columnCount(); ++i)
        columns << rs.columnName(i).toLower();
    c.ChiudiRS(rs);
    return columns;
}

// The tables of the program a database holds, thesaurus first.
QStringList programTables(cConnessione &c)
{
    QStringList present;
    for (const QString &t : Schema::tableNames() + Schema::sideTableNames())
        if (c.hasTable(t))
            present << t;
    return present;
}

QString insertStatement(const QString &table, const QStringList &columns, int rows)
{
    const QString one = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))
                        + QLatin1Char(')');
    return QStringLiteral("insert into ") + table + QStringLiteral(" (") + columns.join(QStringLiteral(", "))
           + QStringLiteral(") values ") + QStringList(rows, one).join(QStringLiteral(", "));
}

// Copies the rows of one table; the columns are those both tables have.
qint64 copyRows(cConnessione &from, cConnessione &to, const QString &table, const Options &o)
{
    const QStringList targetColumns = columnsOf(to, table);
    const QStringList sourceColumns = columnsOf(from, table);
    QStringList columns;
    for (const QString &c : targetColumns)
        if (sourceColumns.contains(c))
            columns << c;
    const qint64 total = from.scalar(QStringLiteral("select count(*) from ") + table).toLongLong();
    if (columns.isEmpty() || total == 0)
        return 0;
    // A server takes many rows a statement; a file is quickest one row a
    // statement, prepared once, inside the transaction.
    const int batch = to.isServer() ? std::max(1, o.batch) : 1;
    QSqlQuery full = to.prepare(insertStatement(table, columns, batch));
    QSqlQuery read = from.prepare(QStringLiteral("select ") + columns.join(QStringLiteral(", "))
                                  + QStringLiteral(" from ") + table);
    from.exec(read);
    QVariantList values;
    values.reserve(batch * columns.size());
    qint64 copied = 0;
    const auto say = [&] {
        if (o.progress)
            o.progress(QStringLiteral("%1: %2 of %3 rows").arg(table, number(copied), number(total)));
    };
    while (read.next()) {
        for (int i = 0; i < columns.size(); ++i)
            values << read.value(i);
        if (values.size() == batch * columns.size()) {
            to.exec(full, values);
            copied += batch;
            values.clear();
            if (copied % 20000 < batch)
                say();
        }
    }
    if (!values.isEmpty()) {
        const int rows = static_cast<int>(values.size() / columns.size());
        QSqlQuery rest = to.prepare(insertStatement(table, columns, rows));
        to.exec(rest, values);
        copied += rows;
    }
    say();
    return copied;
}

void dropProgramObjects(cConnessione &to)
{
    to.EseguiIstruzione(QStringLiteral("drop view if exists qObjectPropertyValues, qDataTypePropertyValues"));
    for (const QString &t : Schema::tableNames() + Schema::sideTableNames())
        to.EseguiIstruzione(QStringLiteral("drop table if exists ") + t
                            + (to.isServer() ? QStringLiteral(" cascade") : QString()));
    if (to.isServer()) {
        to.EseguiIstruzione(QStringLiteral("drop function if exists vospan_log_relation() cascade"));
        to.EseguiIstruzione(QStringLiteral("drop function if exists vospan_notify_relations() cascade"));
    }
}

// The statements that make a table, the tables first and their indexes in
// a second list, so that the rows go in before the indexes are built.
std::pair<QStringList, QStringList> definitions(const QString &table, const cConnessione &to)
{
    QStringList statements = Schema::sideTableStatements(table, to);
    if (statements.isEmpty()) {
        // A thesaurus table: its statement and those of its indexes.
        const QStringList all = Schema::tableStatements();
        for (const QString &sql : all) {
            const QString head = sql.section(QLatin1Char('('), 0, 0).simplified();
            if (head == QStringLiteral("create table ") + table || head.endsWith(QStringLiteral(" on ") + table))
                statements << sql;
        }
    }
    QStringList tables, indexes;
    for (const QString &sql : statements)
        (sql.startsWith(QLatin1String("create table")) ? tables : indexes) << sql;
    return {tables, indexes};
}

void copyInto(cConnessione &from, cConnessione &to, const QStringList &tables, Outcome &outcome, const Options &o)
{
    cConnessione::Transaction transaction(to);
    if (o.replace)
        dropProgramObjects(to);
    Schema::createServerPrelude(to);
    QStringList indexes;
    for (const QString &t : tables) {
        const auto [create, index] = definitions(t, to);
        for (const QString &sql : create)
            to.EseguiIstruzione(sql);
        indexes << index;
    }
    for (const QString &t : tables) {
        outcome.rows += copyRows(from, to, t, o);
        ++outcome.tables;
    }
    if (o.progress)
        o.progress(QStringLiteral("indexes and views"));
    for (const QString &sql : indexes)
        to.EseguiIstruzione(sql);
    for (const QString &sql : Schema::viewStatements())
        to.EseguiIstruzione(sql);
    if (to.isServer()) {
        if (!tables.contains(QLatin1String(ChangeLog::Table)))
            for (const QString &sql : ChangeLog::tableStatements(cConnessione::Engine::PostgreSQL))
                to.EseguiIstruzione(sql);
        // The tables' own numbering of new rows goes on after the rows copied.
        for (const QString &t : tables)
            if (columnsOf(to, t).contains(QLatin1String("id"))
                && !to.scalar(QStringLiteral("select pg_get_serial_sequence(?, 'id')"), {t}).isNull())
                to.scalar(QStringLiteral("select setval(pg_get_serial_sequence(?, 'id'), coalesce(max(id), 0) + 1, "
                                         "false) from ") + t, {t});
        ChangeLog::createServerTriggers(to);
        Schema::createSearchIndexes(to);
    }
    transaction.commit();
    if (to.isServer()) // plans from the new rows at once
        to.EseguiIstruzione(QStringLiteral("analyze ") + tables.join(QStringLiteral(", ")));
}

bool sameDatabase(const QString &a, const QString &b)
{
    if (ServerAddress::isAddress(a) != ServerAddress::isAddress(b))
        return false;
    if (!ServerAddress::isAddress(a))
        return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
    const auto x = ServerAddress::parse(a);
    const auto y = ServerAddress::parse(b);
    return x && y && x->uri() == y->uri();
}

void open(cConnessione &c, const QString &fileOrAddress, bool readOnly)
{
    if (!c.ApriConnessione(cConnessione::connectionStringOf(fileOrAddress, readOnly)))
        throw DbError(3024, QStringLiteral("Cannot open %1: %2").arg(shown(fileOrAddress), c.lastOpenError()));
}

} // namespace

QString shown(const QString &fileOrAddress)
{
    if (!ServerAddress::isAddress(fileOrAddress))
        return fileOrAddress;
    const auto a = ServerAddress::parse(fileOrAddress);
    return a ? a->uri() : QStringLiteral("(an address that cannot be read)");
}

Outcome copy(const QString &source, const QString &target, const Options &o)
{
    if (sameDatabase(source, target))
        throw DbError(3204, QStringLiteral("The source and the target are the same database: %1").arg(shown(target)));
    cConnessione from;
    open(from, source, true);
    if (!from.hasTable(QStringLiteral("mappingrelations")) || !from.hasTable(QStringLiteral("concepts")))
        throw DbError(3011, QStringLiteral("%1 is not a thesaurus database: it has no mapping relations or concepts.")
                                .arg(shown(source)));
    const QStringList tables = programTables(from);
    Outcome outcome;
    for (const QString &t : from.tables())
        if (!tables.contains(t, Qt::CaseInsensitive))
            outcome.leftOut << t;

    cConnessione to;
    // The log is copied as it stands: the copy itself is nobody's change.
    to.setRecordChanges(false);
    if (ServerAddress::isAddress(target)) {
        open(to, target, false);
        const QStringList there = programTables(to);
        if (!there.isEmpty() && !o.replace)
            throw DbError(3204, QStringLiteral("The server database %1 already holds tables of a thesaurus database "
                                               "(%2): add --replace to replace them.")
                                    .arg(to.databasePath(), there.join(QStringLiteral(", "))));
        copyInto(from, to, tables, outcome, o);
        return outcome;
    }
    if (QFileInfo::exists(target) && !o.replace)
        throw DbError(3204, QStringLiteral("The file %1 already exists: add --replace to replace it.").arg(target));
    SafeSave::TemporaryTarget file(QFileInfo(target).absoluteFilePath(), QStringLiteral(".copying"));
    QString why;
    if (!file.clear(&why))
        throw DbError(3204, why);
    cConnessione::createDatabaseFile(file.path());
    open(to, file.path(), false);
    Options fresh = o;
    fresh.replace = false; // a new file holds nothing to drop
    copyInto(from, to, tables, outcome, fresh);
    to.ChiudiConnessione();
    if (!file.commit(&why))
        throw DbError(3204, why);
    return outcome;
}

} // namespace CopyDb

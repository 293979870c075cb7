#include "tools/jet_convert.h"

#include "base/logging.h"
#include "base/safesave.h"
#include "data/cConnessione.h"
#include "data/schema.h"
#include "tools/jet_child.h"
#include "tools/jet_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

#include <mdbtools.h>

#include <filesystem>
#include <optional>

namespace {

using Status = Jet::Result::Status;

QString quoted(const QString &identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The SQLite column type of a Jet type.  Jet compares text without regard to
// case, so text columns keep doing so.
QString sqliteType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX: return QStringLiteral("integer");
    case MDB_FLOAT:
    case MDB_DOUBLE: return QStringLiteral("real");
    case MDB_MONEY:
    case MDB_NUMERIC: return QStringLiteral("numeric");
    case MDB_BINARY:
    case MDB_OLE: return QStringLiteral("blob");
    case MDB_DATETIME:
    case MDB_REPID: return QStringLiteral("text");
    default: return QStringLiteral("text collate nocase");
    }
}

Jet::Result failure(Status status, const QString &message)
{
    Jet::Result r;
    r.status = status;
    r.message = message;
    return r;
}

QString damagedIntro(const QString &jetPath)
{
    return QStringLiteral("The Access file %1 is damaged or incomplete, so nothing was converted")
        .arg(QFileInfo(jetPath).fileName());
}

// Refuses a file whose catalog gives fewer objects than it declares (a file
// cut short loses tables without any error from the library).
void checkCatalog(const JetReader::File &jet)
{
    if (jet.catalogRows() < jet.catalogDeclaredRows())
        throw JetReader::ReadError(damagedIntro(jet.path())
                                   + QStringLiteral(": its catalog lists %1 objects, of which only %2 can be read.")
                                         .arg(jet.catalogDeclaredRows())
                                         .arg(jet.catalogRows()));
}

// Rows copied so far, and the calls of the progress routine.
struct Counter
{
    const Jet::Progress &progress;
    qint64 total = 0;
    qint64 copied = 0;
    bool cancelled = false;

    void row(const QString &table)
    {
        ++copied;
        if (progress && (copied & 255) == 0) {
            const int percent = total > 0 ? static_cast<int>(copied * 100 / total) : 0;
            cancelled = !progress(qMin(percent, 99), table);
        }
    }
};

// Creates the table in the new database and gives the statement that fills it.
QSqlQuery createTable(cConnessione &db, const JetReader::Table &t)
{
    QStringList columnDefs, marks;
    for (const JetReader::Column &c : t.columns()) {
        columnDefs << quoted(c.name) + QLatin1Char(' ') + sqliteType(c.type);
        marks << QStringLiteral("?");
    }
    db.EseguiIstruzione(QStringLiteral("create table ") + quoted(t.name()) + QStringLiteral(" (")
                        + columnDefs.join(QStringLiteral(", ")) + QLatin1Char(')'));
    return db.prepare(QStringLiteral("insert into ") + quoted(t.name()) + QStringLiteral(" values (")
                      + marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

// Copies the rows of one table, counting them in rows.  A damaged value ends
// the table with a ReadError naming it.
void copyRows(cConnessione &db, JetReader::Table &t, QSqlQuery &insert, Counter &counter, qint64 &rows)
{
    QVariantList values;
    while (!counter.cancelled && t.next(values)) {
        db.exec(insert, values);
        ++rows;
        counter.row(t.name());
    }
}

// A thesaurus database gets the views and the indexes a new database has: the
// tree and the searches look concepts up by parent and by property row.
void addThesaurusExtras(cConnessione &db)
{
    Schema::ensureViews(db);
    for (const QString &sql : Schema::tableStatements())
        if (sql.startsWith(QLatin1String("create index")))
            try {
                db.EseguiIstruzione(sql);
            } catch (const DbError &) {
                // a column of another name in this edition: the index is only a help
            }
}

// Copies every table; what could not be read whole goes into problems.
void copyTables(cConnessione &db, JetReader::File &jet, Counter &counter, Jet::Result &result, QStringList &problems)
{
    const QStringList names = jet.tableNames();
    for (int i = 0; i < names.size() && !counter.cancelled; ++i) {
        std::unique_ptr<JetReader::Table> t;
        qint64 rows = 0;
        try {
            t = jet.table(i);
            QSqlQuery insert = createTable(db, *t);
            copyRows(db, *t, insert, counter, rows);
        } catch (const JetReader::ReadError &e) {
            problems << (t ? QStringLiteral("  %1: %2 (%3 of %4 rows read)")
                                 .arg(names.at(i), e.message())
                                 .arg(rows)
                                 .arg(t->declaredRows())
                           : QStringLiteral("  %1: %2").arg(names.at(i), e.message()));
            continue;
        }
        if (counter.cancelled)
            break;
        if (rows < t->declaredRows())
            problems << QStringLiteral("  %1: %2 of %3 rows").arg(names.at(i)).arg(rows).arg(t->declaredRows());
        result.tables.append({names.at(i), rows});
    }
}

qint64 declaredRows(JetReader::File &jet)
{
    qint64 total = 0;
    for (int i = 0; i < jet.tableNames().size(); ++i) {
        try {
            total += jet.table(i)->declaredRows();
        } catch (const JetReader::ReadError &) {
            // reported when the table is copied
        }
    }
    return total;
}

// The catalog and, for a thesaurus, the tables it must hold.  Empty when the
// conversion may go on, else the reason it may not.
std::optional<Jet::Result> checkBeforeCopy(const JetReader::File &jet, const QString &jetPath, bool thesaurus)
{
    checkCatalog(jet);
    if (jet.tableNames().isEmpty())
        return failure(Status::Failed, QStringLiteral("The Access file %1 holds no tables: there is nothing to convert.")
                                           .arg(QFileInfo(jetPath).fileName()));
    if (!thesaurus)
        return std::nullopt;
    Jet::Result r;
    r.missing = Jet::missingThesaurusTables(jet.tableNames());
    if (r.missing.isEmpty())
        return std::nullopt;
    r.status = Status::NotThesaurus;
    r.message = QStringLiteral("The Access database %1 is not a thesaurus database: these tables are missing: %2.")
                    .arg(QFileInfo(jetPath).fileName(), r.missing.join(QStringLiteral(", ")));
    return r;
}

} // namespace

QString Jet::convertedPath(const QString &jetPath)
{
    const QFileInfo info(jetPath);
    const QString path = info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".sqlite"));
    if (isSameFile(jetPath, path))
        return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral("-converted.sqlite"));
    return path;
}

bool Jet::isSameFile(const QString &jetPath, const QString &path)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(QFile::encodeName(jetPath).toStdString(),
                                                  QFile::encodeName(path).toStdString(), ec);
    return !ec && same;
}

QStringList Jet::missingThesaurusTables(const QStringList &tables)
{
    QStringList missing;
    for (const QString &t : Schema::tableNames()) {
        bool found = false;
        for (const QString &have : tables)
            found = found || have.compare(t, Qt::CaseInsensitive) == 0;
        if (!found)
            missing << t;
    }
    return missing;
}

QString Jet::Result::text() const
{
    QStringList lines;
    qint64 rows = 0;
    for (const TableReport &t : tables)
        rows += t.rows;
    lines << QStringLiteral("Converted %1 tables, %2 rows:").arg(tables.size()).arg(rows);
    for (const TableReport &t : tables)
        lines << QStringLiteral("  %1: %2").arg(t.name).arg(t.rows);
    return lines.join(QLatin1Char('\n'));
}

bool JetChild::readTableNames(const QString &jetPath, QStringList &names, QString &error)
{
    try {
        const JetReader::File jet(jetPath);
        checkCatalog(jet);
        names = jet.tableNames();
        return true;
    } catch (const JetReader::ReadError &e) {
        error = e.message();
        return false;
    }
}

Jet::Result JetChild::convertHere(const QString &jetPath, const QString &dbPath, bool thesaurus,
                                  const Jet::Progress &progress)
{
    Jet::Result result;
    try {
        JetReader::File jet(jetPath);
        if (std::optional<Jet::Result> refusal = checkBeforeCopy(jet, jetPath, thesaurus))
            return *refusal;
        cConnessione::createDatabaseFile(dbPath);
        cConnessione db;
        db.setRecordChanges(false); // the relations come as the Access file holds them
        if (!db.ApriConnessione(cConnessione::connectionStringFor(dbPath)))
            throw DbError(3024, db.lastOpenError());
        Counter counter{progress};
        counter.total = declaredRows(jet);
        QStringList problems;
        db.beginTransaction();
        try {
            copyTables(db, jet, counter, result, problems);
            if (!counter.cancelled && problems.isEmpty() && thesaurus)
                addThesaurusExtras(db);
        } catch (...) {
            db.rollback();
            throw;
        }
        if (counter.cancelled || !problems.isEmpty()) {
            db.rollback();
            return counter.cancelled
                       ? failure(Status::Cancelled, QStringLiteral("Conversion cancelled."))
                       : failure(Status::Failed, damagedIntro(jetPath) + QStringLiteral(". What cannot be read:\n")
                                                     + problems.join(QLatin1Char('\n')));
        }
        db.commit();
    } catch (const JetReader::ReadError &e) {
        return failure(Status::Failed, e.message());
    } catch (const DbError &e) {
        return failure(Status::Failed, QStringLiteral("The conversion of %1 failed: Error %2: %3")
                                           .arg(QFileInfo(jetPath).fileName())
                                           .arg(e.number())
                                           .arg(e.description()));
    }
    return result;
}

bool Jet::tableNames(const QString &jetPath, QStringList &names, QString *error)
{
    names.clear();
    QString why;
    const bool ok = childProgram().isEmpty() ? JetChild::readTableNames(jetPath, names, why)
                                             : JetChild::tableNamesInChild(jetPath, names, why);
    if (!ok && error)
        *error = why;
    return ok;
}

namespace {

Jet::Result convertFile(const QString &jetPath, const QString &outPath, const Jet::Progress &progress, bool thesaurus)
{
    if (Jet::isSameFile(jetPath, outPath))
        return failure(Status::Failed, QStringLiteral("The converted database cannot be written onto the Access file "
                                                      "%1 itself: give it another name.")
                                           .arg(QDir::toNativeSeparators(jetPath)));
    SafeSave::TemporaryTarget target(outPath, QStringLiteral(".converting"));
    QString error;
    if (!target.clear(&error))
        return failure(Status::Failed, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(outPath), error));

    // The caller hears of each new percentage once.
    int lastPercent = -1;
    const Jet::Progress onChange = [&](int percent, const QString &table) {
        if (percent == lastPercent)
            return true;
        lastPercent = percent;
        return progress(percent, table);
    };
    const Jet::Progress forward = progress ? onChange : Jet::Progress();
    Jet::Result r = Jet::childProgram().isEmpty()
                        ? JetChild::convertHere(jetPath, target.path(), thesaurus, forward)
                        : JetChild::convertInChild(jetPath, target.path(), thesaurus, forward);
    if (r.status != Status::Converted)
        return r;
    if (!target.commit(&error))
        return failure(Status::Failed, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(outPath), error));
    if (progress)
        progress(100, {});
    return r;
}

} // namespace

namespace {

Jet::Result loggedConversion(const QString &jetPath, const QString &outPath, const Jet::Progress &progress,
                             bool thesaurusOnly)
{
    qCInfo(lcImport).noquote() << "conversion of the Access file" << jetPath << "into" << outPath << "started";
    Jet::Result result = convertFile(jetPath, outPath, progress, thesaurusOnly);
    qCInfo(lcImport).noquote() << "conversion of" << jetPath << "ended with status"
                               << static_cast<int>(result.status) << result.message;
    return result;
}

} // namespace

Jet::Result Jet::convert(const QString &jetPath, const QString &outPath, const Progress &progress)
{
    return loggedConversion(jetPath, outPath, progress, false);
}

Jet::Result Jet::convertThesaurus(const QString &jetPath, const QString &outPath, const Progress &progress)
{
    return loggedConversion(jetPath, outPath, progress, true);
}

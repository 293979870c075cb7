#include "tools/jet_convert.h"

#include "base/logging.h"
#include "data/cConnessione.h"
#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QDate>
#include <QTime>
#include <QVariant>

#include <mdbtools.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {

constexpr int kBindSize = 64 * 1024; // longest text value read at once (memo fields included)

// An open Jet file, closed when the object goes.
struct JetFile
{
    MdbHandle *mdb = nullptr;
    explicit JetFile(const QString &path)
    {
        if (QFileInfo(path).isFile())
            mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (mdb) {
            mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
            mdb_set_bind_size(mdb, kBindSize);
            mdb_set_boolean_fmt_numbers(mdb);
            if (!mdb_read_catalog(mdb, MDB_TABLE)) {
                mdb_close(mdb);
                mdb = nullptr;
            }
        }
    }
    ~JetFile()
    {
        if (mdb)
            mdb_close(mdb);
    }
    JetFile(const JetFile &) = delete;
    JetFile &operator=(const JetFile &) = delete;

    // The catalog entries of the user tables, in catalog order.
    QList<MdbCatalogEntry *> tables() const
    {
        QList<MdbCatalogEntry *> list;
        for (guint i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
                list.append(entry);
        }
        return list;
    }
};

struct TableDef
{
    MdbTableDef *def = nullptr;
    explicit TableDef(MdbCatalogEntry *entry) : def(mdb_read_table(entry))
    {
        if (def)
            mdb_read_columns(def);
    }
    ~TableDef()
    {
        if (def)
            mdb_free_tabledef(def);
    }
    TableDef(const TableDef &) = delete;
    TableDef &operator=(const TableDef &) = delete;
};

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

// A Jet date: days since 1899-12-30, the fraction the time of day (for days
// before that date the fraction still counts forward from midnight).  Read
// from the stored double itself, so years before 1900 and up to 9999 come
// through as they are.
QString jetDate(double value)
{
    const double days = std::trunc(value);
    double fraction = std::fabs(value - days);
    qint64 seconds = std::llround(fraction * 86400.0);
    qint64 dayCount = static_cast<qint64>(days);
    if (seconds >= 86400) {
        seconds -= 86400;
        dayCount += value < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(dayCount);
    if (!date.isValid())
        return {};
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds));
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

QString nameOf(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

QString Jet::convertedPath(const QString &jetPath)
{
    const QFileInfo info(jetPath);
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".sqlite"));
}

bool Jet::tableNames(const QString &jetPath, QStringList &names, QString *error)
{
    names.clear();
    JetFile jet(jetPath);
    if (!jet.mdb) {
        if (error)
            *error = QStringLiteral("The file %1 cannot be read as an Access (Jet) database.")
                         .arg(QDir::toNativeSeparators(jetPath));
        return false;
    }
    for (MdbCatalogEntry *e : jet.tables())
        names << nameOf(e->object_name);
    return true;
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

namespace {

Jet::Result convertImpl(const QString &jetPath, const QString &outPath, const Jet::Progress &progress,
                        bool thesaurus)
{
    using Status = Jet::Result::Status;
    Jet::Result result;
    auto fail = [&](Status status, const QString &message) {
        result.status = status;
        result.message = message;
        result.tables.clear();
        return result;
    };

    JetFile jet(jetPath);
    if (!jet.mdb)
        return fail(Status::Failed, QStringLiteral("The file %1 cannot be read as an Access (Jet) database.")
                                        .arg(QDir::toNativeSeparators(jetPath)));
    const QList<MdbCatalogEntry *> entries = jet.tables();
    if (thesaurus) {
        QStringList names;
        for (MdbCatalogEntry *e : entries)
            names << nameOf(e->object_name);
        result.missing = Jet::missingThesaurusTables(names);
        if (!result.missing.isEmpty())
            return fail(Status::NotThesaurus,
                        QStringLiteral("The Access database %1 is not a thesaurus database: these tables are missing: %2.")
                            .arg(QFileInfo(jetPath).fileName(), result.missing.join(QStringLiteral(", "))));
    }

    const QString temp = outPath + QStringLiteral(".converting");
    QFile::remove(temp);
    bool cancelled = false;
    try {
        cConnessione::createDatabaseFile(temp);
        cConnessione db;
        if (!db.ApriConnessione(cConnessione::connectionStringFor(temp)))
            throw DbError(3024, db.lastOpenError());

        qint64 totalRows = 0;
        for (MdbCatalogEntry *e : entries) {
            TableDef t(e);
            if (t.def)
                totalRows += t.def->num_rows;
        }
        qint64 copied = 0;
        int lastPercent = -1;
        db.beginTransaction();
        try {
            for (MdbCatalogEntry *e : entries) {
                TableDef t(e);
                const QString table = nameOf(e->object_name);
                if (!t.def)
                    throw DbError(3011, QStringLiteral("The table %1 cannot be read.").arg(table));
                MdbTableDef *def = t.def;
                const int cols = static_cast<int>(def->num_cols);
                QStringList columnDefs, marks;
                QVector<int> types(cols);
                for (int c = 0; c < cols; ++c) {
                    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
                    types[c] = col->col_type;
                    columnDefs << quoted(nameOf(col->name)) + QLatin1Char(' ') + sqliteType(col->col_type);
                    marks << QStringLiteral("?");
                }
                db.EseguiIstruzione(QStringLiteral("create table ") + quoted(table) + QStringLiteral(" (")
                                    + columnDefs.join(QStringLiteral(", ")) + QLatin1Char(')'));
                QSqlQuery insert = db.prepare(QStringLiteral("insert into ") + quoted(table)
                                              + QStringLiteral(" values (") + marks.join(QStringLiteral(", "))
                                              + QLatin1Char(')'));

                std::vector<std::unique_ptr<char[]>> buffers;
                std::vector<int> lengths(static_cast<size_t>(cols), 0);
                for (int c = 0; c < cols; ++c) {
                    buffers.emplace_back(new char[kBindSize + 1]);
                    mdb_bind_column(def, c + 1, buffers.back().get(), &lengths[static_cast<size_t>(c)]);
                }
                mdb_rewind_table(def);
                qint64 rows = 0;
                QVariantList values;
                while (mdb_fetch_row(def)) {
                    values.clear();
                    for (int c = 0; c < cols; ++c) {
                        const char *buf = buffers[static_cast<size_t>(c)].get();
                        const int len = lengths[static_cast<size_t>(c)];
                        const int type = types.at(c);
                        if (len <= 0 && type != MDB_BOOL) {
                            values << QVariant(QMetaType(type == MDB_OLE || type == MDB_BINARY ? QMetaType::QByteArray
                                                                                                : QMetaType::QString));
                            continue;
                        }
                        switch (type) {
                        case MDB_BOOL:
                            values << QVariant(qint64(len > 0 && buf[0] != '0' ? 1 : 0));
                            break;
                        case MDB_BYTE:
                        case MDB_INT:
                        case MDB_LONGINT:
                        case MDB_COMPLEX:
                            values << QVariant(QByteArray(buf, len).toLongLong());
                            break;
                        case MDB_FLOAT:
                        case MDB_DOUBLE:
                            values << QVariant(QByteArray(buf, len).toDouble());
                            break;
                        case MDB_DATETIME: {
                            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
                            const QString date = jetDate(mdb_get_double(jet.mdb->pg_buf, col->cur_value_start));
                            values << (date.isEmpty() ? QVariant(QString::fromUtf8(buf, len)) : QVariant(date));
                            break;
                        }
                        case MDB_BINARY:
                            values << QVariant(QByteArray(buf, len));
                            break;
                        case MDB_OLE: {
                            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
                            size_t size = 0;
                            void *data = mdb_ole_read_full(jet.mdb, col, &size);
                            values << (data ? QVariant(QByteArray(static_cast<const char *>(data),
                                                                  static_cast<qsizetype>(size)))
                                            : QVariant(QMetaType(QMetaType::QByteArray)));
                            g_free(data);
                            break;
                        }
                        default:
                            values << QVariant(QString::fromUtf8(buf, len));
                        }
                    }
                    db.exec(insert, values);
                    ++rows;
                    ++copied;
                    if (progress && (copied & 255) == 0) {
                        const int percent = totalRows > 0 ? static_cast<int>(copied * 100 / totalRows) : 0;
                        if (percent != lastPercent) {
                            lastPercent = percent;
                            if (!progress(qMin(percent, 99), table)) {
                                cancelled = true;
                                break;
                            }
                        }
                    }
                }
                if (cancelled)
                    break;
                result.tables.append({table, rows});
            }
            if (!cancelled && thesaurus) {
                Schema::ensureViews(db);
                // The tree and the searches look concepts up by parent and by
                // property row: give them the indexes a new database has.
                for (const QString &sql : Schema::tableStatements())
                    if (sql.startsWith(QLatin1String("create index")))
                        try {
                            db.EseguiIstruzione(sql);
                        } catch (const DbError &) {
                            // a column of another name in this edition: the index is only a help
                        }
            }
            if (cancelled)
                db.rollback();
            else
                db.commit();
        } catch (...) {
            db.rollback();
            throw;
        }
    } catch (const DbError &e) {
        QFile::remove(temp);
        return fail(Status::Failed, QStringLiteral("The conversion of %1 failed: Error %2: %3")
                                        .arg(QFileInfo(jetPath).fileName())
                                        .arg(e.number())
                                        .arg(e.description()));
    }
    if (cancelled) {
        QFile::remove(temp);
        return fail(Status::Cancelled, QStringLiteral("Conversion cancelled."));
    }
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(temp).toStdString(), QFile::encodeName(outPath).toStdString(), ec);
    if (ec) {
        QFile::remove(temp);
        return fail(Status::Failed, QStringLiteral("Cannot write %1: %2")
                                        .arg(QDir::toNativeSeparators(outPath), QString::fromStdString(ec.message())));
    }
    if (progress)
        progress(100, {});
    return result;
}

} // namespace

namespace {

Jet::Result loggedConversion(const QString &jetPath, const QString &outPath, const Jet::Progress &progress,
                             bool thesaurusOnly)
{
    qCInfo(lcImport).noquote() << "conversion of the Access file" << jetPath << "into" << outPath << "started";
    Jet::Result result = convertImpl(jetPath, outPath, progress, thesaurusOnly);
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

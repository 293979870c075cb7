#include "tools/jet_reader.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <mdbtools.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int kBindSize = 64 * 1024;                 // longest text value read at once (memo fields included)
constexpr qint64 kLongValueCap = 512LL * 1024 * 1024; // no long value of a real file comes near this
constexpr unsigned kMaxColumns = 255;                 // the most columns a Jet table can have
constexpr int kCatalogPage = 2;                       // where every Jet file keeps MSysObjects
constexpr quint32 kSystemFlags = 0x80000002;          // the catalog flags of system tables

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

// A Jet date: days since 1899-12-30, the fraction the time of day (for days
// before that date the fraction still counts forward from midnight).  Read
// from the stored double itself, so years before 1900 and up to 9999 come
// through as they are.
QString jetDate(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e7)
        return {};
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

QVariant nullOf(int type)
{
    return QVariant(QMetaType(type == MDB_OLE || type == MDB_BINARY ? QMetaType::QByteArray : QMetaType::QString));
}

} // namespace

namespace JetReader {

struct File::Handle
{
    MdbHandle *mdb = nullptr;
    // Catalog entries of the user tables.  Owned here: libmdb's own catalog
    // list stays empty, so mdb_close() does not free them.
    std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

struct Table::Definition
{
    MdbTableDef *def = nullptr;
    ~Definition()
    {
        if (def)
            mdb_free_tabledef(def);
    }
};

File::File(const QString &path) : m_path(path), m_handle(std::make_unique<Handle>())
{
    const QString notJet = QStringLiteral("The file %1 cannot be read as an Access (Jet) database.")
                               .arg(QDir::toNativeSeparators(path));
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        throw ReadError(notJet);
    m_handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    MdbHandle *mdb = m_handle->mdb;
    if (!mdb || !mdb->fmt || mdb->fmt->pg_size <= 0 || mdb->fmt->pg_size > MDB_PGSIZE)
        throw ReadError(notJet);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(mdb);
    m_pages = info.size() / mdb->fmt->pg_size;
    readCatalog();
}

File::~File() = default;

void File::readCatalog()
{
    MdbHandle *mdb = m_handle->mdb;
    const QString damaged = QStringLiteral("The catalog of the Access file %1 cannot be read: the file is damaged.")
                                .arg(fileName(m_path));
    if (m_pages <= kCatalogPage)
        throw ReadError(damaged);
    MdbCatalogEntry system{};
    system.mdb = mdb;
    std::strcpy(system.object_name, "MSysObjects");
    system.object_type = MDB_TABLE;
    system.table_pg = kCatalogPage;
    Table::Definition t;
    t.def = mdb_read_table(&system);
    if (!t.def || !mdb_read_columns(t.def))
        throw ReadError(damaged);

    struct Bound
    {
        const char *name;
        char buffer[kBindSize + 1];
        int length = 0;
    };
    auto bound = std::make_unique<Bound[]>(4);
    const char *names[] = {"Id", "Name", "Type", "Flags"};
    for (int i = 0; i < 4; ++i) {
        bound[i].name = names[i];
        if (mdb_bind_column_by_name(t.def, const_cast<gchar *>(names[i]), bound[i].buffer, &bound[i].length) < 0)
            throw ReadError(damaged);
    }
    auto number = [&](int i) {
        const int len = bound[i].length;
        return len > 0 && len <= kBindSize ? QByteArray(bound[i].buffer, len).toLongLong() : 0;
    };
    m_catalogDeclared = t.def->num_rows;
    mdb_rewind_table(t.def);
    while (mdb_fetch_row(t.def)) {
        ++m_catalogRows;
        const qint64 type = number(2) & 0x7F;
        const quint32 flags = static_cast<quint32>(number(3));
        const int nameLength = bound[1].length;
        if (type != MDB_TABLE || (flags & kSystemFlags) || nameLength <= 0 || nameLength > MDB_MAX_OBJ_NAME)
            continue;
        auto entry = std::make_unique<MdbCatalogEntry>();
        std::memset(entry.get(), 0, sizeof(MdbCatalogEntry));
        entry->mdb = mdb;
        std::memcpy(entry->object_name, bound[1].buffer, static_cast<size_t>(nameLength));
        entry->object_name[nameLength] = '\0';
        entry->object_type = MDB_TABLE;
        entry->table_pg = static_cast<unsigned long>(number(0) & 0x00FFFFFF);
        entry->flags = static_cast<int>(flags);
        if (entry->table_pg == 0 || static_cast<qint64>(entry->table_pg) >= m_pages) {
            // A table whose definition lies outside the file: counted as a
            // catalog row that cannot be read.
            --m_catalogRows;
            continue;
        }
        m_handle->tables.push_back(std::move(entry));
    }
}

QStringList File::tableNames() const
{
    QStringList names;
    for (const auto &e : m_handle->tables)
        names << QString::fromUtf8(e->object_name);
    return names;
}

std::unique_ptr<Table> File::table(int index)
{
    return std::unique_ptr<Table>(new Table(*this, index));
}

Table::Table(File &file, int index) : m_file(file), m_def(std::make_unique<Definition>())
{
    MdbCatalogEntry *entry = file.m_handle->tables.at(static_cast<size_t>(index)).get();
    m_name = QString::fromUtf8(entry->object_name);
    const QString cannot = QStringLiteral("the table cannot be read");
    m_def->def = mdb_read_table(entry);
    MdbTableDef *def = m_def->def;
    if (!def)
        throw ReadError(cannot);
    GPtrArray *columns = mdb_read_columns(def);
    if (!columns || def->num_cols == 0 || def->num_cols > kMaxColumns || columns->len != def->num_cols)
        throw ReadError(QStringLiteral("the columns of the table cannot be read"));
    m_declaredRows = def->num_rows;
    const int count = static_cast<int>(def->num_cols);
    m_lengths.assign(static_cast<size_t>(count), 0);
    for (int c = 0; c < count; ++c) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(columns, c));
        if (!col)
            throw ReadError(QStringLiteral("the columns of the table cannot be read"));
        m_columns.append({QString::fromUtf8(col->name), col->col_type});
        m_buffers.emplace_back(new char[kBindSize + 1]);
        if (mdb_bind_column(def, c + 1, m_buffers.back().get(), &m_lengths[static_cast<size_t>(c)]) < 0)
            throw ReadError(QStringLiteral("the column %1 of the table cannot be read").arg(m_columns.last().name));
    }
    mdb_rewind_table(def);
}

Table::~Table() = default;

bool Table::next(QVariantList &values)
{
    if (!mdb_fetch_row(m_def->def))
        return false;
    ++m_row;
    values.clear();
    for (int c = 0; c < m_columns.size(); ++c)
        values << value(c);
    return true;
}

QVariant Table::value(int column) const
{
    const char *buf = m_buffers[static_cast<size_t>(column)].get();
    const int len = m_lengths[static_cast<size_t>(column)];
    const int type = m_columns.at(column).type;
    if (len > kBindSize)
        throw ReadError(QStringLiteral("row %1 holds a value longer than the file allows").arg(m_row));
    if (len <= 0 && type != MDB_BOOL)
        return nullOf(type);
    switch (type) {
    case MDB_BOOL: return QVariant(qint64(len > 0 && buf[0] != '0' ? 1 : 0));
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX: return QVariant(QByteArray(buf, len).toLongLong());
    case MDB_FLOAT:
    case MDB_DOUBLE: return QVariant(QByteArray(buf, len).toDouble());
    case MDB_DATETIME: return dateValue(column, buf, len);
    case MDB_BINARY: return QVariant(QByteArray(buf, len));
    case MDB_OLE: return longValue(column);
    default: return QVariant(QString::fromUtf8(buf, len));
    }
}

QVariant Table::dateValue(int column, const char *text, int length) const
{
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(m_def->def->columns, column));
    MdbHandle *mdb = m_file.m_handle->mdb;
    // The stored double, when it lies where a date can lie in the page.
    if (col->cur_value_len == 8 && col->cur_value_start >= 0 && col->cur_value_start + 8 <= mdb->fmt->pg_size) {
        const QString date = jetDate(mdb_get_double(mdb->pg_buf, col->cur_value_start));
        if (!date.isEmpty())
            return date;
    }
    return QString::fromUtf8(text, length);
}

// A long value (OLE object): its pieces follow a chain of pages.  The chain of
// a damaged file can loop or run on, so the reading stops at the length the
// value declares and at the number of pages the file has.
QVariant Table::longValue(int column) const
{
    auto *col = static_cast<MdbColumn *>(g_ptr_array_index(m_def->def->columns, column));
    MdbHandle *mdb = m_file.m_handle->mdb;
    const QString damaged = QStringLiteral("the long value in row %1, column %2, is damaged")
                                .arg(m_row)
                                .arg(m_columns.at(column).name);
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, col->bind_ptr, MDB_MEMO_OVERHEAD);
    const qint64 declared = static_cast<qint64>(mdb_get_int32(header, 0) & 0x3FFFFFFF);
    if (declared == 0)
        return QVariant(QByteArray());
    if (declared > kLongValueCap)
        throw ReadError(damaged);
    QByteArray data;
    size_t piece = mdb_ole_read(mdb, col, header, kBindSize);
    qint64 pages = 0;
    while (piece > 0) {
        if (piece > static_cast<size_t>(kBindSize) || data.size() + static_cast<qint64>(piece) > declared
            || ++pages > m_file.m_pages)
            throw ReadError(damaged);
        data.append(static_cast<const char *>(col->bind_ptr), static_cast<qsizetype>(piece));
        if (data.size() == declared)
            break;
        piece = mdb_ole_read_next(mdb, col, header);
    }
    if (data.size() != declared)
        throw ReadError(damaged);
    return data;
}

} // namespace JetReader

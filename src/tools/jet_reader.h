#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <memory>
#include <stdexcept>
#include <vector>

// Reading of Access (Jet 3 and Jet 4) files through libmdb, checked at every
// step: a damaged file gives a ReadError with a sentence for the user, never
// a value made up from bytes outside the file.  The catalog is read from the
// system table itself (without the object properties, whose reader in
// libmdb is the part that hangs or reads past its buffers on damaged files),
// and long values are read with a cap on their size and on the pages their
// chain may visit.
namespace JetReader {

class ReadError : public std::runtime_error
{
public:
    explicit ReadError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct Column
{
    QString name;
    int type = 0; // libmdb's column type (MDB_TEXT, MDB_LONGINT...)
};

class File;

// One table being read row by row.
class Table
{
public:
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    QString name() const { return m_name; }
    const QList<Column> &columns() const { return m_columns; }
    // The number of rows the table's own definition says it holds.
    qint64 declaredRows() const { return m_declaredRows; }

    // The next row's values, in column order (a null QVariant of the column's
    // kind for NULL).  False at the end.  Throws ReadError on a damaged value.
    bool next(QVariantList &values);

private:
    friend class File;
    Table(File &file, int index);
    QVariant value(int column) const;
    QVariant longValue(int column) const;
    QVariant dateValue(int column, const char *text, int length) const;

    File &m_file;
    QString m_name;
    struct Definition;
    std::unique_ptr<Definition> m_def;
    QList<Column> m_columns;
    qint64 m_declaredRows = 0;
    qint64 m_row = 0;
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::vector<int> m_lengths;
};

// An open Jet file and its catalog.
class File
{
public:
    // Opens the file and reads its catalog.  Throws ReadError when the file
    // is not a Jet database or its catalog cannot be read.
    explicit File(const QString &path);
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    // The user tables, in catalog order.
    QStringList tableNames() const;
    // Catalog rows read and the number the catalog's own definition declares.
    qint64 catalogRows() const { return m_catalogRows; }
    qint64 catalogDeclaredRows() const { return m_catalogDeclared; }

    // Opens table number index of tableNames().  Throws ReadError.
    std::unique_ptr<Table> table(int index);

    QString path() const { return m_path; }

private:
    friend class Table;
    void readCatalog();

    QString m_path;
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    qint64 m_catalogRows = 0;
    qint64 m_catalogDeclared = 0;
    qint64 m_pages = 0; // whole pages in the file
};

} // namespace JetReader

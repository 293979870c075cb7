#pragma once

#include <QString>
#include <QVector>
#include <optional>

class cConnessione;

// The list of every mapping relation of a database, for the report window.
namespace Report {

// The query of the report: one row per relation, in id order, with the
// labels of both concepts, the relation's name and the target thesaurus.
QString query();

struct Riga
{
    QString id;        // mappingrelations.id in decimal
    QString dex;       // source concept label
    QString dexProp;   // relation name
    QString dexRight;  // target concept label
    QString nameRight; // name of the target thesaurus
    QString notes;     // empty when the notes are Null
    bool deleted = false; // its relation was deleted from the report since it was read
};

// Reads every relation.  Null texts come back empty.  Throws DbError.
QVector<Riga> leggi(cConnessione &connection);

// Prefix the report puts before the id of a relation it has deleted.
inline constexpr const char *DeletedPrefix = "DEL -- ";

// The relation id a report cell stands for, or nullopt when the cell does not
// hold a live relation's id (a deleted row, the empty row, a header text).
std::optional<qint32> idOfCell(const QString &text);

// The text of a row's record cell: its id, after DeletedPrefix once deleted.
QString recordText(const Riga &row);

// The position in rows of the row a record cell shows (live or deleted),
// -1 when the cell shows none.
int indexOfCell(const QVector<Riga> &rows, const QString &text);

// Deletes the relation of a row from the database and flags the row.  Gives
// the number of relations removed: 0 when it was no longer there.  Throws
// DbError, leaving the row as it was.
int deleteRelation(cConnessione &connection, Riga &row);

// The rows whose relations have not been deleted: the count the report shows.
int liveCount(const QVector<Riga> &rows);

} // namespace Report

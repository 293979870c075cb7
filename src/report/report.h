#pragma once

#include <QString>
#include <QVector>
#include <optional>

#include "data/changelog.h"

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
    qint32 property = 0; // the relation's kind as it was read
    QString changedBy;   // who stored or last changed it, where the change log tells
    QString changedAt;   // when (UTC, "2026-12-09T22:38:15.123Z")
    bool deleted = false; // its relation was deleted from the report since it was read
};

// Reads every relation.  Null texts come back empty.  Throws DbError.
QVector<Riga> leggi(cConnessione &connection);

// The rows and the change log's mark taken just before they were read:
// changes after the mark are newer than what the rows show.
struct Lettura
{
    QVector<Riga> rows;
    qint64 mark = 0;
};
Lettura leggiConSegno(cConnessione &connection);

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

// Deletes the relation of a row from the database and flags the row, unless
// another editor changed its kind after the row was read: then nothing is
// deleted and the row stays.  Gives the number of relations removed (0 when
// it was no longer there, or was changed); *happened says why there was
// nothing to remove.  Throws DbError, leaving the row as it was.
int deleteRelation(cConnessione &connection, Riga &row, ChangeLog::Happened *happened = nullptr);

// The rows whose relations have not been deleted: the count the report shows.
int liveCount(const QVector<Riga> &rows);

// What the report says when others changed relations since it was read:
// "3 relations changed by others, press F5" (empty for none).
QString othersText(int changed);

// A time of the change log as the report shows it: "2026-12-09 22:38:15".
QString timeShown(const QString &stored);

} // namespace Report

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
};

// Reads every relation.  Null texts come back empty.  Throws DbError.
QVector<Riga> leggi(cConnessione &connection);

// Prefix the report puts before the id of a relation it has deleted.
inline constexpr const char *DeletedPrefix = "DEL -- ";

// The relation id a report cell stands for, or nullopt when the cell does not
// hold a live relation's id (a deleted row, the empty row, a header text).
std::optional<qint32> idOfCell(const QString &text);

} // namespace Report

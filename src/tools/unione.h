#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class cConnessione;

// Utilities > Merge mapping relations: every mapping relation of a second
// database is appended to the open one under new ids.
namespace Unione {

// One relation as read from the appending database (values as stored, so
// that Null or malformed references can be reported rather than guessed at).
struct Riga
{
    QVariant id;
    QVariant projectRef;
    QVariant leftConceptRef;
    QVariant rightConceptRef;
    QVariant propertyRef;
    QVariant notes;
};

// Reads every mapping relation of a database, in id order.  Throws DbError.
QVector<Riga> leggi(cConnessione &source);

struct Esito
{
    bool unito = false;   // every row that could be appended was, and is committed
    qint32 aggiunte = 0;  // rows appended (0 when the merge was undone)
    qint32 primoId = 0;   // id of the first appended row
    int rigaFallita = -1; // index in the rows of the row that failed (-1: the merge as a whole)
    QString motivo;       // why it failed
    // Rows left out because the database lacks a concept, project or property
    // they refer to (every export and the report would skip them), each named
    // with what is missing.
    QStringList ignote;
};

// Appends the rows to the target in one transaction, numbered on from the
// target's highest id in the order given; notes that are Null become empty
// text.  The transaction takes the write lock first (waiting for another
// writer, up to the connection's busy timeout), so two merges at once number
// their rows one after the other.  Rows that refer to what the target does
// not hold are not appended but listed in Esito::ignote.  A malformed row, or
// ids that would not fit 32 bits, undo the whole merge, named in the result.
// Throws DbError when the transaction cannot even start (a read-only
// database, or one that stayed locked).
Esito accoda(cConnessione &target, const QVector<Riga> &rows);

// How a row is named in messages: "The mapping relation with id 9".
QString descrivi(const Riga &row, int index);

// What the user is told after accoda: "3 mapping relations appended" (with
// the rows left out, at most limite of them, 0 for all), or why the merge of
// the file at path was undone.
QString messaggio(const Esito &esito, const QVector<Riga> &rows, const QString &path, int limite);

// The whole menu command: choose the file, open it through a second
// connection, append, tell the user.
void UnisciDatabase();

} // namespace Unione

#pragma once

#include <QString>
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
    bool unito = false;   // every row was appended and committed
    qint32 aggiunte = 0;  // rows appended (0 when the merge was undone)
    qint32 primoId = 0;   // id of the first appended row
    int rigaFallita = -1; // index in the rows of the row that failed
    QString motivo;       // why it failed
};

// Appends the rows to the target in one transaction, numbered on from the
// target's highest id in the order given; notes that are Null become empty
// text.  A row that cannot be appended undoes the whole merge and is named in
// the result.  Throws DbError when the transaction cannot even start (for
// example a read-only database).
Esito accoda(cConnessione &target, const QVector<Riga> &rows);

// How a row is named in messages: "The mapping relation with id 9".
QString descrivi(const Riga &row, int index);

// The whole menu command: choose the file, open it through a second
// connection, append, tell the user.
void UnisciDatabase();

} // namespace Unione

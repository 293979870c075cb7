#pragma once

#include <QString>
#include <QVariantList>
#include <QVector>

class cConnessione;

// The concept search of the alignment windows: which concepts of one
// thesaurus have an English label or note, or a broader, narrower or related
// concept whose description, containing a word.  Widget-free: the window
// reads its check boxes into Campi and highlights the ids returned.
namespace Ricerca {

// The six check boxes of the search band.
struct Campi
{
    bool prefLabel = true;
    bool altLabel = true;
    bool scopeNote = true;
    bool related = true;
    bool narrower = true;
    bool broader = true;

    bool any() const { return prefLabel || altLabel || scopeNote || related || narrower || broader; }
};

// "properties.id = 1 or properties.id = 4 or properties.id = 6" for the
// ticked text properties (altLabel, prefLabel, scopeNote in that order);
// empty when none is ticked.
QString filtroDataType(const Campi &campi);
// The same for the link properties: related 5, broader 2, narrower 3.
QString filtroObject(const Campi &campi);

struct Query
{
    QString sql;
    QVariantList params; // the word, once per part of the statement
};

// The text-value query, the link query, or their union.  model is the
// thesaurus searched (3 for EUROVOC).  The word is bound, never written into
// the text, and lies between two '%' wildcards exactly as typed.  Empty sql
// when no box is ticked.
Query costruisci(const Campi &campi, int model, const QString &word);

// Runs the search and gives the concept ids in the order the database
// returns them, each once.  An empty word finds nothing.  Uses the side
// index of the connection (SearchIndex) when it is ready and can answer the
// word, and never waits for it; the result is the same either way.  Throws DbError when the query cannot run.
QVector<qint32> esegui(cConnessione &connection, const Campi &campi, int model, const QString &word);

// The plain statement only, without the side index (for comparisons).
QVector<qint32> eseguiSenzaIndice(cConnessione &connection, const Campi &campi, int model, const QString &word);

} // namespace Ricerca

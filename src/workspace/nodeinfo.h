#pragma once

#include <QString>
#include <QVector>

class cConnessione;

// The properties of one concept as the information grid of an alignment
// window lists them: its links (property, description of the concept linked
// to) ordered by property and description, then its English text values
// (property, value) ordered by property and value.  Mapping relations are
// left out.  Widget-free.
namespace InfoNodo {

struct Riga
{
    QString proprieta; // the property's description
    QString valore;    // the linked concept's description or the value; empty for a Null
};

struct Risultato
{
    QVector<Riga> righe;
    int oggetti = 0; // how many of the rows (the first ones) are links
};

// The two statements; each takes the concept id as its one bound value.
QString objectQuery();
QString dataTypeQuery();

// Both lists for a concept.  Throws DbError when a query cannot run.
Risultato leggi(cConnessione &connection, qint32 conceptId);

// "Node informations: " text " (" id ")".
QString caption(const QString &nodeText, qint32 conceptId);

// The grid's header: three columns, the first narrow and empty.
QString formatString();

} // namespace InfoNodo

#pragma once

#include "tools/mappingstatement.h"
#include "tools/unione.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class cConnessione;

// Utilities > Import mapping relations: mapping relations read from a SKOS
// file (Turtle, RDF/XML, N-Triples), an SSSOM file (TSV, or RDF in Turtle or
// RDF/XML), an Alignment-format file or this program's CSV export, matched to
// the concepts of the open database by URI, and stored under new ids (or the
// ids their records carry for this database) after the user has seen what
// the file holds.
//
// The readers are a library of their own: leggiFile gives, for any of these
// files, the statements as (subject IRI, predicate IRI, object IRI,
// confidence) in Voce, the negative mappings apart.
namespace MappingImport {

QString nomeTipo(Tipo tipo);

// The kind of a file, judged by its first lines and, when they say nothing
// clear, by its extension.  Nothing when neither tells.
std::optional<Tipo> riconosci(const QString &path, const QByteArray &bytes);

// Reads a file of any of the kinds.
File leggiFile(const QString &path);
// Reads bytes of a known kind; path only gives the base of relative IRIs.
File leggi(const QByteArray &bytes, Tipo tipo, const QString &path);

// The error of a file that cannot be read, naming the file and the line.
QString messaggioErrore(const File &file, const QString &path);

// Statements of one kind that are read but never stored, counted.
struct NonRegistrate
{
    QString motivo;   // "negative mappings (predicate_modifier Not)", "skos:closeMatch, which is not..."
    int conteggio = 0;
    int primaRiga = -1;
};

struct Analisi
{
    int lette = 0;                 // statements read (mapping or not)
    // Relations to store, in file order; id holds the id its record carries
    // for this database when that id is free, else it is null.
    QVector<Unione::Riga> nuove;
    QVector<int> righeNuove;       // their lines, parallel to nuove
    int idConservati = 0;          // new relations that keep the ids of their records
    int idOccupati = 0;            // records of this database whose ids other relations hold now
    int presenti = 0;              // already in the database with the same relation
    int ripetute = 0;              // repeated in the file
    int altraRelazione = 0;        // new ones for pairs that already have another relation
    int sconosciute = 0;           // statements with a URI no concept has
    QStringList elencoSconosciute; // "line 4: subject http://..." per such statement
    int nonRegistrate = 0;         // read but not storable: negative, other predicates, literal...
    QVector<NonRegistrate> motiviNonRegistrate; // by kind, in order of first appearance
    int rifiutate = 0;             // statements refused for other reasons
    QStringList elencoRifiutate;   // the reasons, with lines
};

// Matches the statements: the subject must be a EUROVOC concept, the object
// a concept of one target thesaurus, the predicate one of the three mapping
// properties.  Reads only.  Throws DbError.
Analisi analizza(cConnessione &connection, const File &file);

// The summary shown before storing (lists cut after `limite` entries each,
// 0 for no limit).
QString riepilogo(const Analisi &analisi, const QString &path, int limite = 20);

struct Registrazione
{
    bool registrato = false; // every relation to store was stored and committed
    qint32 aggiunte = 0;     // relations stored (0 when undone)
    qint32 idConservati = 0; // of them, stored under the ids of their records
    qint32 ultimoId = 0;     // the highest id written
    int presentiOra = 0;     // found stored when the writing began (another writer), left out
    int rigaFallita = -1;    // index in nuove of the relation that failed, -1 for all of them
    QString motivo;          // why it failed
};

// Stores the new relations in one transaction that holds the write lock from
// its start: the "already present" check is made again inside it, so two
// imports at once store each relation once.  Ids of records are kept when
// still free; the others are numbered on from the highest id.  Refuses,
// storing nothing, when the ids would not fit the 32-bit id column.  Throws
// DbError when the transaction cannot start.
Registrazione registra(cConnessione &connection, const Analisi &analisi);

// The failure of registra, for the user.
QString messaggioFallimento(const Analisi &analisi, const Registrazione &esito);

// The closing message of a successful import.
QString messaggioRiuscita(const Registrazione &esito, const QString &path);

// The whole menu command.
void ImportaMapping();

} // namespace MappingImport

#pragma once

#include "tools/unione.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class cConnessione;

// Utilities > Import mapping relations: mapping relations read from a SKOS
// file (Turtle, RDF/XML, N-Triples), an SSSOM TSV file or this program's CSV
// export, matched to the concepts of the open database by URI, and stored
// under new ids after the user has seen what the file holds.
namespace MappingImport {

enum class Tipo { Turtle, RdfXml, NTriples, Sssom, Csv };

QString nomeTipo(Tipo tipo);

// The kind of a file, judged by its first lines and, when they say nothing
// clear, by its extension.  Nothing when neither tells.
std::optional<Tipo> riconosci(const QString &path, const QByteArray &bytes);

// One mapping statement as read, before it is matched to the database.
struct Voce
{
    int riga = -1; // line of the file, -1 when unknown
    QString soggetto;
    QString predicato; // a URI, a skos: CURIE or a relation name (CSV)
    QString oggetto;
    QString note;
    bool soggettoIri = true; // false for a blank node or a literal (RDF)
    bool oggettoIri = true;
};

struct File
{
    bool ok = false;
    Tipo tipo = Tipo::Turtle;
    QVector<Voce> voci;
    QStringList scartate; // rows refused while reading, with line and reason
    QString errore;       // why the file cannot be read
    int rigaErrore = -1;  // the line the error names, -1 when none
};

// Reads a file of any of the kinds.
File leggiFile(const QString &path);
// Reads bytes of a known kind; path only gives the base of relative IRIs.
File leggi(const QByteArray &bytes, Tipo tipo, const QString &path);

// The error of a file that cannot be read, naming the file and the line.
QString messaggioErrore(const File &file, const QString &path);

struct Analisi
{
    int lette = 0;                 // statements read (mapping or not)
    QVector<Unione::Riga> nuove;   // relations to store, in file order
    QVector<int> righeNuove;       // their lines, parallel to nuove
    int presenti = 0;              // already in the database with the same relation
    int ripetute = 0;              // repeated in the file
    int altraRelazione = 0;        // new ones for pairs that already have another relation
    int sconosciute = 0;           // statements with a URI no concept has
    QStringList elencoSconosciute; // "line 4: subject http://..." per such statement
    int rifiutate = 0;             // statements refused for other reasons
    QStringList elencoRifiutate;   // reasons; statements with another predicate grouped per predicate
};

// Matches the statements: the subject must be a EUROVOC concept, the object
// a concept of one target thesaurus, the predicate one of the three mapping
// properties.  Reads only.  Throws DbError.
Analisi analizza(cConnessione &connection, const File &file);

// The summary shown before storing (lists cut after `limite` entries each,
// 0 for no limit).
QString riepilogo(const Analisi &analisi, const QString &path, int limite = 20);

// Stores the new relations in one transaction, numbered on from the
// highest id.  Throws DbError when the transaction cannot start.
Unione::Esito registra(cConnessione &connection, const Analisi &analisi);

// The failure of registra, for the user.
QString messaggioFallimento(const Analisi &analisi, const Unione::Esito &esito);

// The whole menu command.
void ImportaMapping();

} // namespace MappingImport

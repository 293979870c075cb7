#pragma once

#include <QMap>
#include <QString>
#include <QStringView>
#include <QVector>

class cConnessione;

// The mapping relations in the exchange formats of the field: SKOS mapping
// triples (Turtle or RDF/XML), SSSOM TSV and CSV.
namespace MappingFormats {

enum class Formato { SkosTurtle, SkosRdfXml, Sssom, Csv };

// "SKOS (Turtle)", "SKOS (RDF/XML)", "SSSOM (TSV)", "CSV".
QString nome(Formato formato);
// File name proposed for an export: "mappings-all.ttl", "mappings-eurovoc-gemet.sssom.tsv"...
QString nomeProposto(Formato formato, qint32 progetto);
// Filter of the save dialog.
QString filtro(Formato formato);

inline constexpr const char *SemapvNamespace = "https://w3id.org/semapv/vocab/";
inline constexpr const char *SssomLicense = "https://w3id.org/sssom/license/unspecified";

// One relation with everything the formats write.
struct Relazione
{
    qint32 id = 0;
    QString srcUri, srcLabel;
    QString relUri, relLabel;
    QString trgUri, trgLabel;
    QString trgThesaurus; // models.dex of the target
    int trgModel = 0;
    QString notes; // Null notes read as empty text
};

// Relations of a project (0 = all), ordered by target thesaurus, relation,
// source label and id.  Throws DbError.
QVector<Relazione> leggiRelazioni(cConnessione &connection, qint32 progetto);

// SSSOM cells: tab, line feed, carriage return and backslash written as
// \t \n \r \\ ; reading undoes exactly that (any other backslash stays).
QString escapeTsv(QStringView text);
QString unescapeTsv(QStringView text);

// A CSV field: quoted, with quotes doubled, when it holds a comma, a quote,
// CR or LF; as it is otherwise.
QString campoCsv(const QString &text);

// A YAML scalar for the SSSOM metadata: plain when that is safe, else
// double-quoted with escapes.
QString scalareYaml(const QString &text);

// The namespace of a concept URI (up to its last "#" or "/", else its last
// ":") and the local part after it.
QString spazioNomi(const QString &uri);

// Column header of the SSSOM table.
QStringList colonneSssom();
// Header row of the CSV file.
QStringList colonneCsv();

struct Omessa
{
    qint32 id = 0;
    QString motivo;
};

struct Esito
{
    bool scritto = false;    // the file is complete and in place
    qint32 relazioni = 0;    // relations written
    QVector<Omessa> omesse;  // relations left out (URIs the format cannot carry)
    QString errore;          // why the file could not be written
};

// Writes the relations of a project (0 = all) to path, replacing an earlier
// file only when the new one is complete.  Relations whose URIs the format
// cannot carry are left out and listed.  Query failures throw DbError.
Esito scrivi(cConnessione &connection, Formato formato, qint32 progetto, const QString &path);

// The closing message of an export: how many went where, and what was left out.
QString riepilogo(const Esito &esito, const QString &path);

// The menu command: project prompt, save dialog, file, message.
void Esporta(Formato formato);

} // namespace MappingFormats

#pragma once

#include "tools/mappingsssom.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

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
    QString changedBy; // who stored or last changed it, where the change log tells
    QString changedAt; // when (UTC, "2026-12-09T22:38:15.123Z")
};

// Relations of a project (0 = all), ordered by target thesaurus, relation,
// source label and id.  Throws DbError.
QVector<Relazione> leggiRelazioni(cConnessione &connection, qint32 progetto);

// The namespace of a concept URI (up to its last "#" or "/", else its last
// ":") and the local part after it.
QString spazioNomi(const QString &uri);

// What an SSSOM export may carry beyond the relations themselves.
struct OpzioniSssom
{
    // The set's license, an IRI; empty for the one remembered for the
    // database, else the standard's "unspecified" license.
    QString license;
    // Called for every relation written, to add slots (author_id,
    // mapping_date...) to its mapping.
    std::function<void(const Relazione &, Sssom::Mapping &)> extraSlots;
    // Mappings written after the relations (candidates, negative mappings...),
    // as given: entity references as IRIs.
    QVector<Sssom::Mapping> extraMappings;
    // More set-level slots (mapping_set_title, mapping_set_description...).
    QHash<QString, QStringList> extraMetadata;
};

// The license an SSSOM export of this database states when none is given.
QString licenzaPredefinita(cConnessione &connection);

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
// The SSSOM export names this database in its record ids (making its
// identity at the first export when the file can be written).
Esito scrivi(cConnessione &connection, Formato formato, qint32 progetto, const QString &path,
             const OpzioniSssom &sssom = {});

// The closing message of an export: how many went where, and what was left out.
QString riepilogo(const Esito &esito, const QString &path);

// Asks for the license of an SSSOM export, proposing the one remembered for
// the open database; remembers the answer.  False when cancelled.
bool chiediLicenza(QString &license);
// Why a license is refused: it is not an IRI.
QString licenzaRifiutata(const QString &license);

// The menu command: project prompt, save dialog, (the license,) file, message.
void Esporta(Formato formato);

} // namespace MappingFormats

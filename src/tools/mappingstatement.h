#pragma once

#include <QString>
#include <QVector>
#include <optional>
#include <utility>

// What every reader of mapping files gives: the statements of a file as read,
// before they are matched to a database.  The readers of SKOS, SSSOM (TSV and
// RDF), the Alignment format and this program's CSV all fill a File.
namespace MappingImport {

enum class Tipo { Turtle, RdfXml, NTriples, Sssom, Csv, Alignment };

// One mapping statement as read.
struct Voce
{
    int riga = -1; // line of the file, -1 when unknown
    QString soggetto;
    QString predicato; // a full IRI, or a relation name (CSV)
    QString oggetto;
    QString note;
    bool soggettoIri = true; // false for a blank node or a literal (RDF)
    bool oggettoIri = true;
    std::optional<double> confidence; // SSSOM confidence, the Alignment format's measure
    QString recordId;                 // SSSOM record_id as a full IRI, empty when none
};

struct File
{
    bool ok = false;
    Tipo tipo = Tipo::Turtle;
    QVector<Voce> voci;     // positive mappings, in file order
    QVector<Voce> negated;  // negative mappings (predicate_modifier Not): read, reported, never stored
    // Mappings the file holds that name no entity this program could store
    // (a literal given by its label, a "no term found"), with their line.
    QVector<std::pair<QString, int>> setAside;
    QString errore;         // why the file cannot be read
    int rigaErrore = -1;    // the line the error names, -1 when none
    QString metadataFile;   // the separate SSSOM metadata file read with the table, empty when none

    // Every mapping statement the file holds, stored or not.
    int statements() const { return static_cast<int>(voci.size() + negated.size() + setAside.size()); }
};

} // namespace MappingImport

#pragma once

#include <QString>
#include <QVector>

// Measures a candidate set against a reference alignment: precision, recall
// and F1 over the mapping statements (subject, relation, object).
namespace Evaluation {

// One mapping statement with full IRIs.
struct Link
{
    QString subject;
    QString predicate; // a SKOS mapping property IRI
    QString object;
    double confidence = 1.0;
};

struct Figures
{
    int candidates = 0; // distinct statements of the candidate set
    int reference = 0;  // distinct statements of the reference
    int correct = 0;    // statements in both
    double precision = 0;
    double recall = 0;
    double f1 = 0;
};

// The figures of candidates against reference (repeated statements count once).
Figures compare(const QVector<Link> &candidates, const QVector<Link> &reference);

// The figures as printed by the command line.
QString report(const Figures &figures);

struct Read
{
    bool ok = false;
    QVector<Link> links; // positive statements only: negative ones (predicate_modifier Not) are left out
    QString error;
};

// Reads a mapping file: SSSOM (TSV) or the Alignment format (RDF/XML),
// told apart by its content.
Read readFile(const QString &path);

} // namespace Evaluation

#pragma once

#include <QList>
#include <QString>

class cConnessione;

// Writes made-up thesauri of any size with the shape of the real ones, for
// benchmarks and tests: several top concepts (the EUROVOC fields, or the
// subsets of a target thesaurus), branches 3 to 7 levels deep with uneven
// fan-out, labels of realistic length in English and another language,
// broader / narrower / related links, and optionally mapping relations.
namespace Generator {

struct GeneratorOptions
{
    int concepts = 1000;   // concepts of each model, top concepts included
    int relations = 0;     // mapping relations between EUROVOC and the targets
    QList<int> models;     // models to fill; empty means all five
    quint32 seed = 1;      // the same seed gives the same database
};

struct GeneratorReport
{
    int concepts = 0;
    int relations = 0;
    int labels = 0;
    int links = 0;
};

// Adds the generated thesauri to a database that has the schema and fixed rows
// (ids continue after the highest ones present).  One transaction: all or
// nothing.  Throws DbError on a failed statement and std::invalid_argument
// for options that make no sense.
GeneratorReport generate(cConnessione &connection, const GeneratorOptions &options);

// Creates a new database file (never overwrites one), writes the schema, the
// fixed rows and the generated thesauri.
GeneratorReport generateFile(const QString &path, const GeneratorOptions &options);

} // namespace Generator

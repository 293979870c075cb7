#pragma once

#include "tools/mappingstatement.h"

#include <QByteArray>

// The Alignment format that ontology matchers and the OAEI campaigns write:
// an RDF/XML document whose Alignment holds one Cell per correspondence, with
// entity1, entity2, a measure (a confidence between 0 and 1) and a relation.
namespace MappingAlignment {

inline constexpr const char *Namespace = "http://knowledgeweb.semanticweb.org/heterogeneity/alignment#";

// True when the first bytes of a file are an Alignment document.
bool recognise(const QByteArray &head);

// Reads the cells into file.  "=" becomes skos:exactMatch, "<" (entity1 is
// subsumed by entity2) skos:broadMatch and ">" skos:narrowMatch, each with
// entity1 as subject; other relations are kept under their own name
// ("align:%"), which no mapping property of this program has.  A cell
// without both entities, or with a measure that is no number between 0 and
// 1, refuses the file with its line.
void read(const QByteArray &bytes, MappingImport::File &file);

} // namespace MappingAlignment

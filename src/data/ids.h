#pragma once

#include <QString>

// Fixed ids of the thesaurus database.
namespace Ids {

enum Model : int { ECLAS = 1, ETT = 2, EUROVOC = 3, UNESCO = 4, GEMET = 5 };

enum Property : int {
    AltLabel = 1,
    Broader = 2,
    Narrower = 3,
    PrefLabel = 4,
    Related = 5,
    ScopeNote = 6,
    BroadMatch = 8,
    ExactMatch = 9,
    NarrowMatch = 10
};

constexpr int LangEnglish = 6;

// Mapping project of a target model: 1 ECLAS, 2 ETT, 3 UNESCO, 4 GEMET.
constexpr int projectForModel(int model) { return model < 4 ? model : model - 1; }

// The program's own short name of a model ("eclas", "ett", "eurovoc", "unesco", "gemet");
// empty for an unknown id.
QString modelName(int model);

// URIs of the EUROVOC fields are this prefix followed by the two-digit field code.
inline constexpr const char *DomainNamespace = "http://eurovoc.europa.eu/domain#";

} // namespace Ids

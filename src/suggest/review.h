#pragma once

#include "data/mdlGlobale.h"
#include "suggest/matcher.h"

class cConnessione;

// Accepting and rejecting a suggested pair.  Accepting stores the relation
// exactly as the mapping editor's save does (same routine: id rule, checks and
// messages); both record the decision beside it.
namespace Review {

// Index in the loaded tree's node list of a concept; -1 when it is not loaded.
int nodeIndex(const QVector<mdlGlobale::NodeRecord> &nodes, qint32 conceptId);

// Stores the candidate as a new relation of the open mapping through the
// editor's save, as if its two concepts had been clicked in the trees and the
// proposed relation chosen, then records the decision.  The trees' current
// nodes and a relation being edited in the editor are left as they were.
// True when the relation was stored.  Every message goes through dialogs().
bool accept(const Suggest::Candidate &candidate, const QString &sourceText, const QString &targetText);

// Records that the editor rejected the pair in the open mapping's project;
// the matcher given (if any) names the project and stops proposing the pair
// at once.  True when stored;
// a database error is shown and gives false.
bool reject(const Suggest::Candidate &candidate, Suggest::Matcher *matcher = nullptr);

} // namespace Review

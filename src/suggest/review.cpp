#include "suggest/review.h"

#include "base/DbError.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/ids.h"
#include "suggest/decisions.h"
#include "workspace/mappingeditor.h"

namespace Review {

using namespace mdlGlobale;

namespace {

Decisions::Record recordOf(const Suggest::Candidate &candidate, int model, Decisions::Decision decision)
{
    Decisions::Record r;
    r.project = Ids::projectForModel(model);
    r.left = candidate.source;
    r.right = candidate.target;
    r.property = candidate.property;
    r.score = candidate.score;
    r.evidence = candidate.evidenceText();
    r.decision = decision;
    return r;
}

} // namespace

int nodeIndex(const QVector<NodeRecord> &nodes, qint32 conceptId)
{
    for (int i = 0; i < nodes.size(); ++i)
        if (nodes.at(i).conceptId == conceptId)
            return i;
    return -1;
}

bool accept(const Suggest::Candidate &candidate, const QString &sourceText, const QString &targetText)
{
    const int left = nodeIndex(vLeftNodes, candidate.source);
    const int right = nodeIndex(vRightNodes, candidate.target);
    if (candidate.source == 0 || candidate.target == 0 || left < 0 || right < 0) {
        dialogs().message(QStringLiteral("The concepts of the couple are no longer loaded: open the mapping "
                                         "again and suggest once more."),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    // The save reads the couple from the trees' current nodes and edits the
    // relation named by vEditRelationId: point them at this pair for the
    // save only, so what the user was doing in the trees and editor stays.
    const qint32 keptLeft = vLeftCurrent, keptRight = vRightCurrent, keptEdit = vEditRelationId;
    vLeftCurrent = left;
    vRightCurrent = right;
    vEditRelationId = 0;
    const qint32 before = vLastRelationId;
    const bool stored = MappingEditor::Salva({sourceText, targetText, candidate.relationName(), QString()});
    vLeftCurrent = keptLeft;
    vRightCurrent = keptRight;
    vEditRelationId = keptEdit;
    if (!stored || vLastRelationId == before)
        return stored;
    try {
        Decisions::Record r = recordOf(candidate, vTargetModel, Decisions::Decision::Accepted);
        r.relation = vLastRelationId;
        Decisions::record(vConnection, r);
    } catch (const DbError &e) {
        // The relation itself is stored; only the note of the decision is missing.
        mdlUtil::MostraErrore(e);
    }
    return true;
}

bool reject(const Suggest::Candidate &candidate, Suggest::Matcher *matcher)
{
    const int model = matcher ? matcher->scope().targetModel : vTargetModel;
    if (model != Ids::ECLAS && model != Ids::ETT && model != Ids::UNESCO && model != Ids::GEMET) {
        dialogs().message(QStringLiteral("No mapping is open: choose the thesauri with Mapping > New first."), {},
                          Dialogs::Icon::Warning);
        return false;
    }
    try {
        Decisions::record(vConnection, recordOf(candidate, model, Decisions::Decision::Rejected));
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return false;
    }
    if (matcher)
        matcher->reject(candidate.source, candidate.target);
    return true;
}

} // namespace Review

#include "suggest/fieldreview.h"

#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "suggest/review.h"

namespace Suggest {

using namespace mdlGlobale;

Scope currentScope()
{
    return {vTargetModel, vEurovocField, vTargetSubset};
}

namespace {

struct Kept
{
    std::unique_ptr<Matcher> matcher;
    Scope scope;
    QString database;
    qint32 lastRelation = -1;
    qint64 relations = -1;
};

Kept &kept()
{
    static Kept k;
    return k;
}

bool sameScope(const Scope &a, const Scope &b)
{
    return a.targetModel == b.targetModel && a.field == b.field && a.subset == b.subset;
}

} // namespace

Matcher *currentMatcher(QString *why)
{
    const Scope scope = currentScope();
    if (!vConnection.isOpen() || (scope.targetModel != Ids::ECLAS && scope.targetModel != Ids::ETT
                                  && scope.targetModel != Ids::UNESCO && scope.targetModel != Ids::GEMET)) {
        if (why)
            *why = QStringLiteral("No mapping is open: choose the thesauri with Mapping > New first.");
        return nullptr;
    }
    Kept &k = kept();
    // Relations stored since the build (by the editor, a merge, another
    // program) count as structure and are no longer proposed: build again.
    const qint64 relations =
        vConnection.scalar(QStringLiteral("select count(*) from mappingrelations where project_ref = ?"),
                           {Ids::projectForModel(scope.targetModel)})
            .toLongLong();
    if (k.matcher && sameScope(k.scope, scope) && k.database == vConnection.databasePath()
        && k.lastRelation == vLastRelationId && k.relations == relations)
        return k.matcher.get();
    k.matcher.reset();
    k.matcher = Matcher::build(vConnection, scope, why);
    k.scope = scope;
    k.database = vConnection.databasePath();
    k.lastRelation = vLastRelationId;
    k.relations = relations;
    return k.matcher.get();
}

void forgetCurrentMatcher()
{
    kept().matcher.reset();
}

void FieldReview::run(const Matcher &matcher, int perConcept, const Progress &progress, bool *cancelled)
{
    m_rows.clear();
    bool stopped = false;
    const QVector<qint32> sources = matcher.sources();
    m_sources = static_cast<int>(sources.size());
    const QVector<QVector<Candidate>> all = matcher.suggestAll(perConcept, progress, &stopped);
    if (cancelled)
        *cancelled = stopped;
    if (stopped)
        return;
    for (int i = 0; i < sources.size() && i < all.size(); ++i)
        for (const Candidate &c : all.at(i))
            m_rows.append({c, matcher.sourceLabel(c.source), matcher.targetLabel(c.target), State::Pending});
}

QVector<int> FieldReview::visible(const Filter &f) const
{
    QVector<int> out;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows.at(i);
        if (r.candidate.score + 1e-9 < f.minScore)
            continue;
        if (f.property != 0 && r.candidate.property != f.property)
            continue;
        if (f.pendingOnly && r.state != State::Pending)
            continue;
        out.append(i);
    }
    return out;
}

bool FieldReview::accept(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    Row &r = m_rows[row];
    if (r.state == State::Accepted || r.state == State::Rejected)
        return false;
    if (!Review::accept(r.candidate, r.sourceText, r.targetText))
        return false;
    r.state = State::Accepted;
    return true;
}

bool FieldReview::reject(int row, Matcher *matcher)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    Row &r = m_rows[row];
    if (r.state == State::Accepted || r.state == State::Rejected)
        return false;
    if (!Review::reject(r.candidate, matcher))
        return false;
    r.state = State::Rejected;
    return true;
}

bool FieldReview::skip(int row)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).state != State::Pending)
        return false;
    m_rows[row].state = State::Skipped;
    return true;
}

QString FieldReview::stateName(State state)
{
    switch (state) {
    case State::Accepted: return QStringLiteral("accepted");
    case State::Rejected: return QStringLiteral("rejected");
    case State::Skipped: return QStringLiteral("skipped");
    case State::Pending: break;
    }
    return {};
}

} // namespace Suggest

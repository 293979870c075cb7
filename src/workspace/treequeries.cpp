#include "workspace/treequeries.h"

#include "base/clock.h"
#include "data/ids.h"

AlberoQuery::Query AlberoQuery::targetRoot(int model, const QString &subset)
{
    if (subset.isEmpty())
        return {QStringLiteral("select * from Concepts where model_ref = ? and parent_ref is null and is_leaf = 0 "
                               "order by dex"),
                {model}};
    return {QStringLiteral("select * from Concepts where model_ref = ? and parent_ref is null and is_leaf = 0 "
                           "and dex = ? order by dex"),
            {model, subset}};
}

AlberoQuery::Query AlberoQuery::eurovocRoot(const QString &field)
{
    return {QStringLiteral("select * from Concepts where model_ref = ? and parent_ref is null and uri = ?"),
            {int(Ids::EUROVOC), QString::fromLatin1(Ids::DomainNamespace) + field}};
}

QString AlberoQuery::childQuery()
{
    return QStringLiteral("select * from Concepts where parent_ref = ? order by dex");
}

QString AlberoQuery::subtreeQuery()
{
    // Every concept below the given one with its parent, in no particular
    // order: the reader puts the siblings in description order and walks
    // the tree itself, which costs far less than a queue ordered by the
    // database.
    return QStringLiteral(
        "with recursive sub(id, parent_ref, dex, is_leaf) as ("
        " select id, parent_ref, dex, is_leaf from concepts where parent_ref = ?"
        " union all"
        " select c.id, c.parent_ref, c.dex, c.is_leaf"
        " from concepts as c inner join sub on c.parent_ref = sub.id)"
        " select id, parent_ref, dex, is_leaf from sub");
}

QString AlberoQuery::belowAnyQuery()
{
    return QStringLiteral("select id, parent_ref, dex, is_leaf from concepts where parent_ref is not null");
}

QString AlberoQuery::nodeKey(bool leftSide, qint32 conceptId)
{
    return (leftSide ? QStringLiteral("L") : QStringLiteral("R")) + QString::number(conceptId);
}

QString AlberoQuery::progressText(const QString &side, qint32 conceptId)
{
    return QStringLiteral("Wait a moment, please (") + side + QStringLiteral(": ") + QString::number(conceptId)
           + QLatin1Char(')');
}

QString AlberoQuery::targetName(int model)
{
    switch (model) {
    case Ids::ECLAS:
    case Ids::ETT:
    case Ids::UNESCO:
    case Ids::GEMET:
        return Ids::modelName(model);
    default:
        return {};
    }
}

ProgressThrottle::ProgressThrottle(int intervalMs, int callsPerClockRead)
    : m_intervalMs(intervalMs), m_every(callsPerClockRead < 1 ? 1 : callsPerClockRead)
{
}

bool ProgressThrottle::due()
{
    const bool first = m_calls == 0;
    const bool look = first || m_calls % m_every == 0;
    ++m_calls;
    if (!look)
        return false;
    const qint64 now = programClock().now().toMSecsSinceEpoch();
    if (!first && now - m_last < m_intervalMs)
        return false;
    m_last = now;
    ++m_shown;
    return true;
}

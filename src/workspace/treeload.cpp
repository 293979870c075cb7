#include "workspace/treeload.h"

#include "data/cConnessione.h"
#include "workspace/treequeries.h"

#include <QSqlError>
#include <QSqlQuery>

TreeLoad::Request TreeLoad::targetRequest(int model, const QString &subset)
{
    const AlberoQuery::Query q = AlberoQuery::targetRoot(model, subset);
    return {AlberoQuery::targetSide(), AlberoQuery::targetName(model), q.sql, q.params};
}

TreeLoad::Request TreeLoad::sourceRequest(const QString &fieldCode)
{
    const AlberoQuery::Query q = AlberoQuery::eurovocRoot(fieldCode);
    return {AlberoQuery::sourceSide(), AlberoQuery::sourceSide(), q.sql, q.params};
}

namespace {

// Appends the subtree of the concept in row top, read by the prepared subtree
// query: each row names its depth below that concept, so the row of its
// parent is the last one seen one level up.
void appendSubtree(cConnessione &connection, QSqlQuery &sub, int top, TreeLoad::Result &result,
                   const TreeLoad::Progress &progress)
{
    constexpr int Skipped = -2; // a row whose depth does not follow on: left out with its subtree
    connection.exec(sub, {result.rows.at(top).conceptId});
    QVector<int> rowOfDepth{top};
    while (sub.next()) {
        const int depth = sub.value(4).toInt();
        const int parent = depth >= 1 && depth <= rowOfDepth.size() ? rowOfDepth.at(depth - 1) : Skipped;
        rowOfDepth.resize(std::max(0, depth));
        if (parent == Skipped) {
            rowOfDepth.append(Skipped);
            continue;
        }
        const qint32 id = sub.value(0).toInt();
        rowOfDepth.append(static_cast<int>(result.rows.size()));
        result.rows.append({id, sub.value(3).toInt(), sub.value(2).toString(), parent});
        if (progress)
            progress(id);
    }
    if (sub.lastError().isValid())
        throw cConnessione::errorOf(sub);
    sub.finish();
}

} // namespace

TreeLoad::Result TreeLoad::load(cConnessione &connection, const QString &rootQuery, const QVariantList &params,
                                const Progress &progress)
{
    Result result;
    try {
        RecordSet rs;
        if (!connection.ApriRS(rootQuery, rs, params))
            return result;
        QSqlQuery sub = connection.prepare(AlberoQuery::subtreeQuery());
        while (!rs.isEOF()) {
            const qint32 id = rs.value(QStringLiteral("id")).toInt();
            const int top = static_cast<int>(result.rows.size());
            result.rows.append({id, rs.value(QStringLiteral("is_leaf")).toInt(),
                                rs.value(QStringLiteral("dex")).toString(), -1});
            if (progress)
                progress(id);
            appendSubtree(connection, sub, top, result, progress);
            rs.MoveNext();
        }
        connection.ChiudiRS(rs);
    } catch (const DbError &e) {
        result.failure = e;
    }
    return result;
}

#pragma once

// The per-concept walk over the concept tree: one query for the children of
// every concept, recursively.  The program reads a tree with one subtree
// query per top concept (TreeLoad::load); this walk is kept only to measure
// the two against each other and to check that both give the same rows.
#include "data/cConnessione.h"
#include "workspace/treeload.h"
#include "workspace/treequeries.h"

namespace ConceptWalk {

inline void appendChildren(cConnessione &connection, int parentRow, TreeLoad::Result &result,
                           const TreeLoad::Progress &progress)
{
    RecordSet rs;
    if (!connection.ApriRS(AlberoQuery::childQuery(), rs, {result.rows.at(parentRow).conceptId}))
        return;
    while (!rs.isEOF()) {
        const qint32 id = rs.value(QStringLiteral("id")).toInt();
        const int row = static_cast<int>(result.rows.size());
        result.rows.append({id, rs.value(QStringLiteral("is_leaf")).toInt(), rs.value(QStringLiteral("dex")).toString(),
                            parentRow});
        if (progress)
            progress(id);
        appendChildren(connection, row, result, progress);
        rs.MoveNext();
    }
    connection.ChiudiRS(rs);
}

// The rows TreeLoad::load gives for the same root query, read concept by concept.
inline TreeLoad::Result load(cConnessione &connection, const QString &rootQuery, const QVariantList &params,
                             const TreeLoad::Progress &progress = {})
{
    TreeLoad::Result result;
    try {
        RecordSet rs;
        if (!connection.ApriRS(rootQuery, rs, params))
            return result;
        while (!rs.isEOF()) {
            const qint32 id = rs.value(QStringLiteral("id")).toInt();
            const int row = static_cast<int>(result.rows.size());
            result.rows.append(
                {id, rs.value(QStringLiteral("is_leaf")).toInt(), rs.value(QStringLiteral("dex")).toString(), -1});
            if (progress)
                progress(id);
            appendChildren(connection, row, result, progress);
            rs.MoveNext();
        }
        connection.ChiudiRS(rs);
    } catch (const DbError &e) {
        result.failure = e;
    }
    return result;
}

} // namespace ConceptWalk

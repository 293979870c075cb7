#include "workspace/treeload.h"

#include "data/cConnessione.h"
#include "data/sqlitefunctions.h"
#include "workspace/treequeries.h"

#include <QHash>
#include <QSqlError>
#include <algorithm>
#include <QSqlQuery>

TreeLoad::Request TreeLoad::targetRequest(int model, const QString &subset)
{
    const AlberoQuery::Query q = AlberoQuery::targetRoot(model, subset);
    const QString name = AlberoQuery::targetName(model).toUpper();
    const QString nothing = subset.isEmpty()
                                ? QStringLiteral("This database holds no %1 concepts.").arg(name)
                                : QStringLiteral("This database holds no concepts of the %1 subset \"%2\".").arg(name, subset);
    return {AlberoQuery::targetSide(), AlberoQuery::targetName(model), q.sql, q.params, nothing};
}

TreeLoad::Request TreeLoad::sourceRequest(const QString &fieldCode)
{
    const AlberoQuery::Query q = AlberoQuery::eurovocRoot(fieldCode);
    return {AlberoQuery::sourceSide(), AlberoQuery::sourceSide(), q.sql, q.params,
            QStringLiteral("This database holds no concepts of the EUROVOC field %1.").arg(fieldCode)};
}

namespace {

// One descendant as read, before it takes its place in the walk.
struct Read
{
    qint32 id;
    qint32 parent;
    qint32 isLeaf;
    QString dex;
    QByteArray key; // dex in UTF-8, for the collation's comparison
};

// Appends the subtree of the concept in row top: every descendant is read
// by one query, then the siblings are put in description order (as "order by
// dex" with the database's case-blind collation, ties by id) and the tree is
// walked depth first, each concept's whole subtree before its next sibling.
void appendSubtree(cConnessione &connection, QSqlQuery &sub, int top, TreeLoad::Result &result,
                   const TreeLoad::Progress &progress)
{
    connection.exec(sub, {result.rows.at(top).conceptId});
    QVector<Read> read;
    while (sub.next()) {
        QString dex = sub.value(2).toString();
        QByteArray key = dex.toUtf8();
        read.append({sub.value(0).toInt(), sub.value(1).toInt(), sub.value(3).toInt(), std::move(dex), std::move(key)});
    }
    if (sub.lastError().isValid())
        throw cConnessione::errorOf(sub);
    sub.finish();
    if (read.isEmpty())
        return;

    QHash<qint32, QVector<int>> children;
    children.reserve(read.size());
    for (int i = 0; i < read.size(); ++i)
        children[read.at(i).parent].append(i);
    const auto before = [&read](int a, int b) {
        const Read &x = read.at(a);
        const Read &y = read.at(b);
        const int c = SqliteFunctions::compareNoCase(x.key.constData(), static_cast<int>(x.key.size()),
                                                     y.key.constData(), static_cast<int>(y.key.size()));
        return c != 0 ? c < 0 : x.id < y.id;
    };
    for (QVector<int> &siblings : children)
        std::sort(siblings.begin(), siblings.end(), before);

    // The walk: a stack of (parent's row, read concept), next sibling on top.
    QVector<std::pair<int, int>> stack;
    const auto pushChildren = [&](qint32 id, int row) {
        const auto it = children.constFind(id);
        if (it == children.cend())
            return;
        for (auto c = it->crbegin(); c != it->crend(); ++c)
            stack.append({row, *c});
    };
    pushChildren(result.rows.at(top).conceptId, top);
    result.rows.reserve(result.rows.size() + read.size());
    while (!stack.isEmpty()) {
        const auto [parent, i] = stack.takeLast();
        Read &r = read[i];
        const int row = static_cast<int>(result.rows.size());
        result.rows.append({r.id, r.isLeaf, std::move(r.dex), parent});
        if (progress)
            progress(r.id);
        pushChildren(r.id, row);
    }
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

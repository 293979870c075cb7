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

// One concept below a top concept as read, before it takes its place in the walk.
struct Read
{
    qint32 id;
    qint32 parent;
    qint32 isLeaf;
    QString dex;
    SqliteFunctions::CollationKey key; // dex as the database's collation orders it
};

// Concepts read from the database, grouped by parent, each group in
// description order (as "order by dex" with the database's case-blind
// collation, ties by id).
class Forest
{
public:
    // Reads every row of the query (id, parent_ref, dex, is_leaf), bound to params.
    void read(cConnessione &connection, QSqlQuery &query, const QVariantList &params)
    {
        connection.exec(query, params);
        while (query.next()) {
            QString dex = query.value(2).toString();
            SqliteFunctions::CollationKey key = SqliteFunctions::collationKey(dex);
            m_read.append(
                {query.value(0).toInt(), query.value(1).toInt(), query.value(3).toInt(), std::move(dex), std::move(key)});
        }
        if (query.lastError().isValid())
            throw cConnessione::errorOf(query);
        query.finish();
        m_children.reserve(m_read.size());
        for (int i = 0; i < m_read.size(); ++i)
            m_children[m_read.at(i).parent].append(i);
        const auto before = [this](int a, int b) {
            const Read &x = m_read.at(a);
            const Read &y = m_read.at(b);
            const int c = SqliteFunctions::compare(x.key, y.key);
            return c != 0 ? c < 0 : x.id < y.id;
        };
        for (QVector<int> &siblings : m_children)
            std::sort(siblings.begin(), siblings.end(), before);
    }

    // Appends the subtree of the concept in row top, depth first: each
    // concept's whole subtree before its next sibling.  A concept is walked
    // at most once (each has one parent, so a top reaches it by one path).
    void appendSubtree(int top, TreeLoad::Result &result, const TreeLoad::Progress &progress)
    {
        // A stack of (parent's row, read concept), next sibling on top.
        QVector<std::pair<int, int>> stack;
        const auto pushChildren = [&](qint32 id, int row) {
            const auto it = m_children.constFind(id);
            if (it == m_children.cend())
                return;
            for (auto c = it->crbegin(); c != it->crend(); ++c)
                stack.append({row, *c});
        };
        pushChildren(result.rows.at(top).conceptId, top);
        while (!stack.isEmpty()) {
            const auto [parent, i] = stack.takeLast();
            Read &r = m_read[i];
            const int row = static_cast<int>(result.rows.size());
            result.rows.append({r.id, r.isLeaf, std::move(r.dex), parent});
            if (progress)
                progress(r.id);
            pushChildren(r.id, row);
        }
    }

    qsizetype size() const { return m_read.size(); }

private:
    QVector<Read> m_read;
    QHash<qint32, QVector<int>> m_children;
};

struct Top
{
    qint32 id;
    qint32 isLeaf;
    QString dex;
};

} // namespace

TreeLoad::Result TreeLoad::load(cConnessione &connection, const QString &rootQuery, const QVariantList &params,
                                const Progress &progress)
{
    Result result;
    try {
        // The top concepts first.  When the root query fails part way, those
        // read before the failure are shown with their subtrees, and the
        // failure is given after them.
        QVector<Top> tops;
        std::optional<DbError> rootFailure;
        RecordSet rs;
        if (!connection.ApriRS(rootQuery, rs, params))
            return result;
        try {
            for (; !rs.isEOF(); rs.MoveNext())
                tops.append({rs.value(QStringLiteral("id")).toInt(), rs.value(QStringLiteral("is_leaf")).toInt(),
                             rs.value(QStringLiteral("dex")).toString()});
            connection.ChiudiRS(rs);
        } catch (const DbError &e) {
            rootFailure = e;
            if (rs.isOpen())
                connection.ChiudiRS(rs);
        }

        // One top concept (a field, a subset): its subtree by one recursive
        // query.  Several (a whole thesaurus): one plain read of every concept
        // that has a parent, walked in memory from each top; the recursive
        // query's queue cost ten times the plain read there.
        const bool whole = tops.size() > 1;
        Forest all;
        if (whole) {
            QSqlQuery q = connection.prepare(AlberoQuery::belowAnyQuery());
            all.read(connection, q, {});
            result.rows.reserve(all.size() + tops.size());
        }
        std::optional<QSqlQuery> sub;
        for (Top &t : tops) {
            const int top = static_cast<int>(result.rows.size());
            result.rows.append({t.id, t.isLeaf, std::move(t.dex), -1});
            if (progress)
                progress(t.id);
            if (whole) {
                all.appendSubtree(top, result, progress);
                continue;
            }
            if (!sub)
                sub = connection.prepare(AlberoQuery::subtreeQuery());
            Forest below;
            below.read(connection, *sub, {t.id});
            result.rows.reserve(result.rows.size() + below.size());
            below.appendSubtree(top, result, progress);
        }
        result.failure = rootFailure;
    } catch (const DbError &e) {
        result.failure = e;
    }
    return result;
}

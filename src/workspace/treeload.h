#pragma once

#include "base/DbError.h"

#include <QString>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <optional>

class cConnessione;

// Reading the concept tree of an alignment window: the rows of the whole
// tree in display order, which the window turns into nodes.
namespace TreeLoad {

// What the opener hands to the load of an alignment window.
struct Request
{
    QString side;    // "eurovoc" (left) or "target" (right)
    QString caption; // the thesaurus name: the window's caption and its root node's text
    QString rootQuery;
    QVariantList rootParams; // values bound to rootQuery's placeholders
    QString nothingFound;    // what the window says when the root query finds nothing
};

// The request of the right window for a target thesaurus (and perhaps one of
// its subsets), and of the left window for a EUROVOC field code.
Request targetRequest(int model, const QString &subset);
Request sourceRequest(const QString &fieldCode);

// One concept of the tree.  Rows come depth first, a concept's whole subtree
// before its next sibling, siblings in description order.
struct Row
{
    qint32 conceptId = 0;
    qint32 isLeaf = 0;
    QString dex;
    int parent = -1; // index of the parent's row; -1 for a concept right below the root
};

struct Result
{
    QVector<Row> rows;
    // Set when a database error ended the reading: rows holds what came before.
    std::optional<DbError> failure;
};

// Called with the concept id of every row as it is read.
using Progress = std::function<void(qint32 conceptId)>;

// The concepts of the root query, each followed by its subtree (one query for
// a single top concept, one read of every concept below any for several).
Result load(cConnessione &connection, const QString &rootQuery, const QVariantList &params,
            const Progress &progress = {});

} // namespace TreeLoad

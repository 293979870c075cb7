#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <utility>

// The YAML of SSSOM metadata (the block after "#" at the top of a table, or
// a separate .sssom.yml file), read by libyaml into a small tree.  Block and
// flow styles, quoted, folded and literal scalars are all YAML's own rules.
namespace MappingYaml {

struct Node
{
    enum class Kind { Null, Scalar, List, Map };
    Kind kind = Kind::Null;
    QString text;                            // Scalar
    QVector<Node> items;                     // List
    QVector<std::pair<QString, Node>> entries; // Map, in the order written
    int line = 0;                            // 1-based line of the YAML text where the node starts

    // The value of a key of a map, nullptr when there is none.
    const Node *value(const QString &key) const;
};

struct Document
{
    bool ok = false;
    Node root;          // Null for an empty text
    QString error;      // libyaml's reason, or why the shape is not allowed
    int errorLine = -1; // 1-based line of the YAML text
};

// Parses one YAML document (UTF-8).  Anchors and aliases are refused: SSSOM
// metadata has no use for them, and aliases are the way to make a small file
// expand into a huge tree.
Document parse(const QByteArray &utf8);

} // namespace MappingYaml

#include "tools/mappingyaml.h"

#include <yaml.h>

namespace {

using MappingYaml::Node;

// Nesting deeper than this is no metadata a mapping set needs.
constexpr int maxDepth = 64;

class Parser
{
public:
    explicit Parser(const QByteArray &utf8)
    {
        yaml_parser_initialize(&m_parser);
        yaml_parser_set_input_string(&m_parser, reinterpret_cast<const unsigned char *>(utf8.constData()),
                                     static_cast<size_t>(utf8.size()));
        yaml_parser_set_encoding(&m_parser, YAML_UTF8_ENCODING);
    }
    ~Parser()
    {
        if (m_hasEvent)
            yaml_event_delete(&m_event);
        yaml_parser_delete(&m_parser);
    }
    Parser(const Parser &) = delete;
    Parser &operator=(const Parser &) = delete;

    MappingYaml::Document run()
    {
        MappingYaml::Document d;
        if (!next(d) || !expect(YAML_STREAM_START_EVENT, d) || !next(d))
            return d;
        if (m_event.type == YAML_STREAM_END_EVENT) {
            d.ok = true;
            return d;
        }
        if (!expect(YAML_DOCUMENT_START_EVENT, d) || !next(d))
            return d;
        if (!node(d.root, 0, d) || !next(d) || !expect(YAML_DOCUMENT_END_EVENT, d) || !next(d))
            return d;
        if (m_event.type != YAML_STREAM_END_EVENT) {
            fail(d, QStringLiteral("more than one YAML document"), line());
            return d;
        }
        d.ok = true;
        return d;
    }

private:
    int line() const { return static_cast<int>(m_event.start_mark.line) + 1; }

    bool fail(MappingYaml::Document &d, const QString &why, int atLine)
    {
        d.ok = false;
        d.error = why;
        d.errorLine = atLine;
        return false;
    }

    bool next(MappingYaml::Document &d)
    {
        if (m_hasEvent) {
            yaml_event_delete(&m_event);
            m_hasEvent = false;
        }
        if (!yaml_parser_parse(&m_parser, &m_event)) {
            QString why = QString::fromUtf8(m_parser.problem ? m_parser.problem : "the YAML is not valid");
            if (m_parser.context)
                why = QString::fromUtf8(m_parser.context) + QLatin1Char(' ') + why;
            return fail(d, why, static_cast<int>(m_parser.problem_mark.line) + 1);
        }
        m_hasEvent = true;
        return true;
    }

    bool expect(yaml_event_type_t type, MappingYaml::Document &d)
    {
        if (m_event.type == type)
            return true;
        return fail(d, QStringLiteral("the YAML is not one document"), line());
    }

    // Reads the node whose first event is the current one; on return the
    // current event is the node's last one.
    bool node(Node &out, int depth, MappingYaml::Document &d)
    {
        out.line = line();
        if (depth > maxDepth)
            return fail(d, QStringLiteral("the YAML is nested more than %1 levels deep").arg(maxDepth), line());
        switch (m_event.type) {
        case YAML_ALIAS_EVENT:
            return fail(d, QStringLiteral("an alias (*name), which mapping metadata may not use"), line());
        case YAML_SCALAR_EVENT:
            return scalar(out, d);
        case YAML_SEQUENCE_START_EVENT:
            return list(out, depth, d);
        case YAML_MAPPING_START_EVENT:
            return map(out, depth, d);
        default:
            return fail(d, QStringLiteral("the YAML is not valid"), line());
        }
    }

    bool failAnchor(MappingYaml::Document &d)
    {
        return fail(d, QStringLiteral("an anchor (&name), which mapping metadata may not use"), line());
    }

    bool scalar(Node &out, MappingYaml::Document &d)
    {
        if (m_event.data.scalar.anchor)
            return failAnchor(d);
        out.text = QString::fromUtf8(reinterpret_cast<const char *>(m_event.data.scalar.value),
                                     static_cast<qsizetype>(m_event.data.scalar.length));
        // A plain "~", "null" or nothing at all is YAML's null.
        if (m_event.data.scalar.style == YAML_PLAIN_SCALAR_STYLE
            && (out.text.isEmpty() || out.text == QLatin1String("~") || out.text == QLatin1String("null")
                || out.text == QLatin1String("Null") || out.text == QLatin1String("NULL"))) {
            out.kind = Node::Kind::Null;
            out.text.clear();
        } else {
            out.kind = Node::Kind::Scalar;
        }
        return true;
    }

    // Reads the nodes of a list or a map up to its end event, each through
    // take (which reads the node at the current event; false stops).
    template<typename Take>
    bool items(yaml_event_type_t end, MappingYaml::Document &d, const Take &take)
    {
        for (;;) {
            if (!next(d))
                return false;
            if (m_event.type == end)
                return true;
            if (!take())
                return false;
        }
    }

    bool list(Node &out, int depth, MappingYaml::Document &d)
    {
        if (m_event.data.sequence_start.anchor)
            return failAnchor(d);
        out.kind = Node::Kind::List;
        return items(YAML_SEQUENCE_END_EVENT, d, [&] {
            Node item;
            if (!node(item, depth + 1, d))
                return false;
            out.items.append(std::move(item));
            return true;
        });
    }

    bool map(Node &out, int depth, MappingYaml::Document &d)
    {
        if (m_event.data.mapping_start.anchor)
            return failAnchor(d);
        out.kind = Node::Kind::Map;
        return items(YAML_MAPPING_END_EVENT, d, [&] {
            Node key;
            if (!node(key, depth + 1, d))
                return false;
            if (key.kind != Node::Kind::Scalar)
                return fail(d, QStringLiteral("a key that is not a plain name"), key.line);
            if (out.value(key.text))
                return fail(d, QStringLiteral("the key \"%1\" is given twice").arg(key.text), key.line);
            Node value;
            if (!next(d) || !node(value, depth + 1, d))
                return false;
            out.entries.append({key.text, std::move(value)});
            return true;
        });
    }

    yaml_parser_t m_parser;
    yaml_event_t m_event;
    bool m_hasEvent = false;
};

} // namespace

const MappingYaml::Node *MappingYaml::Node::value(const QString &key) const
{
    for (const auto &e : entries)
        if (e.first == key)
            return &e.second;
    return nullptr;
}

MappingYaml::Document MappingYaml::parse(const QByteArray &utf8)
{
    return Parser(utf8).run();
}

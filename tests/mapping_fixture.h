#pragma once

// Databases for the tests of the mapping exchange formats: the concepts of
// tools_fixture.h, plus concepts whose URIs are hard to carry, and relations
// whose notes hold what every format must escape.
#include "tools_fixture.h"

#include <QFile>

namespace MappingFixture {

using namespace ToolsFixture;

// A note that needs every escape: quotes, tab, line feed, CR LF, backslash,
// "&", "<", commas and text beyond Latin-1.
inline QString hardNote()
{
    return QStringLiteral("He said \"yes\",\tthen\nleft\r\nC:\\temp\\n & <b>bold</b> \u00dcber \u6d2a\u6c34 \U0001F30A");
}

// URIs that are valid IRIs but need care: "&", "'", "%", a fragment, non-Latin text.
inline QString iriEurovoc()
{
    return QStringLiteral("http://eurovoc.europa.eu/100141?a=1&b='2'");
}
inline QString iriGemet()
{
    return QStringLiteral("http://gemet.example/\u00dcberschwemmung-\u6d2a\u6c34#%C3%A9");
}

// URIs no RDF syntax may carry: a quote, a tab, a line feed, "<", a space.
inline QString wildEurovoc()
{
    return QStringLiteral("http://eurovoc.europa.eu/odd \"quoted\"\t<tab>");
}
inline QString wildGemet()
{
    return QStringLiteral("http://gemet.example/line\nbreak&\u00e9");
}

// Concepts 201 (EUROVOC) and 5201 (GEMET) with the careful IRIs, 202 and
// 5202 with the wild ones.
inline void addHardConcepts(const QString &db)
{
    addConcept(db, 201, Ids::EUROVOC, QStringLiteral("flood \"risk\", <coast>"), iriEurovoc());
    addConcept(db, 5201, Ids::GEMET, QStringLiteral("\u00dcberschwemmung\t\u6d2a\u6c34"), iriGemet());
    addConcept(db, 202, Ids::EUROVOC, QStringLiteral("odd"), wildEurovoc());
    addConcept(db, 5202, Ids::GEMET, QStringLiteral("line\nbreak"), wildGemet());
}

// The relations of a database as comparable text, ignoring ids:
// project|left|right|property[|notes], sorted.
inline QStringList relationSet(const QString &db, bool withNotes)
{
    QStringList rows;
    for (const QString &row : relationRows(db)) {
        QStringList cells = row.split(QLatin1Char('|'));
        cells.removeFirst(); // id
        // Notes may hold "|": keep everything after the fourth cell together.
        const QString notes = cells.mid(4).join(QLatin1Char('|'));
        cells = cells.mid(0, 4);
        if (withNotes)
            cells << (notes == QLatin1String("<null>") ? QString() : notes);
        rows << cells.join(QLatin1Char('|'));
    }
    rows.sort();
    return rows;
}

// A copy of a database without its mapping relations.
inline QString emptyCopy(TestDb &t, const QString &db, const QString &name)
{
    const QString copy = t.path(name);
    QFile::remove(copy);
    if (!QFile::copy(db, copy))
        throw std::runtime_error("cannot copy test database");
    TestDb::run(copy, {QStringLiteral("delete from mappingrelations")});
    return copy;
}

inline void openOrThrow(cConnessione &c, const QString &db)
{
    if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
        throw std::runtime_error("cannot open test database");
}

} // namespace MappingFixture

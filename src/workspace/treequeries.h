#pragma once

#include <QString>
#include <QVariantList>

// The queries and naming rules of the concept trees of the alignment windows.
// Every value that comes from the user (subset, field code) is bound, never
// written into the SQL text.
namespace AlberoQuery {

struct Query
{
    QString sql;
    QVariantList params;
};

// Top-level concepts of a target thesaurus: all its grouping concepts, or the
// one whose description is the chosen subset.
Query targetRoot(int model, const QString &subset);
// The top concept of a EUROVOC field (its uri is the domain namespace followed
// by the two-digit field code).
Query eurovocRoot(const QString &field);

// The children of one concept in description order (one parameter: the id).
QString childQuery();

// Every descendant of one concept (one parameter: its id), each row giving
// id, parent_ref, dex and is_leaf, in no particular order (TreeLoad puts
// them in display order).
QString subtreeQuery();
// Every concept that has a parent (no parameter), each row giving id,
// parent_ref, dex and is_leaf, in no particular order.
QString belowAnyQuery();

// Node key of a concept: "L" or "R" followed by the id.
QString nodeKey(bool leftSide, qint32 conceptId);

// The progress line written while a tree loads.
QString progressText(const QString &side, qint32 conceptId);

// The program's name of a target model ("eclas", "ett", "unesco", "gemet"),
// empty for anything else (EUROVOC is never a target).
QString targetName(int model);

// Side names used while loading.
inline QString sourceSide() { return QStringLiteral("eurovoc"); }
inline QString targetSide() { return QStringLiteral("target"); }

} // namespace AlberoQuery

// Tells a long loop when to show its progress again: at most once per
// interval, judged by the program's clock.  The clock is read only every few
// calls, so asking once per item costs next to nothing.
class ProgressThrottle
{
public:
    explicit ProgressThrottle(int intervalMs = 33, int callsPerClockRead = 64);
    // True on the first call and then whenever the interval has passed.
    bool due();
    int shown() const { return m_shown; }

private:
    int m_intervalMs;
    int m_every;
    int m_calls = 0;
    int m_shown = 0;
    qint64 m_last = 0;
};

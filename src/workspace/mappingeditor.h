#pragma once

#include <QString>
#include <optional>

// What the mapping editor does without its window: the relation list and
// definitions, and the saving of a relation (new or edited).
namespace MappingEditor {

// Text of the relation box while no relation is chosen.
inline constexpr const char *NoRelationText = "Mapping relation";

// Position of a relation name in vRelationNames (0 exactMatch, 1 broadMatch,
// 2 narrowMatch), compared exactly; -1 for any other text.
int relationPosition(const QString &relation);

// Property id stored for a relation text: that of its position, exactMatch's
// for any other text.
int propertyFor(const QString &relation);

// The definition shown for a relation name; empty for any other text.
QString definitionOf(const QString &relation);

// What the user put into the editor.
struct Boxes
{
    QString eurovoc;  // source concept text (display only)
    QString target;   // target concept text (display only)
    QString relation; // text of the relation box
    QString notes;    // notes, stored exactly as typed
};

// True when the boxes now hold work that is not stored: they differ from the
// boxes as they were last filled, saved or emptied (clean), and are not empty
// (no concept, no notes, no relation chosen).
bool unsaved(const Boxes &now, const Boxes &clean);

// Saves the editor's relation and tells the user the outcome through
// dialogs().  A new relation (vEditRelationId 0 or less) joins the current
// nodes of the two trees; an edited one changes only its property, and only
// while it is still of the kind seenProperty it had when it was read (when
// given): a relation another editor changed or deleted since is left as it
// is, and the message says what happened and by whom.
// True when something was stored: the editor then empties and hides.  False
// when nothing was stored (incomplete pair, a tree root, no mapping open, a
// database error, a change made meanwhile): the editor keeps everything and
// no id is used up.
bool Salva(const Boxes &boxes, std::optional<qint32> seenProperty = std::nullopt);

} // namespace MappingEditor

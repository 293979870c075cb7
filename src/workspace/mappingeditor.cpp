#include "workspace/mappingeditor.h"

#include "base/DbError.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/changelog.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "data/relationstore.h"

#include <algorithm>

using namespace mdlGlobale;

namespace MappingEditor {

namespace {

void ensureRelationLists()
{
    if (vRelationNames.size() != 3 || vRelationProperties.size() != 3)
        RiempiRelazioni();
}

bool isTargetModel(int model)
{
    return model == Ids::ECLAS || model == Ids::ETT || model == Ids::UNESCO || model == Ids::GEMET;
}

bool saveNew(const Boxes &boxes, int property)
{
    if (!isTargetModel(vTargetModel)) {
        dialogs().message(QStringLiteral("No mapping is open: choose the thesauri with Mapping > New, "
                                         "then click a concept in each tree."),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    if (vLeftCurrent < 0 || vLeftCurrent >= vLeftNodes.size() || vRightCurrent < 0
        || vRightCurrent >= vRightNodes.size()) {
        dialogs().message(QStringLiteral("The concepts of the couple are no longer loaded: open the mapping "
                                         "again and click a concept in each tree."),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    const qint32 left = vLeftNodes.at(vLeftCurrent).conceptId;
    const qint32 right = vRightNodes.at(vRightCurrent).conceptId;
    if (left == 0 || right == 0) {
        dialogs().message(QStringLiteral("The root of a tree is the name of the thesaurus, not a concept: "
                                         "click a concept in the %1 tree before saving.")
                              .arg(left == 0 ? QStringLiteral("eurovoc") : QStringLiteral("target")),
                          {}, Dialogs::Icon::Warning);
        return false;
    }

    try {
        // The id is allocated by the store inside the database: one above
        // every id in the table now (another program or a merge may have
        // added rows) and above every id this run handed out.
        const qint32 id = RelationStore(vConnection)
                              .add({Ids::projectForModel(vTargetModel), left, right, property, boxes.notes},
                                   vLastRelationId);
        if (id == 0) {
            const qint32 highest = std::max(vLastRelationId, LeggiUltimoId(vConnection));
            dialogs().message(QStringLiteral("No relation id is left: the highest id in use is %1.").arg(highest),
                              {}, Dialogs::Icon::Critical);
            return false;
        }
        vLastRelationId = id;
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return false;
    }
    dialogs().message(QStringLiteral("Store the couple and the relation in db: ") + QString::number(vLeftCurrent)
                      + QLatin1Char(' ') + boxes.relation + QLatin1Char(' ') + QString::number(vRightCurrent));
    return true;
}

bool saveEdit(int property, std::optional<qint32> seen)
{
    int changed = 0;
    ChangeLog::Happened happened;
    try {
        // Only the relation as it was read: a change another editor made
        // meanwhile is never overwritten.
        QString sql = QStringLiteral("update mappingrelations set property_ref = ? where id = ?");
        QVariantList params{property, vEditRelationId};
        if (seen) {
            sql += QStringLiteral(" and property_ref = ?");
            params << *seen;
        }
        changed = vConnection.EseguiIstruzione(sql, QStringLiteral("128"), params);
        if (changed == 0 && seen)
            happened = ChangeLog::whatHappened(vConnection, vEditRelationId, *seen);
    } catch (const DbError &e) {
        mdlUtil::MostraErrore(e);
        return false;
    }
    using Kind = ChangeLog::Happened::Kind;
    if (changed == 0 && happened.kind == Kind::Changed) {
        dialogs().message(QStringLiteral("The relation with id = %1 %2 after it was read: your change was not "
                                         "stored. Reload the report to see the relations as they are now.")
                              .arg(vEditRelationId)
                              .arg(happened.text),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    if (changed == 0 && happened.kind == Kind::Deleted && happened.known) {
        dialogs().message(QStringLiteral("The relation with id = %1 %2 after it was read: nothing was changed. "
                                         "Reload the report to see the relations stored.")
                              .arg(vEditRelationId)
                              .arg(happened.text),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    if (changed == 0) {
        dialogs().message(QStringLiteral("The relation with id = %1 is no longer in the database: nothing was "
                                         "changed. Reload the report to see the relations stored.")
                              .arg(vEditRelationId),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    dialogs().message(QStringLiteral("Update the relation in db with id = ") + QString::number(vEditRelationId));
    vEditRelationId = 0;
    return true;
}

} // namespace

int relationPosition(const QString &relation)
{
    ensureRelationLists();
    return static_cast<int>(vRelationNames.indexOf(relation));
}

int propertyFor(const QString &relation)
{
    const int pos = relationPosition(relation);
    return vRelationProperties.at(pos < 0 ? 0 : pos);
}

QString definitionOf(const QString &relation)
{
    if (relation == QLatin1String("exactMatch"))
        return QStringLiteral(
            "If two concepts are an 'exact-match' then the set of resources properly indexed against the first "
            "concept is identical to the set of resources properly indexed against the second. Therefore the two "
            "concepts may be interchanged in queries and subject-based indexes.");
    if (relation == QLatin1String("narrowMatch"))
        return QStringLiteral(
            "If 'concept A has-narrow-match concept B' then the set of resources properly indexed against concept "
            "A is a superset of the set of resources properly indexed against concept B.");
    if (relation == QLatin1String("broadMatch"))
        return QStringLiteral(
            "If 'concept A has-broad-match concept B' then the set of resources properly indexed against concept "
            "A is a subset of the set of resources properly indexed against concept B.");
    return {};
}

bool unsaved(const Boxes &now, const Boxes &clean)
{
    const bool empty = now.eurovoc.isEmpty() && now.target.isEmpty() && now.notes.isEmpty()
                       && (now.relation.isEmpty() || now.relation == QLatin1String(NoRelationText));
    if (empty)
        return false;
    return now.eurovoc != clean.eurovoc || now.target != clean.target || now.relation != clean.relation
           || now.notes != clean.notes;
}

bool Salva(const Boxes &boxes, std::optional<qint32> seenProperty)
{
    // An emptied relation box counts as no relation chosen, like its design text.
    if (boxes.target.isEmpty() || boxes.eurovoc.isEmpty() || boxes.relation == QLatin1String(NoRelationText)
        || boxes.relation.trimmed().isEmpty()) {
        dialogs().message(QStringLiteral("Complete the couple and the relation"), {}, Dialogs::Icon::Warning);
        return false;
    }
    const int property = propertyFor(boxes.relation);
    if (vEditRelationId > 0)
        return saveEdit(property, seenProperty);
    return saveNew(boxes, property);
}

} // namespace MappingEditor

#include "suggest/decisions.h"

#include "data/cConnessione.h"
#include "data/schema.h"
#include "base/clock.h"
#include "base/mdlUtil.h"

#include <QSqlQuery>


namespace Decisions {

QString currentUser()
{
    return mdlUtil::accountName();
}

QString decisionName(Decision decision)
{
    return decision == Decision::Accepted ? QStringLiteral("accepted") : QStringLiteral("rejected");
}

bool exists(cConnessione &c)
{
    return c.hasTable(QString::fromLatin1(Table));
}

namespace {

// Creates the table inside a transaction that is already open.
void createTable(cConnessione &c)
{
    for (const QString &sql : Schema::sideTableStatements(QString::fromLatin1(Table), c))
        c.EseguiIstruzione(sql);
}

} // namespace

void ensureTable(cConnessione &c)
{
    if (exists(c))
        return;
    // The write lock first, then the check again: another program may have
    // made the table meanwhile.  Table and index come together or not at all.
    cConnessione::Transaction t(c, cConnessione::Lock::Immediate);
    if (!exists(c))
        createTable(c);
    t.commit();
}

void record(cConnessione &c, Record r)
{
    if (r.who.isEmpty())
        r.who = currentUser();
    if (!r.when.isValid())
        r.when = programClock().now();
    cConnessione::Transaction t(c, cConnessione::Lock::Immediate);
    if (!exists(c))
        createTable(c);
    const qint32 id = c.scalar(QStringLiteral("select max(id) from suggestiondecisions")).toInt() + 1;
    c.EseguiIstruzione(
        QStringLiteral("insert into suggestiondecisions (id, project_ref, left_concept_ref, right_concept_ref, "
                       "property_ref, score, evidence, decision, decided_by, decided_at, relation_ref) "
                       "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        QStringLiteral("128"),
        {id, r.project, r.left, r.right, r.property, r.score, r.evidence, decisionName(r.decision), r.who,
         r.when.toUTC().toString(Qt::ISODate), r.relation ? QVariant(r.relation) : QVariant(QMetaType(QMetaType::Int))});
    t.commit();
}

QList<std::pair<qint32, qint32>> rejectedPairs(cConnessione &c, int project)
{
    QList<std::pair<qint32, qint32>> out;
    if (!exists(c))
        return out;
    QSqlQuery q = c.prepare(QStringLiteral("select left_concept_ref, right_concept_ref from suggestiondecisions "
                                           "where project_ref = ? and decision = 'rejected'"));
    c.exec(q, {project});
    while (q.next())
        out.append({q.value(0).toInt(), q.value(1).toInt()});
    return out;
}

QVector<Record> all(cConnessione &c, int project)
{
    QVector<Record> out;
    if (!exists(c))
        return out;
    QSqlQuery q = c.prepare(QStringLiteral(
        "select project_ref, left_concept_ref, right_concept_ref, property_ref, score, evidence, decision, "
        "decided_by, decided_at, relation_ref from suggestiondecisions where project_ref = ? order by id"));
    c.exec(q, {project});
    while (q.next()) {
        Record r;
        r.project = q.value(0).toInt();
        r.left = q.value(1).toInt();
        r.right = q.value(2).toInt();
        r.property = q.value(3).toInt();
        r.score = q.value(4).toDouble();
        r.evidence = q.value(5).toString();
        r.decision = q.value(6).toString() == QLatin1String("accepted") ? Decision::Accepted : Decision::Rejected;
        r.who = q.value(7).toString();
        r.when = QDateTime::fromString(q.value(8).toString(), Qt::ISODate);
        r.relation = q.value(9).toInt();
        out.append(r);
    }
    return out;
}

} // namespace Decisions

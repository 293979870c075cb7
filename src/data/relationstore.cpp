#include "data/relationstore.h"

#include "base/logging.h"
#include "data/cConnessione.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <algorithm>
#include <limits>

namespace {

const QString kInsert = QStringLiteral(
    "insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref, notes) "
    "values (?, ?, ?, ?, ?, ?)");

} // namespace

RelationStore::RelationStore(cConnessione &connection)
    : m_c(connection)
{
}

bool RelationStore::isConflict(const DbError &error)
{
    // Only a clash on the id itself: a unique index of the relations' other
    // columns refuses the row whoever else is writing, and doing the work
    // again would meet it again.
    const QString text = error.description();
    switch (error.number()) {
    case 19:   // SQLITE_CONSTRAINT
    case 1555: // SQLITE_CONSTRAINT_PRIMARYKEY
    case 2067: // SQLITE_CONSTRAINT_UNIQUE
    {
        static const QRegularExpression idOnly(QStringLiteral("UNIQUE constraint failed: mappingrelations\\.id\\s*$"),
                                               QRegularExpression::CaseInsensitiveOption);
        return idOnly.match(text).hasMatch();
    }
    case 23505: // PostgreSQL: unique_violation
        return text.contains(QLatin1String("mappingrelations_pkey"), Qt::CaseInsensitive);
    default:
        return false;
    }
}

qint64 RelationStore::Batch::highestId()
{
    const QVariant m = m_c.scalar(QStringLiteral("select max(id) from mappingrelations"));
    return m.isNull() ? 0 : m.toLongLong();
}

void RelationStore::Batch::insert(qint32 id, const NewRelation &r)
{
    try {
        if (!m_insert)
            m_insert = m_c.prepare(kInsert);
        m_c.exec(*m_insert, {id, r.project, r.left, r.right, r.property, r.notes});
        m_insert->finish();
    } catch (const DbError &e) {
        if (isConflict(e)) {
            m_conflict = true;
            m_conflictText = e.description();
        }
        throw;
    }
}

bool RelationStore::write(const std::function<bool(Batch &)> &work)
{
    for (int attempt = 1;; ++attempt) {
        Batch batch(m_c);
        try {
            // The write lock first, where the engine has one: what the work
            // reads stays true until it commits.
            cConnessione::Transaction transaction(m_c, cConnessione::Lock::Immediate);
            const bool keep = work(batch);
            batch.m_insert.reset();
            if (!batch.m_conflict) {
                if (!keep)
                    return false; // the transaction's end undoes what was written
                transaction.commit();
                return true;
            }
        } catch (const DbError &e) {
            if (!batch.m_conflict && !isConflict(e))
                throw;
            batch.m_conflict = true;
            if (batch.m_conflictText.isEmpty())
                batch.m_conflictText = e.description();
        }
        qCInfo(lcDb) << "another writer took a relation id first; attempt" << attempt << "undone";
        if (attempt >= Attempts)
            throw DbError(2067, QStringLiteral("The mapping relations could not be stored: other programs kept "
                                               "taking the same new ids (%1 attempts). Last error: %2")
                                    .arg(Attempts)
                                    .arg(batch.m_conflictText));
    }
}

qint32 RelationStore::add(const NewRelation &relation, qint32 above)
{
    qint32 stored = 0;
    write([&](Batch &batch) {
        stored = 0;
        constexpr qint64 top = std::numeric_limits<qint32>::max();
        const qint64 highest = std::max<qint64>(batch.highestId(), above);
        if (highest >= top)
            return false;
        const auto id = static_cast<qint32>(highest + 1);
        batch.insert(id, relation);
        stored = id;
        return true;
    });
    return stored;
}

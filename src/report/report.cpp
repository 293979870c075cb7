#include "report/report.h"

#include "data/cConnessione.h"
#include "data/changelog.h"

#include <algorithm>

QString Report::query()
{
    return QStringLiteral("SELECT concepts.dex, conceptsRigth.dex AS dexRight, ")
           + QStringLiteral("properties.dex AS dexprop, modelsRight.name AS nameRight, ")
           + QStringLiteral("mappingrelations.id, mappingrelations.notes, mappingrelations.property_ref ")
           + QStringLiteral("FROM ((((mappingrelations INNER JOIN concepts ON mappingrelations.left_concept_ref = "
                            "concepts.id) ")
           + QStringLiteral("INNER JOIN concepts AS conceptsRigth ON mappingrelations.right_concept_ref = "
                            "conceptsRigth.id) ")
           + QStringLiteral("INNER JOIN mappingprojects ON mappingrelations.project_ref = mappingprojects.id) ")
           + QStringLiteral("INNER JOIN properties ON mappingrelations.property_ref = properties.id) ")
           + QStringLiteral("INNER JOIN models AS modelsRight ON mappingprojects.right_model_ref = modelsRight.id ")
           + QStringLiteral("ORDER BY mappingrelations.id");
}

Report::Lettura Report::leggiConSegno(cConnessione &connection)
{
    Lettura l;
    l.mark = ChangeLog::mark(connection);
    l.rows = leggi(connection);
    return l;
}

QVector<Report::Riga> Report::leggi(cConnessione &connection)
{
    QVector<Riga> rows;
    RecordSet rs;
    connection.ApriRS(query(), rs);
    const int id = rs.columnIndex(QStringLiteral("id"));
    const int dex = rs.columnIndex(QStringLiteral("dex"));
    const int dexProp = rs.columnIndex(QStringLiteral("dexProp"));
    const int dexRight = rs.columnIndex(QStringLiteral("dexRight"));
    const int nameRight = rs.columnIndex(QStringLiteral("nameRight"));
    const int notes = rs.columnIndex(QStringLiteral("notes"));
    const int property = rs.columnIndex(QStringLiteral("property_ref"));
    auto text = [&rs](int column) {
        const QVariant v = rs.value(column);
        return v.isNull() ? QString() : v.toString();
    };
    while (!rs.isEOF()) {
        Riga r;
        r.id = text(id);
        r.dex = text(dex);
        r.dexProp = text(dexProp);
        r.dexRight = text(dexRight);
        r.nameRight = text(nameRight);
        r.notes = text(notes);
        r.property = rs.value(property).toInt();
        rows.append(std::move(r));
        rs.MoveNext();
    }
    connection.ChiudiRS(rs);
    const QHash<qint32, ChangeLog::Entry> changes = ChangeLog::latestOfAll(connection);
    if (!changes.isEmpty())
        for (Riga &r : rows) {
            const auto it = changes.constFind(r.id.toInt());
            if (it == changes.cend())
                continue;
            r.changedBy = it->by;
            r.changedAt = it->at;
        }
    return rows;
}

std::optional<qint32> Report::idOfCell(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar ch : text)
        if (!ch.isDigit() || ch.unicode() > '9')
            return std::nullopt;
    bool ok = false;
    const qint32 id = text.toInt(&ok);
    if (!ok || id <= 0)
        return std::nullopt;
    return id;
}

QString Report::recordText(const Riga &row)
{
    return row.deleted ? QLatin1String(DeletedPrefix) + row.id : row.id;
}

int Report::indexOfCell(const QVector<Riga> &rows, const QString &text)
{
    const QString prefix = QLatin1String(DeletedPrefix);
    const std::optional<qint32> id = idOfCell(text.startsWith(prefix) ? text.mid(prefix.size()) : text);
    if (!id)
        return -1;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (recordText(rows.at(i)) == text)
            return static_cast<int>(i);
    return -1;
}

int Report::deleteRelation(cConnessione &connection, Riga &row, ChangeLog::Happened *happened)
{
    // Only the relation as it was read: one another editor changed since is
    // kept, for whoever changed it.
    const int removed = connection.EseguiIstruzione(
        QStringLiteral("delete from mappingrelations where id = ? and property_ref = ?"), QStringLiteral("128"),
        {row.id.toInt(), row.property});
    if (removed > 0) {
        row.deleted = true;
        return removed;
    }
    const ChangeLog::Happened h = ChangeLog::whatHappened(connection, row.id.toInt(), row.property);
    if (happened)
        *happened = h;
    // Gone already: the row shows it as deleted, as when it was deleted here.
    if (h.kind != ChangeLog::Happened::Kind::Changed)
        row.deleted = true;
    return 0;
}

int Report::liveCount(const QVector<Riga> &rows)
{
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const Riga &r) { return !r.deleted; }));
}

QString Report::othersText(int changed)
{
    if (changed <= 0)
        return {};
    return changed == 1 ? QStringLiteral("1 relation changed by others, press F5")
                        : QStringLiteral("%1 relations changed by others, press F5").arg(changed);
}

QString Report::timeShown(const QString &stored)
{
    // "2026-12-09T22:38:15.123Z": the date and the second, in UTC as stored.
    if (stored.size() < 19 || stored.at(10) != QLatin1Char('T'))
        return stored;
    return stored.left(10) + QLatin1Char(' ') + stored.mid(11, 8);
}

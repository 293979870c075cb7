#include "report/report.h"

#include "data/cConnessione.h"

#include <algorithm>

QString Report::query()
{
    return QStringLiteral("SELECT concepts.dex, conceptsRigth.dex AS dexRight, ")
           + QStringLiteral("properties.dex AS dexprop, modelsRight.name AS nameRight, ")
           + QStringLiteral("mappingrelations.id, mappingrelations.notes ")
           + QStringLiteral("FROM ((((mappingrelations INNER JOIN concepts ON mappingrelations.left_concept_ref = "
                            "concepts.id) ")
           + QStringLiteral("INNER JOIN concepts AS conceptsRigth ON mappingrelations.right_concept_ref = "
                            "conceptsRigth.id) ")
           + QStringLiteral("INNER JOIN mappingprojects ON mappingrelations.project_ref = mappingprojects.id) ")
           + QStringLiteral("INNER JOIN properties ON mappingrelations.property_ref = properties.id) ")
           + QStringLiteral("INNER JOIN models AS modelsRight ON mappingprojects.right_model_ref = modelsRight.id ")
           + QStringLiteral("ORDER BY mappingrelations.id");
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
        rows.append(std::move(r));
        rs.MoveNext();
    }
    connection.ChiudiRS(rs);
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

int Report::deleteRelation(cConnessione &connection, Riga &row)
{
    const int removed = connection.EseguiIstruzione(QStringLiteral("delete from mappingrelations where id = ?"),
                                                    QStringLiteral("128"), {row.id.toInt()});
    row.deleted = true;
    return removed;
}

int Report::liveCount(const QVector<Riga> &rows)
{
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const Riga &r) { return !r.deleted; }));
}

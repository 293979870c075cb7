#include "support/dbdump.h"

#include "data/cConnessione.h"
#include "data/schema.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString text(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("<null>");
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 12);
    case QMetaType::QByteArray:
        return QStringLiteral("<bytes>") + QString::fromLatin1(v.toByteArray().toHex());
    default:
        return v.toString();
    }
}

} // namespace

QStringList dumpTable(cConnessione &c, const QString &table, const QStringList &leaving)
{
    QSqlQuery q = c.prepare(QStringLiteral("select * from ") + table);
    c.exec(q);
    // Columns in the order of their names: the engines may list them otherwise.
    QStringList names;
    for (int i = 0; i < q.record().count(); ++i)
        names << q.record().fieldName(i).toLower();
    QList<int> order;
    for (int i = 0; i < names.size(); ++i)
        if (!leaving.contains(names.at(i)))
            order << i;
    std::sort(order.begin(), order.end(), [&names](int a, int b) { return names.at(a) < names.at(b); });
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i : order)
            values << names.at(i) + QLatin1Char('=') + text(q.value(i));
        rows << values.join(QStringLiteral(" | "));
    }
    rows.sort();
    return rows;
}

QStringList dumpProgramTables(cConnessione &c)
{
    QStringList out;
    for (const QString &t : Schema::tableNames() + Schema::sideTableNames()) {
        if (!c.hasTable(t))
            continue;
        for (const QString &row : dumpTable(c, t))
            out << t + QStringLiteral(": ") + row;
    }
    return out;
}

QStringList firstColumn(cConnessione &c, const QString &sql, const QVariantList &params)
{
    QStringList out;
    RecordSet rs;
    c.ApriRS(sql, rs, params);
    for (; !rs.isEOF(); rs.MoveNext())
        out << rs.value(0).toString();
    c.ChiudiRS(rs);
    return out;
}

#include "workspace/nodeinfo.h"

#include "data/cConnessione.h"

namespace {

QString text(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

void read(cConnessione &c, const QString &sql, qint32 id, const QString &valueColumn, QVector<InfoNodo::Riga> &out)
{
    RecordSet rs;
    if (!c.ApriRS(sql, rs, {id}))
        return;
    const int p = rs.columnIndex(QStringLiteral("Pdex"));
    const int v = rs.columnIndex(valueColumn);
    while (!rs.isEOF()) {
        out.append({text(rs.value(p)), text(rs.value(v))});
        rs.MoveNext();
    }
    c.ChiudiRS(rs);
}

} // namespace

QString InfoNodo::objectQuery()
{
    return QStringLiteral("select * from qObjectPropertyValues where is_mapping_rel = 0 and concept_id = ? "
                          "order by Pdex, Rdex");
}

QString InfoNodo::dataTypeQuery()
{
    return QStringLiteral("select * from qDataTypePropertyValues where is_mapping_rel = 0 and lang_name = 'EN' "
                          "and concept_id = ? order by Pdex, Pvalue");
}

InfoNodo::Risultato InfoNodo::leggi(cConnessione &connection, qint32 conceptId)
{
    Risultato r;
    read(connection, objectQuery(), conceptId, QStringLiteral("Rdex"), r.righe);
    r.oggetti = static_cast<int>(r.righe.size());
    read(connection, dataTypeQuery(), conceptId, QStringLiteral("Pvalue"), r.righe);
    return r;
}

QString InfoNodo::caption(const QString &nodeText, qint32 conceptId)
{
    return QStringLiteral("Node informations: ") + nodeText + QStringLiteral(" (") + QString::number(conceptId)
        + QStringLiteral(")");
}

QString InfoNodo::formatString()
{
    return QString(5, QLatin1Char(' ')) + QStringLiteral("|<property") + QString(30, QLatin1Char(' '))
        + QStringLiteral("|<object/dataValue") + QString(150, QLatin1Char(' '));
}

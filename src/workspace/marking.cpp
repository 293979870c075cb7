#include "workspace/marking.h"

#include "data/cConnessione.h"

int Marcatura::progetto(int targetModel)
{
    return targetModel < 3 ? targetModel : targetModel - 1;
}

QString Marcatura::query(bool leftSide)
{
    return leftSide ? QStringLiteral("select left_concept_ref as ref from mappingrelations where project_ref = ?")
                    : QStringLiteral("select right_concept_ref as ref from mappingrelations where project_ref = ?");
}

QVector<qint32> Marcatura::concetti(cConnessione &connection, bool leftSide, int targetModel)
{
    QVector<qint32> ids;
    RecordSet rs;
    if (!connection.ApriRS(query(leftSide), rs, {progetto(targetModel)}))
        return ids;
    while (!rs.isEOF()) {
        const QVariant ref = rs.value(0);
        if (!ref.isNull())
            ids.append(ref.toInt());
        rs.MoveNext();
    }
    connection.ChiudiRS(rs);
    return ids;
}

#include "data/mdlGlobale.h"

#include "data/ids.h"

#include <algorithm>
#include <limits>

void mdlGlobale::RiempiRelazioni()
{
    vRelationNames = {QStringLiteral("exactMatch"), QStringLiteral("broadMatch"), QStringLiteral("narrowMatch")};
    vRelationProperties = {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};
}

qint64 mdlGlobale::LeggiUltimoIdEsatto(cConnessione &connection)
{
    RecordSet rs;
    qint64 result = 0;
    if (connection.ApriRS(QStringLiteral("select max(id) as M from mappingrelations"), rs)) {
        const QVariant m = rs.isEOF() ? QVariant() : rs.value(QStringLiteral("M"));
        result = m.isNull() ? 0 : m.toLongLong();
        connection.ChiudiRS(rs);
    }
    return result;
}

qint32 mdlGlobale::LeggiUltimoId(cConnessione &connection)
{
    return static_cast<qint32>(std::clamp<qint64>(LeggiUltimoIdEsatto(connection),
                                                  std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max()));
}

void mdlGlobale::AzzeraStato()
{
    vProjectOpen = false;
    vDatabaseFolder.clear();
    vLastRelationId = 0;
    vEditRelationId = 0;
    vRelationNames.clear();
    vRelationProperties.clear();
    vTargetModel = 0;
    vEurovocField.clear();
    vTargetSubset.clear();
    vSourceName.clear();
    vTargetName.clear();
    vRootQuery.clear();
    vRootParams.clear();
    vTreeSide.clear();
    vTreeCaption.clear();
    vLeftNodes.clear();
    vRightNodes.clear();
    vLeftCount = vRightCount = 0;
    vLeftCurrent = vRightCurrent = 0;
}

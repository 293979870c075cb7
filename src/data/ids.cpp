#include "data/ids.h"

QString Ids::modelName(int model)
{
    switch (model) {
    case ECLAS: return QStringLiteral("eclas");
    case ETT: return QStringLiteral("ett");
    case EUROVOC: return QStringLiteral("eurovoc");
    case UNESCO: return QStringLiteral("unesco");
    case GEMET: return QStringLiteral("gemet");
    default: return {};
    }
}

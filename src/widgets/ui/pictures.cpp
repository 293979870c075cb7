#include "widgets/ui/pictures.h"

#include "base/mdlUtil.h"

#include <QHash>

namespace {

QHash<QString, QPixmap> &cache()
{
    static QHash<QString, QPixmap> c;
    return c;
}

QPixmap load(const QString &relative)
{
    auto it = cache().constFind(relative);
    if (it != cache().constEnd())
        return *it;
    QPixmap p(mdlUtil::CartellaApplicazione() + relative);
    cache().insert(relative, p);
    return p;
}

} // namespace

QPixmap Pictures::pixmap(const QString &name)
{
    return load(QStringLiteral("pictures/") + name + QStringLiteral(".png"));
}

QIcon Pictures::icon(const QString &name)
{
    const QPixmap p = pixmap(name);
    return p.isNull() ? QIcon() : QIcon(p);
}

QPixmap Pictures::ico(const QString &name)
{
    return load(name + QStringLiteral(".ico"));
}

void Pictures::clearCache()
{
    cache().clear();
}

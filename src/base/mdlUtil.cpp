#include "base/mdlUtil.h"

#include "base/DbError.h"
#include "base/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString g_folderOverride;
}

QString mdlUtil::testoErrore(const DbError &error)
{
    return QStringLiteral("Error %1: %2").arg(error.number()).arg(error.description());
}

void mdlUtil::MostraErrore(const DbError &error)
{
    dialogs().message(testoErrore(error), {}, Dialogs::Icon::Critical);
}

QString mdlUtil::CartellaApplicazione()
{
    if (!g_folderOverride.isEmpty())
        return g_folderOverride;
    const QString exeDir = QCoreApplication::applicationDirPath();
    QString folder = exeDir;
    // Installed: the executable is in <prefix>/bin and its files in <prefix>/share/vospan.
    const QString shared = QDir::cleanPath(exeDir + QStringLiteral("/../share/vospan"));
    if (!QFileInfo::exists(exeDir + QStringLiteral("/freccia4.ico")) && QFileInfo::exists(shared))
        folder = shared;
    return QDir::toNativeSeparators(folder + QLatin1Char('/'));
}

void mdlUtil::setCartellaApplicazione(const QString &folder)
{
    g_folderOverride = folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

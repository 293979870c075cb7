#include "base/mdlUtil.h"

#include "base/DbError.h"
#include "base/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {
QString g_folderOverride;
}

QString mdlUtil::testoErrore(const DbError &error)
{
    // A server's own state code says more than a number the program chose.
    const QString number = error.sqlState().isEmpty() ? QString::number(error.number()) : error.sqlState();
    return QStringLiteral("Error %1: %2").arg(number, error.description());
}

QString mdlUtil::accountName()
{
#ifdef Q_OS_UNIX
    // The account itself, which the environment may not tell (services, sudo -i).
    passwd entry{};
    passwd *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
#endif
    for (const char *name : {"USER", "USERNAME", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QStringLiteral("unknown");
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

#include "platform/SpecialFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ApplicationFileName()
{
    if (QCoreApplication::instance() != nullptr) {
        const QString path = QCoreApplication::applicationFilePath();
        if (!path.isEmpty())
            return path;
    }
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString ApplicationFolder()
{
    if (QCoreApplication::instance() != nullptr) {
        const QString dir = QCoreApplication::applicationDirPath();
        if (!dir.isEmpty())
            return dir;
    }
    const QString file = ApplicationFileName();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

QString SystemConfigFolder()
{
    return QStringLiteral("/etc");
}

QString UserConfigFolder()
{
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        return QString();
    return QDir::cleanPath(home + QStringLiteral("/.config"));
}

#include "platform/RegistryHive.h"

#include "framework/Exception.h"
#include "framework/SafeFile.h"
#include "platform/WineRegFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Wine keeps a prefix's registry in the memory of its server and writes every
// file back when the server exits, so a file written meanwhile is lost. A
// running server holds a write lock on the file "lock" in
// /tmp/.wine-UID/server-DEV-INODE/ (device and inode of the prefix folder).
bool WineServerRunning(const QString& prefix)
{
    struct stat info { };
    if (::stat(QFile::encodeName(prefix).constData(), &info) != 0)
        return false;
    const QByteArray lockPath = "/tmp/.wine-" + QByteArray::number(::getuid()) + "/server-"
        + QByteArray::number(qulonglong(info.st_dev), 16) + '-'
        + QByteArray::number(qulonglong(info.st_ino), 16) + "/lock";
    const int fd = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock { };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

} // namespace

TRegistryHive::TRegistryHive(QString fileName, QStringList rootPath)
    : FFileName(std::move(fileName))
    , FRootPath(std::move(rootPath))
    , FRoot(std::make_shared<TRegKey>())
{
    FRoot->SetTime(Now());
}

TRegistryHive::TRegistryHive()
    : FRoot(std::make_shared<TRegKey>())
{
    FRoot->SetTime(Now());
    FLoaded = true;
}

quint64 TRegistryHive::Now()
{
    return quint64(QDateTime::currentMSecsSinceEpoch()) * 10000 + 116444736000000000ULL;
}

QString TRegistryHive::FilePath() const
{
    if (FFileName.isEmpty())
        return {};
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty())
        prefix = QDir::homePath() + QStringLiteral("/.wine");
    return QDir(prefix).filePath(FFileName);
}

LONG TRegistryHive::Acquire()
{
    if (FUsers == 0 && !FFileName.isEmpty()) {
        // Changes that could not be written stay, unless the prefix moved.
        if (!(FLoaded && FDirty && FLoadedPath == FilePath())) {
            const LONG result = Load();
            if (result != ERROR_SUCCESS)
                return result;
        }
    }
    ++FUsers;
    return ERROR_SUCCESS;
}

LONG TRegistryHive::Release()
{
    if (FUsers == 0 || --FUsers > 0 || FFileName.isEmpty())
        return ERROR_SUCCESS;
    if (FDirty) {
        const LONG result = Save();
        if (result != ERROR_SUCCESS)
            return result;
    }
    // Unloaded so that the next first handle sees what Wine wrote meanwhile.
    FLoaded = false;
    FDirty = false;
    FRoot = std::make_shared<TRegKey>();
    return ERROR_SUCCESS;
}

LONG TRegistryHive::Load()
{
    auto root = std::make_shared<TRegKey>();
    root->SetTime(Now());
    const QString path = FilePath();
    QByteArray arch;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return file.error() == QFileDevice::PermissionsError ? ERROR_ACCESS_DENIED : ERROR_BADDB;
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError || !TWineRegFile::Read(bytes, *root, arch, Now()))
            return ERROR_BADDB;
    }
    FRoot = std::move(root);
    FArch = arch;
    FLoadedPath = path;
    FLoaded = true;
    FDirty = false;
    return ERROR_SUCCESS;
}

LONG TRegistryHive::Save()
{
    QFile existing(FLoadedPath);
    if (existing.exists()) {
        // Never overwrite a file that is not a Wine registry file.
        if (!existing.open(QIODevice::ReadOnly))
            return ERROR_ACCESS_DENIED;
        if (!TWineRegFile::HasHeader(existing.read(64)))
            return ERROR_BADDB;
        existing.close();
    }
    const QString folder = QFileInfo(FLoadedPath).absolutePath();
    if (WineServerRunning(folder))
        return ERROR_SHARING_VIOLATION;
    if (FArch.isEmpty())
        FArch = ArchForNewFile();
    QDir().mkpath(folder);
    try {
        ReplaceFileSafely(FLoadedPath, TWineRegFile::Write(*FRoot, FRootPath, FArch));
    } catch (const EFCreateError&) {
        return ERROR_CANTWRITE;
    }
    FDirty = false;
    return ERROR_SUCCESS;
}

// Wine writes the prefix's architecture into every file, and a system.reg
// without one makes the prefix 32-bit. Left open for a file we create: take
// the architecture of the prefix's system.reg, else win64.
QByteArray TRegistryHive::ArchForNewFile() const
{
    QFile system(QFileInfo(FLoadedPath).dir().filePath(QStringLiteral("system.reg")));
    if (system.open(QIODevice::ReadOnly)) {
        const QByteArray head = system.read(4096);
        if (TWineRegFile::HasHeader(head) && head.contains("\n#arch=win32"))
            return "win32";
    }
    return "win64";
}

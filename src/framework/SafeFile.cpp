// Written with the system calls themselves rather than QSaveFile: in Qt 6.4
// QSaveFile keeps the bytes in its buffer until commit(), and commit()
// neither reports a failed flush of that buffer nor looks at the result of
// its sync, so a full disk renamed an empty file over a good one.
#include "framework/SafeFile.h"

#include "framework/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Encoded(const QString& name)
{
    return QFile::encodeName(name);
}

[[noreturn]] void Raise(const QString& fileName, int error)
{
    RaiseFileCreateError(fileName, SystemErrorText(error));
}

// A link is followed, so that saving through it keeps the link.
QString ResolvedTarget(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        if (!resolved.isEmpty())
            return resolved;
    }
    return info.absoluteFilePath();
}

QString RandomSuffix()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return suffix;
}

// Creates the temporary file; -1 with errno set when it cannot.
int CreateTemporary(const QString& target, QString& temporary)
{
    for (;;) {
        temporary = target + QLatin1String(kTemporaryMark) + RandomSuffix();
        const int fd = ::open(Encoded(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

int WriteAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        left -= written;
    }
    return 0;
}

// Fills the open temporary file; the errno of the first failure, else 0.
// It takes the permissions of the file it replaces (REPLACED, when there
// is one), as a user who made that file private expects.
int FillTemporary(int fd, const struct stat* replaced, QByteArrayView bytes, bool sync)
{
    if (replaced && ::fchmod(fd, replaced->st_mode & 07777) != 0)
        return errno;
    if (const int error = WriteAll(fd, bytes))
        return error;
    return sync && ::fdatasync(fd) != 0 ? errno : 0;
}

} // namespace

QString SystemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

TStagedFile StageFile(const QString& fileName, QByteArrayView bytes, bool sync)
{
    TStagedFile staged;
    staged.target = ResolvedTarget(fileName);
    const QByteArray target = Encoded(staged.target);
    struct stat existing { };
    const bool exists = ::stat(target.constData(), &existing) == 0;
    // Refused before anything is written, in the words the system has
    // always used for it.
    if (exists && S_ISDIR(existing.st_mode))
        RaiseFileCreateError(fileName, QStringLiteral("Filename refers to a directory"));
    // A rename would replace a file its owner made read-only; the user
    // expects such a file to be kept, as it always was.
    if (exists && ::access(target.constData(), W_OK) != 0) {
        RaiseFileCreateError(
            fileName, QStringLiteral("Existing file %1 is not writable").arg(QDir::toNativeSeparators(staged.target)));
    }
    const int fd = CreateTemporary(staged.target, staged.temporary);
    if (fd < 0)
        Raise(fileName, errno);
    int error = FillTemporary(fd, exists ? &existing : nullptr, bytes, sync);
    // A failed close can be the only report of data a file system lost.
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        DiscardStagedFile(staged);
        Raise(fileName, error);
    }
    return staged;
}

void CommitStagedFile(const TStagedFile& staged)
{
    if (::rename(Encoded(staged.temporary).constData(), Encoded(staged.target).constData()) != 0)
        Raise(staged.target, errno);
}

void DiscardStagedFile(const TStagedFile& staged) noexcept
{
    ::unlink(Encoded(staged.temporary).constData());
}

void ReplaceFileSafely(const QString& fileName, QByteArrayView bytes)
{
    const TStagedFile staged = StageFile(fileName, bytes, true);
    // Opened before the rename, so that a folder we cannot open leaves the
    // old file in place.
    const TFolderHandle folder(QFileInfo(staged.target).path());
    if (const int error = folder.OpenError()) {
        DiscardStagedFile(staged);
        Raise(fileName, error);
    }
    try {
        CommitStagedFile(staged);
    } catch (...) {
        DiscardStagedFile(staged);
        throw;
    }
    if (const int error = folder.SyncEntries())
        Raise(fileName, error);
}

TFolderHandle::TFolderHandle(const QString& folder)
    : FFd(::open(Encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (FFd < 0) {
        FOpenError = errno;
        return;
    }
    struct stat info { };
    if (::fstat(FFd, &info) == 0)
        FDevice = info.st_dev;
}

TFolderHandle::~TFolderHandle()
{
    // Read-only: closing it cannot lose data.
    if (FFd >= 0)
        ::close(FFd);
}

int TFolderHandle::SyncFileSystem() const
{
    if (FFd < 0)
        return FOpenError;
    return ::syncfs(FFd) == 0 ? 0 : errno;
}

int TFolderHandle::SyncEntries() const
{
    if (FFd < 0)
        return FOpenError;
    return ::fsync(FFd) == 0 ? 0 : errno;
}

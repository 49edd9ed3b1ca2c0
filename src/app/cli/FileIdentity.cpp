#include "app/cli/FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

bool IsPlainEntry(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISLNK(status.st_mode);
}

} // namespace

QString TFileIdentity::Of(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!name.isEmpty() && name != u"." && name != u".." && IsPlainEntry(path)) {
        const QString folder = info.path();
        auto known = FFolders.find(folder);
        if (known == FFolders.end())
            known = FFolders.insert(folder, QFileInfo(folder).canonicalFilePath());
        if (!known->isEmpty())
            return *known == u"/" ? u'/' + name : *known + u'/' + name;
    }
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

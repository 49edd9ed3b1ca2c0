#include "app/cli/TemplateInputs.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>

namespace {

// QDir lists an unreadable folder as empty; opening it tells the two apart
// and gives the system's reason.
QString UnreadableReason(const QString& folder)
{
    DIR* handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::closedir(handle);
    return {};
}

void ListFolder(const QString& shown, const QString& folder, const QString& relative, bool recursive,
    QStringList& found, QList<TFolderError>& errors)
{
    const QString here = relative.isEmpty() ? folder : QDir(folder).filePath(relative);
    const QString reason = UnreadableReason(here);
    if (!reason.isEmpty()) {
        const QString where = relative.isEmpty() ? shown : QDir(shown).filePath(relative);
        errors.append({ where,
            QStringLiteral("Cannot open folder \"%1\". %2")
                .arg(QFileInfo(here).absoluteFilePath(), reason) });
        return;
    }
    const QDir dir(here);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (name.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
            found.append(relative.isEmpty() ? name : relative + u'/' + name);
    }
    if (!recursive)
        return;
    for (const QString& name :
        dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks))
        ListFolder(
            shown, folder, relative.isEmpty() ? name : relative + u'/' + name, recursive, found, errors);
}

} // namespace

TTemplateListing ListTemplates(const QStringList& paths, bool recursive)
{
    TTemplateListing listing;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            // A missing file is reported when it is read, as any file.
            listing.inputs.append({ path, QFileInfo(path).fileName() });
            continue;
        }
        QStringList found;
        ListFolder(path, path, {}, recursive, found, listing.errors);
        std::sort(found.begin(), found.end());
        for (const QString& relative : found)
            listing.inputs.append({ QDir(path).filePath(relative), relative });
    }
    return listing;
}

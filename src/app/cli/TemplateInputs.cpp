#include "app/cli/TemplateInputs.h"

#include "app/FileNameBytes.h"
#include "app/cli/FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// A folder entry as the system names it: bytes, so that a name QDir could
// not carry is still seen and reported.
struct TEntry {
    QByteArray name;
    bool isFile = false;
    bool isFolder = false; // a real folder, not a link to one
};

// Reads FOLDER's entries, hidden ones left out, sorted by their bytes;
// returns the system's reason when the folder cannot be read.
QString ReadFolder(const QString& folder, QList<TEntry>& entries)
{
    DIR* handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle)
        return QString::fromLocal8Bit(std::strerror(errno));
    while (const dirent* entry = ::readdir(handle)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat target {
        }, own {};
        // A dangling link names nothing to convert.
        if (::fstatat(::dirfd(handle), entry->d_name, &target, 0) != 0
            || ::fstatat(::dirfd(handle), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entries.append({ QByteArray(entry->d_name), S_ISREG(target.st_mode), S_ISDIR(own.st_mode) });
    }
    ::closedir(handle);
    std::sort(
        entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.name < b.name; });
    return {};
}

void ListFolder(const QString& shown, const QString& folder, const QString& relative, bool recursive,
    QStringList& found, QList<TListingError>& errors)
{
    const QString here = relative.isEmpty() ? folder : QDir(folder).filePath(relative);
    QList<TEntry> entries;
    const QString reason = ReadFolder(here, entries);
    if (!reason.isEmpty()) {
        const QString where = relative.isEmpty() ? shown : QDir(shown).filePath(relative);
        errors.append({ where,
            QStringLiteral("Cannot open folder \"%1\". %2")
                .arg(QFileInfo(here).absoluteFilePath(), reason) });
        return;
    }
    for (const TEntry& entry : entries) {
        const QString name = QFile::decodeName(entry.name);
        const bool isTemplate = entry.isFile && name.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive);
        if (!isTemplate && !(recursive && entry.isFolder))
            continue;
        const QString inner = relative.isEmpty() ? name : relative + u'/' + name;
        if (!NameRoundTrips(entry.name))
            errors.append({ QDir(shown).filePath(inner), NotUtf8Message() });
        else if (isTemplate)
            found.append(inner);
        else
            ListFolder(shown, folder, inner, recursive, found, errors);
    }
}

// Keeps the first of the inputs that are one file.
void DropRepeats(QList<TTemplateInput>& inputs)
{
    TFileIdentity identities;
    QSet<QString> seen;
    QList<TTemplateInput> kept;
    for (TTemplateInput input : std::as_const(inputs)) {
        input.identity = identities.Of(input.path);
        if (!seen.contains(input.identity)) {
            seen.insert(input.identity);
            kept.append(input);
        }
    }
    inputs = kept;
}

} // namespace

TTemplateListing ListTemplates(const QStringList& paths, bool recursive, const QSet<QString>& undecodable)
{
    TTemplateListing listing;
    for (const QString& path : paths) {
        if (undecodable.contains(path)) {
            listing.errors.append({ path, NotUtf8Message() });
            continue;
        }
        if (!QFileInfo(path).isDir()) {
            // A missing file is reported when it is read, as any file.
            listing.inputs.append({ path, QFileInfo(path).fileName(), {} });
            continue;
        }
        QStringList found;
        ListFolder(path, path, {}, recursive, found, listing.errors);
        std::sort(found.begin(), found.end());
        for (const QString& relative : found)
            listing.inputs.append({ QDir(path).filePath(relative), relative, {} });
    }
    DropRepeats(listing.inputs);
    return listing;
}

#include "app/cli/BatchWriter.h"

#include "framework/Exception.h"

#include <QFileInfo>

TBatchWriter::~TBatchWriter()
{
    for (const TEntry& entry : FEntries)
        DiscardStagedFile(entry.staged);
}

// The folder is opened before its first file is written: a file system
// sync reports the write-back errors since that open.
const TFolderHandle& TBatchWriter::FolderOf(const QString& fileName)
{
    const QString folder = QFileInfo(fileName).absolutePath();
    std::unique_ptr<TFolderHandle>& handle = FFolders[folder];
    if (!handle)
        handle = std::make_unique<TFolderHandle>(folder);
    return *handle;
}

void TBatchWriter::Add(const QString& fileName, QByteArrayView bytes, qsizetype key)
{
    const TFolderHandle& folder = FolderOf(fileName);
    if (const int error = folder.OpenError())
        RaiseFileCreateError(fileName, SystemErrorText(error));
    FEntries.push_back({ StageFile(fileName, bytes, false), fileName, key, &folder, {} });
}

QList<TBatchWriter::TResult> TBatchWriter::Commit()
{
    SyncFileSystems();
    RenameAll();
    SyncFolders();
    QList<TResult> results;
    for (const TEntry& entry : FEntries)
        results.append({ entry.key, entry.error });
    FEntries.clear();
    FFolders.clear();
    return results;
}

void TBatchWriter::FailEntry(TEntry& entry, int error)
{
    entry.error = FileCreateErrorText(entry.fileName, SystemErrorText(error));
    if (!entry.renamed)
        DiscardStagedFile(entry.staged);
}

// One sync per file system instead of one per file: where a sync costs
// milliseconds, it decides the time of the whole run.
void TBatchWriter::SyncFileSystems()
{
    std::map<unsigned long, int> errors; // device -> errno of its sync
    for (TEntry& entry : FEntries) {
        const auto done = errors.find(entry.folder->Device());
        const int error = done != errors.end()
            ? done->second
            : errors[entry.folder->Device()] = entry.folder->SyncFileSystem();
        if (error != 0)
            FailEntry(entry, error);
    }
}

void TBatchWriter::RenameAll()
{
    for (TEntry& entry : FEntries) {
        if (!entry.error.isEmpty())
            continue;
        try {
            CommitStagedFile(entry.staged);
            entry.renamed = true;
        } catch (const Exception& error) {
            entry.error = error.Message();
            DiscardStagedFile(entry.staged);
        }
    }
}

// Without it a crash could bring back the old names after the new bytes.
void TBatchWriter::SyncFolders()
{
    std::map<const TFolderHandle*, int> errors;
    for (TEntry& entry : FEntries) {
        if (!entry.renamed)
            continue;
        const auto done = errors.find(entry.folder);
        const int error
            = done != errors.end() ? done->second : errors[entry.folder] = entry.folder->SyncEntries();
        if (error != 0)
            FailEntry(entry, error);
    }
}

#include "app/cli/BatchWriter.h"

#include "framework/Exception.h"

#include <QFileInfo>
#include <exception>

TBatchWriter::TBatchWriter()
    : FThread([this] { Work(); })
{
}

TBatchWriter::~TBatchWriter()
{
    {
        std::lock_guard lock(FLock);
        FStopping = true;
    }
    FWork.notify_one();
    FThread.join();
    for (const TEntry& entry : FEntries) {
        if (entry.error.isEmpty())
            DiscardStagedFile(entry.staged);
    }
}

void TBatchWriter::Add(const QString& fileName, QByteArray bytes, qsizetype key)
{
    FUnsent.push_back({ fileName, std::move(bytes), key, false });
    ++FAddedToChunk;
    // Handed over a few at a time: a wake-up of the writing thread per file
    // costs more than the wait.
    if (FUnsent.size() >= kHandOver)
        HandOver();
}

QList<TBatchWriter::TResult> TBatchWriter::EndChunk()
{
    PushChunkEnd();
    // One chunk written while the next is converted: at most two chunks'
    // bytes are held, and the writing thread's temporaries stay one chunk.
    return WaitForChunks(FChunksEnded - 1);
}

QList<TBatchWriter::TResult> TBatchWriter::Finish()
{
    if (FAddedToChunk > 0)
        PushChunkEnd();
    return WaitForChunks(FChunksEnded);
}

void TBatchWriter::PushChunkEnd()
{
    FUnsent.push_back({ {}, {}, -1, true });
    HandOver();
    FAddedToChunk = 0;
    ++FChunksEnded;
}

void TBatchWriter::HandOver()
{
    {
        std::lock_guard lock(FLock);
        for (TJob& job : FUnsent)
            FJobs.push_back(std::move(job));
    }
    FUnsent.clear();
    FWork.notify_one();
}

QList<TBatchWriter::TResult> TBatchWriter::WaitForChunks(qsizetype count)
{
    std::unique_lock lock(FLock);
    FChunkDone.wait(lock, [&] { return FChunksDone >= count; });
    return std::exchange(FResults, {});
}

void TBatchWriter::Work()
{
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(FLock);
            FWork.wait(lock, [&] { return FStopping || !FJobs.empty(); });
            // Stopped before Finish (the run failed): what is queued is dropped.
            if (FStopping)
                return;
            job = std::move(FJobs.front());
            FJobs.pop_front();
        }
        if (!job.endsChunk) {
            Stage(job);
            continue;
        }
        QList<TResult> results = Commit();
        {
            std::lock_guard lock(FLock);
            FResults.append(std::move(results));
            ++FChunksDone;
        }
        FChunkDone.notify_one();
    }
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

void TBatchWriter::Stage(const TJob& job)
{
    const TFolderHandle& folder = FolderOf(job.fileName);
    TEntry entry { {}, job.fileName, job.key, &folder, {} };
    try {
        if (const int error = folder.OpenError())
            RaiseFileCreateError(job.fileName, SystemErrorText(error));
        entry.staged = StageFile(job.fileName, job.bytes, false);
    } catch (const Exception& error) {
        entry.error = error.Message();
    } catch (const std::exception& error) {
        entry.error = FileCreateErrorText(job.fileName, QString::fromLocal8Bit(error.what()));
    }
    FEntries.push_back(std::move(entry));
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
        if (!entry.error.isEmpty())
            continue;
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

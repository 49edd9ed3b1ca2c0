// The new templates of a run of several files, written at the disk's speed
// and as durably as one save: each goes to a temporary file beside its
// target, a chunk of them is made durable with one sync per file system,
// then each is renamed over its target and each folder is synced once. A
// kill at any moment leaves every target with its old bytes or its whole new
// ones, and at most kMaxTemporaries temporary files. A file that fails,
// fails alone, except that a failed sync fails every file it covered.
//
// The writing runs on a thread of its own, so that the caller converts the
// next files while the system creates, syncs and renames the last ones; it
// takes the files in the order they were added, one chunk after the other.
// The methods are for one thread, the one that made the writer.
#pragma once

#include "framework/SafeFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TBatchWriter {
public:
    static constexpr qsizetype kMaxTemporaries = 256;

    // A file's outcome: ERROR empty when it was saved.
    struct TResult {
        qsizetype key;
        QString error;
    };

    TBatchWriter();
    // Stops the writing and removes the temporary files of a chunk that was
    // never put in place.
    ~TBatchWriter();
    TBatchWriter(const TBatchWriter&) = delete;
    TBatchWriter& operator=(const TBatchWriter&) = delete;

    // Queues BYTES for FILENAME, the file known by KEY. Its outcome comes
    // with its chunk's results; a file that cannot be written fails there
    // with "Cannot create file "NAME". REASON".
    void Add(const QString& fileName, QByteArray bytes, qsizetype key);
    // True when the chunk being filled must be ended before the next Add.
    bool Full() const { return FAddedToChunk >= kMaxTemporaries; }
    // Ends the chunk being filled, which is then put in place while the
    // caller goes on, and waits for the chunks before it: their results, in
    // the order their files were added.
    QList<TResult> EndChunk();
    // Ends the last chunk and waits for every file: the results not yet
    // returned, in the order their files were added.
    QList<TResult> Finish();

private:
    struct TJob {
        QString fileName;
        QByteArray bytes;
        qsizetype key = -1;
        bool endsChunk = false;
    };
    struct TEntry {
        TStagedFile staged;
        QString fileName;
        qsizetype key;
        const TFolderHandle* folder;
        QString error;
        bool renamed = false;
    };

    static constexpr size_t kHandOver = 16;

    void HandOver();
    void PushChunkEnd();
    QList<TResult> WaitForChunks(qsizetype count);

    // On the writing thread.
    void Work();
    void Stage(const TJob& job);
    QList<TResult> Commit();
    const TFolderHandle& FolderOf(const QString& fileName);
    void SyncFileSystems();
    void RenameAll();
    void SyncFolders();
    void FailEntry(TEntry& entry, int error);

    // The caller's side.
    std::vector<TJob> FUnsent;
    qsizetype FAddedToChunk = 0;
    qsizetype FChunksEnded = 0;

    // Shared, under FLock.
    std::mutex FLock;
    std::condition_variable FWork;
    std::condition_variable FChunkDone;
    std::deque<TJob> FJobs;
    QList<TResult> FResults;
    qsizetype FChunksDone = 0;
    bool FStopping = false;

    // The writing thread's own.
    std::vector<TEntry> FEntries;
    std::map<QString, std::unique_ptr<TFolderHandle>> FFolders;

    std::thread FThread; // last: it starts once the rest is built
};

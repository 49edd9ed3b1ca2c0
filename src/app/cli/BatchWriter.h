// The new templates of a run of several files, written at the disk's speed
// and as durably as one save: each goes to a temporary file beside its
// target, a chunk of them is made durable with one sync per file system,
// then each is renamed over its target and each folder is synced once. A
// kill at any moment leaves every target with its old bytes or its whole new
// ones, and at most kMaxTemporaries temporary files. A file that fails,
// fails alone, except that a failed sync fails every file it covered. Not
// thread-safe.
#pragma once

#include "framework/SafeFile.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class TBatchWriter {
public:
    static constexpr qsizetype kMaxTemporaries = 256;

    // A file's outcome: ERROR empty when it was saved.
    struct TResult {
        qsizetype key;
        QString error;
    };

    TBatchWriter() = default;
    // Removes the temporary files of a batch that was never committed.
    ~TBatchWriter();
    TBatchWriter(const TBatchWriter&) = delete;
    TBatchWriter& operator=(const TBatchWriter&) = delete;

    // Writes BYTES to a temporary file for FILENAME, the file known by KEY.
    // Raises EFCreateError "Cannot create file "NAME". REASON" when it
    // cannot; nothing is left behind then.
    void Add(const QString& fileName, QByteArrayView bytes, qsizetype key);
    // True when the next Add must wait for a Commit.
    bool Full() const { return qsizetype(FEntries.size()) >= kMaxTemporaries; }
    // Makes the files added since the last commit durable and puts them in
    // place; their results in the order they were added.
    QList<TResult> Commit();

private:
    struct TEntry {
        TStagedFile staged;
        QString fileName;
        qsizetype key;
        const TFolderHandle* folder;
        QString error;
        bool renamed = false;
    };

    const TFolderHandle& FolderOf(const QString& fileName);
    void SyncFileSystems();
    void RenameAll();
    void SyncFolders();
    void FailEntry(TEntry& entry, int error);

    std::vector<TEntry> FEntries;
    std::map<QString, std::unique_ptr<TFolderHandle>> FFolders;
};

// Replacing a file so that no failure and no crash loses data: the new bytes
// go to a temporary file in the target's folder, are made durable, and only
// then renamed over the target, whose folder is synced last. Any failure
// removes the temporary file and leaves the target exactly as it was.
// Every save of the system goes through here. Thread-safe as long as no two
// calls touch the same target.
#pragma once

#include <QByteArrayView>
#include <QString>

// The part of a temporary file's name after its target's name; the random
// suffix follows. A file with this in its name is a leftover of a save that
// was killed and may be deleted.
inline constexpr char kTemporaryMark[] = ".mirovane-tmp-";

// Replaces FILENAME with BYTES as a whole and durably. Raises EFCreateError
// "Cannot create file "NAME". REASON" with the system's reason.
void ReplaceFileSafely(const QString& fileName, QByteArrayView bytes);

// A new file's bytes in a temporary file beside its target, written and
// closed. Its data reaches the disk only with SYNC or a later file system
// sync.
struct TStagedFile {
    QString target; // the file the temporary replaces (a link's target)
    QString temporary;
};

// Writes BYTES to a new temporary file for FILENAME. Raises EFCreateError
// naming FILENAME; nothing is left behind then.
TStagedFile StageFile(const QString& fileName, QByteArrayView bytes, bool sync);

// Renames the staged file over its target; raises EFCreateError when the
// system refuses, leaving the temporary file for the caller to discard.
void CommitStagedFile(const TStagedFile& staged);

// Removes the temporary file; never raises.
void DiscardStagedFile(const TStagedFile& staged) noexcept;

// An open folder, for syncing its file system or its entries. The errno of a
// failed open or sync is returned, 0 on success; the descriptor is closed
// on destruction.
class TFolderHandle {
public:
    explicit TFolderHandle(const QString& folder);
    ~TFolderHandle();
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;

    int OpenError() const { return FFd < 0 ? FOpenError : 0; }
    // The device that holds the folder (0 when not open).
    unsigned long Device() const { return FDevice; }
    // Writes back every file system buffer of the folder's file system.
    int SyncFileSystem() const;
    // Makes renames and creations in the folder durable.
    int SyncEntries() const;

private:
    int FFd = -1;
    int FOpenError = 0;
    unsigned long FDevice = 0;
};

// The system's text for errno ERROR, for example "No space left on device".
QString SystemErrorText(int error);

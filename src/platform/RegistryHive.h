// One hive of the registry: a tree of keys that is either kept in a Wine
// registry file ($WINEPREFIX/user.reg and its siblings) or lives in memory
// only. A file hive is read when its first handle opens and written back,
// atomically, when its last handle closes after a change; in between it
// belongs to this process. A file that is not a Wine registry file is never
// read into the hive nor overwritten: acquiring the hive then fails with
// ERROR_BADDB. The hive owns its key tree. Not thread-safe: the registry
// calls it under its one lock.
#pragma once

#include "platform/RegKey.h"

#include <QStringList>

class TRegistryHive {
public:
    // A hive kept in FILENAME (a name inside the Wine prefix), named on the
    // file's second line by ROOTPATH.
    TRegistryHive(QString fileName, QStringList rootPath);
    // A hive that lives in memory only.
    TRegistryHive();

    // Counts one more user (an open handle or a running call), reading the
    // file first when there was none. ERROR_BADDB when the file is not a
    // Wine registry file, ERROR_ACCESS_DENIED when it cannot be read.
    LONG Acquire();
    // Counts one user less; the last one writes a changed hive back. A failed
    // write returns ERROR_CANTWRITE, ERROR_BADDB when the file on disk is no
    // longer a Wine registry file, or ERROR_SHARING_VIOLATION while a Wine
    // server runs on the prefix (it would overwrite the file when it exits),
    // and keeps the changes for the next try.
    LONG Release();

    const TRegKey::TPtr& Root() const { return FRoot; }
    bool IsRoot(const TRegKey& key) const { return &key == FRoot.get(); }
    void MarkDirty() { FDirty = true; }

    // The file of this hive in the current prefix: $WINEPREFIX, by default
    // ~/.wine. Empty for a memory hive.
    QString FilePath() const;

    // Current time in 100-ns ticks since 1601-01-01 UTC.
    static quint64 Now();

private:
    LONG Load();
    LONG Save();
    QByteArray ArchForNewFile() const;

    QString FFileName;
    QStringList FRootPath;
    TRegKey::TPtr FRoot;
    QString FLoadedPath;
    QByteArray FArch;
    int FUsers = 0;
    bool FLoaded = false;
    bool FDirty = false;
};

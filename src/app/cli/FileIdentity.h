// Which file a path names, for telling whether two paths name one file: the
// canonical path where the file exists (symbolic links resolved), else the
// cleaned absolute path. A folder is resolved once and kept, so a run over
// many files in few folders does not walk every path to the root again; a
// file that is itself a symbolic link is resolved whole. A folder moved or
// relinked during the run keeps the identity it had when first seen.
#pragma once

#include <QHash>
#include <QString>

class TFileIdentity {
public:
    QString Of(const QString& path);

private:
    QHash<QString, QString> FFolders; // folder as given -> its canonical path, "" if none
};

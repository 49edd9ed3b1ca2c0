// File-name arithmetic on plain texts; nothing touches the file system.
// "/" is the only path delimiter on this platform. The extension of a name
// is the part of its file-name part from the last "." on. Thread-safe.
#pragma once

#include <QString>
#include <QStringView>

// Everything up to and including the last "/"; empty when there is none.
QString ExtractFilePath(QStringView fileName);
// Everything after the last "/".
QString ExtractFileName(QStringView fileName);
// From the last "." of the file-name part on; empty when there is none.
QString ExtractFileExt(QStringView fileName);
// FILENAME with its extension replaced by EXTENSION (which brings its own
// "."); a name without extension gets EXTENSION appended.
QString ChangeFileExt(QStringView fileName, QStringView extension);

// Whole text files: the one place that knows how the system's text files
// are encoded. Written files are in the ANSI code page, every line ending in
// CR LF, without a byte-order mark; read files are decoded by their
// byte-order mark (UTF-8, UTF-16LE, UTF-16BE) or, without one, as ANSI.
// Thread-safe as long as no two calls touch the same file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bytes of a text file holding LINES.
QByteArray TextFileBytes(const QStringList& lines);

// Replaces FILENAME with LINES as a whole and durably (ReplaceFileSafely):
// a failure leaves the old file (or none) and no temporary file. Raises
// EFCreateError "Cannot create file "NAME". REASON" with the full name.
void WriteTextFile(const QString& fileName, const QStringList& lines);

// The whole text of FILENAME, byte-order mark removed. Raises EFOpenError
// "Cannot open file "NAME". REASON" with the full name.
QString ReadTextFile(const QString& fileName);

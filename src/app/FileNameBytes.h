// File names as the system hands them over: bytes, which Qt decodes as
// UTF-8. A name that is not valid UTF-8 (Latin-1 names from archives of old
// Windows machines) cannot come back from a QString, so no file operation
// can reach it by that QString; such names are recognised here and reported
// with what to do, rather than as missing files. Used by both programs.
#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

// True when NAME survives decoding and encoding unchanged.
bool NameRoundTrips(const QByteArray& name);

// The message for a file or folder whose name is not valid UTF-8.
QString NotUtf8Message();

// The program's arguments ARGV[1..ARGC-1] decoded, and those of them whose
// bytes did not survive decoding.
struct TDecodedArguments {
    QStringList arguments;
    QSet<QString> undecodable;
};
TDecodedArguments DecodeArguments(int argc, char** argv);

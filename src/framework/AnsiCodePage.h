// The system's ANSI code page: the 8-bit encoding used only where text
// crosses a file or registry boundary. windows-1252 unless the environment
// variable MIROVANE_ANSI_CODEPAGE names another code page that ICU knows
// (for example "windows-1251" or "ibm-850"). A character the code page cannot
// represent is written as "?". Thread-safe.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

QByteArray AnsiEncode(QStringView text);
QString AnsiDecode(QByteArrayView bytes);
// The ICU name of the code page in use.
QString AnsiCodePageName();

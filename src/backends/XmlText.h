// Value texts of the XML storage file: the escaping the writer applies to
// string values and the entity decoding the reader applies to every value
// it reads (names are never escaped nor decoded). Plain functions without
// shared state; thread-safe.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Replaces '"', '&', '\'', '<' and '>' by their named entities and the
// zero character, which would end the data for the reader, by "&#0;"; with
// ENCODETAB also TAB by "&tab;", with ENCODECRLF also CR and LF by "&cr;"
// and "&lf;". Every other character is kept; a text without any of them is
// returned as it is, sharing its data.
QString XmlEscapeValue(const QString& text, bool encodeTab, bool encodeCRLF);

// The characters XmlEscapeValue replaces, as a mask for the options, for
// writers that escape while they write.
quint8 XmlEscapeMask(bool encodeTab, bool encodeCRLF);
// Escaping straight into a writer's buffer, which holds XmlEntityMax bytes
// (8-bit) or units (UTF-16) for each unit taken and XmlEscapeSlack bytes
// more, which the escapers may write over. The 8-bit form stops before the
// first unit beyond ASCII and returns the units it took, adding the bytes it
// wrote to WRITTEN; the UTF-16 form takes every unit and returns the bytes
// it wrote, little-endian.
constexpr qsizetype XmlEntityMax = 6;
constexpr qsizetype XmlEscapeSlack = 32;
qsizetype XmlEscapeAsciiInto(const char16_t* in, qsizetype count, quint8 mask, char* out, qsizetype& written);
qsizetype XmlEscapeWideInto(const char16_t* in, qsizetype count, quint8 mask, char* out);

// Replaces each entity, from "&" to the next ";", by its character: the
// named ones (amp, apos, gt, lt, quot, cr, lf, tab; any letter case) and
// decimal ("&#65;") or hexadecimal ("&#x41;") references. The result is not
// decoded again, so "&amp;lt;" gives "&lt;". Raises the parser errors
// "No end mark in the entity." and "Unknown entity.", and EConvertError for
// a reference that is not a number or not a character.
QString XmlDecodeValue(QString text);

// The system's 8-bit code page, with a fast path for ASCII text when the
// code page keeps ASCII as it is (names and most values are ASCII).
QString XmlAnsiDecode(QByteArrayView bytes);
QByteArray XmlAnsiEncode(QStringView text);
// Whether the text is ASCII and the code page keeps ASCII as it is, so that
// its 8-bit form is one byte per character, unchanged.
bool XmlIsPlainAscii(QStringView text);
// Whether the code page keeps ASCII as it is.
bool XmlAnsiKeepsAscii();

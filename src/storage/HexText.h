// Hex text: the text form of byte buffers in XML storage files and in the
// text conversion of buffer keys. Two upper-case hex digits per byte,
// separated by "," and wrapped after 26 bytes per line, or compact (digits
// only). The encoder's line-break text, start column and compact flag are
// process-wide state that the XML writer sets just before it formats one
// buffer; that state is not thread-safe, so formatting with non-default
// parameters must stay on one thread. Decoding and the shape test are free
// of shared state.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// Encodes bytes as hex text (8-bit). Wrapped form: "," after every byte but
// the last; when the line reaches its width and at least two bytes remain,
// the line-break text follows the ",". The start column is reset to 0 after
// every wrapped encoding, the compact flag after every compact one.
QByteArray HexEncode(QByteArrayView bytes);

// HexEncode's text with the parameters given instead of the process-wide
// ones, which it leaves as they are: written at OUT, which holds
// HexEncodedMax(size of BYTES, size of LINEBREAK) bytes; returns the end.
char* HexEncodeInto(QByteArrayView bytes, char* out, QByteArrayView lineBreak, int startColumn, bool compact);
qsizetype HexEncodedMax(qsizetype count, qsizetype breakSize);

// Parameters of the next HexEncode call.
void SetHexLineBreak(const QByteArray& lineBreak);
QByteArray HexLineBreak();
void SetHexStartColumn(int column);
int HexStartColumn();
void SetHexCompact(bool compact);
bool HexCompact();

// Whether the text has the shape of hex text: only hex digits, "," and line
// breaks; at least two digits without commas, or at most four digits per
// comma. Spaces make it false although HexDecode would skip them.
bool IsHexText(QStringView text);
bool IsHexText(QByteArrayView text);

// The bytes of hex text. Line breaks, blanks, "," and "\" between byte pairs
// are skipped. Any other character, or a lone hex digit, gives an empty result.
QByteArray HexDecode(QStringView text);
QByteArray HexDecode(QByteArrayView text);

// HexDecode of text that passes IsHexText, in one pass; empty otherwise.
QByteArray HexDecodeShaped(QStringView text);
// The same bytes written at OUT, which holds text.size() / 2 bytes, for a
// caller that keeps them elsewhere; returns their count, 0 for text that is
// not hex text.
qsizetype HexDecodeShapedInto(QStringView text, char* out);

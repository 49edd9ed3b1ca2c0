// The array stream: the byte layout of a one-dimensional variant array kept
// in a buffer key. Little-endian: a 4-byte element count, then per element a
// 4-byte variant type code and its payload. This is the only place that
// knows that layout. Plain functions without shared state; thread-safe.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVariantList>

class QIODevice;

// Writes Values at the stream's position. False, with the stream left
// unfinished, when an element has a type the format cannot hold.
bool WriteArrayStream(QIODevice& Stream, const QVariantList& Values);

// The elements of an array stream. Reading stops at the end of the bytes or
// at an element that does not fit in what is left, so damaged bytes give
// the elements before the damage and never more than the stored count.
QVariantList ReadArrayStream(QByteArrayView Bytes);

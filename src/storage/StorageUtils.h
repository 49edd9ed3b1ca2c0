// Small text and number helpers of the storage library: number
// classification for typing XML values, splitting of storage paths, byte
// order of UTF-16 text read from files, and the tolerance of date-time
// comparison. Plain functions without shared state; thread-safe.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// What a text holds as a number, as ClassifyNumber reports it.
enum TrsNumberClass { ncNone = 0, ncInteger = 1, ncFloat = 2, ncInt64 = 3 };

// Classifies decimal digits with an optional leading sign and at most one
// decimal separator: a float when the separator occurs, otherwise the
// narrowest of 32-bit and 64-bit integer that holds the value; ncNone for
// anything else (no digits, other characters, beyond the 64-bit range).
TrsNumberClass ClassifyNumber(QStringView text, QChar decimalSeparator);

// The same with the decimal separator of the process's default format
// settings, so that what it calls a float the float parser accepts.
TrsNumberClass ClassifyNumber(QStringView text);

// True for the two path separators "/" and "\".
inline bool IsPathDelimiter(QChar c)
{
    return c == u'/' || c == u'\\';
}

// The part of TEXT from POSITION up to the next separator or the end.
// POSITION moves to that separator, or to TEXT's size when there is none.
// The result views TEXT and is valid as long as TEXT is.
QStringView NextPathPart(QStringView text, qsizetype& position);

// Swaps the two bytes of every UTF-16 unit, up to the first zero unit.
void SwapByteOrder(char16_t* units, qsizetype count);
void SwapByteOrder(QString& text);

// Whether any UTF-16 unit is above 255, so the text has no 8-bit form.
bool HasWideChars(QStringView text);

// One millisecond, in days.
inline constexpr double DateTimeTolerance = 1.0 / 86400000.0;

// Whether two date-times (or any doubles) are less than a millisecond apart.
bool SameFloat(double a, double b);

#include "storage/StorageUtils.h"

#include "framework/FormatSettings.h"

#include <cmath>
#include <cstdint>

namespace {

// Whether the magnitude of DIGITS decimal digits fits the signed range whose
// positive limit is LIMIT, one more being allowed for a negative number.
bool DigitsFit(QStringView digits, std::uint64_t limit, bool negative)
{
    std::uint64_t value = 0;
    for (const QChar c : digits)
        value = value * 10 + (c.unicode() - u'0');
    return value <= limit + (negative ? 1 : 0);
}

} // namespace

TrsNumberClass ClassifyNumber(QStringView text, QChar decimalSeparator)
{
    qsizetype digits = 0;
    bool isFloat = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == decimalSeparator && !isFloat)
            isFloat = true;
        else if ((c != u'+' && c != u'-') || i > 0)
            return ncNone;
    }
    if (digits == 0)
        return ncNone;
    if (isFloat)
        return ncFloat;
    if (digits < 10)
        return ncInteger;
    if (digits > 19)
        return ncNone;
    const bool negative = text.front() == u'-';
    const QStringView magnitude = (negative || text.front() == u'+') ? text.sliced(1) : text;
    if (digits == 10 && DigitsFit(magnitude, 2147483647u, negative))
        return ncInteger;
    return DigitsFit(magnitude, 9223372036854775807u, negative) ? ncInt64 : ncNone;
}

TrsNumberClass ClassifyNumber(QStringView text)
{
    return ClassifyNumber(text, DefaultFormatSettings().DecimalSeparator);
}

QStringView NextPathPart(QStringView text, qsizetype& position)
{
    position = qBound(qsizetype(0), position, text.size());
    const qsizetype start = position;
    while (position < text.size() && !IsPathDelimiter(text[position]))
        ++position;
    return text.sliced(start, position - start);
}

void SwapByteOrder(char16_t* units, qsizetype count)
{
    for (qsizetype i = 0; i < count && units[i] != 0; ++i)
        units[i] = static_cast<char16_t>(units[i] << 8 | units[i] >> 8);
}

void SwapByteOrder(QString& text)
{
    SwapByteOrder(reinterpret_cast<char16_t*>(text.data()), text.size());
}

bool HasWideChars(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() > 255)
            return true;
    }
    return false;
}

bool SameFloat(double a, double b)
{
    return std::fabs(a - b) < DateTimeTolerance;
}

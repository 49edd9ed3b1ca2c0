#include "storage/HexText.h"

#include <array>

namespace {

QByteArray GHexLineBreak = QByteArrayLiteral("\r\n");
int GHexStartColumn = 0;
bool GHexCompact = false;

// Line width rule kept from the old product so files and key texts it wrote
// wrap at the same places.
constexpr int HexLineLimit = 77;

constexpr char HexDigits[] = "0123456789ABCDEF";

// Value of a hex digit, or -1; indexed by the low 8 bits of a character.
constexpr std::array<signed char, 256> MakeHexValues()
{
    std::array<signed char, 256> table {};
    for (auto& v : table)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<signed char>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = static_cast<signed char>(c - 'A' + 10);
        table[c - 'A' + 'a'] = static_cast<signed char>(c - 'A' + 10);
    }
    return table;
}
constexpr std::array<signed char, 256> HexValues = MakeHexValues();

int HexValue(unsigned code)
{
    return code < 256 ? HexValues[code] : -1;
}

unsigned CharCode(QChar c)
{
    return c.unicode();
}
unsigned CharCode(char c)
{
    return static_cast<unsigned char>(c);
}

template <typename View> bool IsHexTextOf(View text)
{
    qsizetype digits = 0;
    qsizetype commas = 0;
    for (const auto c : text) {
        const unsigned code = CharCode(c);
        if (code == '\r' || code == '\n')
            continue;
        if (code == ',')
            ++commas;
        else if (HexValue(code) >= 0)
            ++digits;
        else
            return false;
    }
    if (commas == 0)
        return digits >= 2;
    return commas < digits && digits / commas <= 4;
}

template <typename View> QByteArray HexDecodeOf(View text)
{
    QByteArray result;
    result.reserve(text.size() / 2);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned code = CharCode(text[i]);
        if (code == '\n' || code == '\r' || code == ' ' || code == ',' || code == '\\')
            continue;
        const int high = HexValue(code);
        const int low = i + 1 < size ? HexValue(CharCode(text[i + 1])) : -1;
        if (high < 0 || low < 0)
            return {};
        result.append(static_cast<char>(high * 16 + low));
        ++i;
    }
    return result;
}

QByteArray HexEncodeCompact(QByteArrayView bytes)
{
    QByteArray result(bytes.size() * 2, Qt::Uninitialized);
    char* out = result.data();
    for (const char b : bytes) {
        const auto v = static_cast<unsigned char>(b);
        *out++ = HexDigits[v >> 4];
        *out++ = HexDigits[v & 15];
    }
    return result;
}

QByteArray HexEncodeWrapped(QByteArrayView bytes)
{
    const qsizetype crAt = GHexLineBreak.indexOf('\r');
    const qsizetype lfAt = GHexLineBreak.indexOf('\n');
    // Characters on a new line before its first digit: those after the LF.
    const qsizetype newLineColumn = GHexLineBreak.size() - lfAt;
    QByteArray result;
    result.reserve(bytes.size() * 3 + (bytes.size() / 26 + 1) * GHexLineBreak.size());
    qsizetype column = qsizetype(GHexStartColumn) + 1;
    const qsizetype count = bytes.size();
    for (qsizetype i = 0; i < count; ++i) {
        const auto v = static_cast<unsigned char>(bytes[i]);
        result.append(HexDigits[v >> 4]);
        result.append(HexDigits[v & 15]);
        if (i + 1 < count)
            result.append(',');
        column += 3;
        // A last byte never starts a line of its own.
        if (column > HexLineLimit - crAt && count - i - 1 >= 2) {
            result.append(GHexLineBreak);
            column = newLineColumn;
        }
    }
    return result;
}

} // namespace

QByteArray HexEncode(QByteArrayView bytes)
{
    if (GHexCompact) {
        GHexCompact = false;
        return HexEncodeCompact(bytes);
    }
    QByteArray result = HexEncodeWrapped(bytes);
    GHexStartColumn = 0;
    return result;
}

void SetHexLineBreak(const QByteArray& lineBreak)
{
    GHexLineBreak = lineBreak;
}
QByteArray HexLineBreak()
{
    return GHexLineBreak;
}
void SetHexStartColumn(int column)
{
    GHexStartColumn = column;
}
int HexStartColumn()
{
    return GHexStartColumn;
}
void SetHexCompact(bool compact)
{
    GHexCompact = compact;
}
bool HexCompact()
{
    return GHexCompact;
}

bool IsHexText(QStringView text)
{
    return IsHexTextOf(text);
}
bool IsHexText(QByteArrayView text)
{
    return IsHexTextOf(text);
}
QByteArray HexDecode(QStringView text)
{
    return HexDecodeOf(text);
}
QByteArray HexDecode(QByteArrayView text)
{
    return HexDecodeOf(text);
}

#include "storage/HexText.h"

#include <array>
#include <cstdint>
#include <cstring>

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

unsigned CharCode(QChar c)
{
    return c.unicode();
}
unsigned CharCode(char c)
{
    return static_cast<unsigned char>(c);
}
unsigned CharCode(char16_t c)
{
    return c;
}

// What the shape test counts of a character: a digit, a comma, a line
// break it skips, or anything else, which ends the test.
enum : unsigned char { hcOther, hcDigit, hcComma, hcBreak };
constexpr std::array<unsigned char, 256> MakeShapeClasses()
{
    std::array<unsigned char, 256> table {};
    for (int c = 0; c < 256; ++c)
        table[c] = HexValues[c] >= 0 ? hcDigit : hcOther;
    table[','] = hcComma;
    table['\r'] = hcBreak;
    table['\n'] = hcBreak;
    return table;
}
constexpr std::array<unsigned char, 256> ShapeClasses = MakeShapeClasses();

template <typename View> bool IsHexTextOf(View text)
{
    qsizetype digits = 0;
    qsizetype commas = 0;
    for (const auto c : text) {
        const unsigned code = CharCode(c);
        const unsigned kind = code < 256 ? ShapeClasses[code] : unsigned(hcOther);
        if (kind == hcOther)
            return false;
        digits += kind == hcDigit;
        commas += kind == hcComma;
    }
    if (commas == 0)
        return digits >= 2;
    return commas < digits && digits / commas <= 4;
}

bool IsHexSeparator(unsigned code)
{
    return code == '\n' || code == '\r' || code == ' ' || code == ',' || code == '\\';
}

// A digit's value placed as the high or the low half of a byte, or 0x100
// for a non-digit, so that one test checks several pairs.
constexpr std::array<std::uint16_t, 256> MakePlacedDigits(int shift)
{
    std::array<std::uint16_t, 256> table {};
    for (int c = 0; c < 256; ++c)
        table[c] = HexValues[c] < 0 ? 0x100 : std::uint16_t(HexValues[c] << shift);
    return table;
}
constexpr std::array<std::uint16_t, 256> HighDigits = MakePlacedDigits(4);
constexpr std::array<std::uint16_t, 256> LowDigits = MakePlacedDigits(0);

unsigned PairValue(unsigned high, unsigned low)
{
    return (high < 256 ? HighDigits[high] : 0x100u) | (low < 256 ? LowDigits[low] : 0x100u);
}

// Pairs of digits are the common case and take the tight loops: four pairs
// at a time in compact text, a pair and its comma in wrapped text. A line
// break, blank or invalid character leaves them for the per-character checks.
// SHAPED decodes only text that also passes the shape test: commas and line
// breaks as the only separators, and the digits per comma it allows.
// OUT holds SIZE / 2 bytes; returns the count written, 0 for text that is
// not hex text.
template <bool Shaped, typename Char>
qsizetype HexDecodeInto(const Char* in, qsizetype size, char* const begin)
{
    char* out = begin;
    const Char* const end = in + size;
    qsizetype commas = 0;
    while (in < end) {
        while (end - in >= 8) {
            const unsigned a = PairValue(CharCode(in[0]), CharCode(in[1]));
            const unsigned b = PairValue(CharCode(in[2]), CharCode(in[3]));
            const unsigned c = PairValue(CharCode(in[4]), CharCode(in[5]));
            const unsigned d = PairValue(CharCode(in[6]), CharCode(in[7]));
            if ((a | b | c | d) & 0x100)
                break;
            out[0] = char(a);
            out[1] = char(b);
            out[2] = char(c);
            out[3] = char(d);
            out += 4;
            in += 8;
        }
        // "0A," as the wrapped form writes each byte.
        while (end - in >= 3 && CharCode(in[2]) == ',') {
            const unsigned v = PairValue(CharCode(in[0]), CharCode(in[1]));
            if (v & 0x100)
                break;
            *out++ = char(v);
            in += 3;
            ++commas;
        }
        if (end - in >= 2) {
            const unsigned v = PairValue(CharCode(in[0]), CharCode(in[1]));
            if (!(v & 0x100)) {
                *out++ = char(v);
                in += 2;
                continue;
            }
        }
        if (in == end)
            break;
        const unsigned code = CharCode(*in);
        if (Shaped ? code == ',' || code == '\r' || code == '\n' : IsHexSeparator(code)) {
            commas += code == ',';
            ++in;
            continue;
        }
        return 0; // an invalid character or a lone digit
    }
    const qsizetype bytes = out - begin;
    if (Shaped && !(commas == 0 ? bytes >= 1 : commas < 2 * bytes && 2 * bytes / commas <= 4))
        return 0;
    return bytes;
}

template <bool Shaped, typename Char> QByteArray HexDecodeOf(const Char* in, qsizetype size)
{
    QByteArray result(size / 2, Qt::Uninitialized);
    result.truncate(HexDecodeInto<Shaped>(in, size, result.data()));
    return result;
}

// The two digits of every byte value, high digit first.
constexpr std::array<std::array<char, 2>, 256> MakeDigitPairs()
{
    std::array<std::array<char, 2>, 256> pairs {};
    for (int v = 0; v < 256; ++v)
        pairs[v] = { HexDigits[v >> 4], HexDigits[v & 15] };
    return pairs;
}
constexpr std::array<std::array<char, 2>, 256> DigitPairs = MakeDigitPairs();

// Each byte's two digits and the comma after them, as one 32-bit store.
constexpr std::array<std::array<char, 4>, 256> MakeDigitTriples()
{
    std::array<std::array<char, 4>, 256> triples {};
    for (int v = 0; v < 256; ++v)
        triples[v] = { HexDigits[v >> 4], HexDigits[v & 15], ',', 0 };
    return triples;
}
constexpr std::array<std::array<char, 4>, 256> DigitTriples = MakeDigitTriples();

char* EncodeCompact(const unsigned char* in, qsizetype n, char* out)
{
    qsizetype i = 0;
    // Four bytes make eight digits, stored at once.
    for (; i + 4 <= n; i += 4, out += 8) {
        char digits[8];
        std::memcpy(digits, DigitPairs[in[i]].data(), 2);
        std::memcpy(digits + 2, DigitPairs[in[i + 1]].data(), 2);
        std::memcpy(digits + 4, DigitPairs[in[i + 2]].data(), 2);
        std::memcpy(digits + 6, DigitPairs[in[i + 3]].data(), 2);
        std::memcpy(out, digits, 8);
    }
    for (; i < n; ++i, out += 2)
        std::memcpy(out, DigitPairs[in[i]].data(), 2);
    return out;
}

// Line by line: the bytes a line takes follow from its start column, so
// the digits are written without a test of the width after each byte. A
// line ends after the byte that takes the column past the width, when at
// least two bytes remain; a last byte never starts a line of its own.
char* EncodeWrapped(
    const unsigned char* in, qsizetype count, char* out, QByteArrayView lineBreak, int startColumn)
{
    const qsizetype crAt = lineBreak.indexOf('\r');
    const qsizetype lfAt = lineBreak.indexOf('\n');
    // Characters on a new line before its first digit: those after the LF.
    const qsizetype newLineColumn = lineBreak.size() - lfAt;
    const qsizetype width = HexLineLimit - crAt;
    qsizetype column = qsizetype(startColumn) + 1;
    qsizetype i = 0;
    while (i < count) {
        const qsizetype line = column > width ? 1 : (width - column) / 3 + 1;
        const bool breaks = i + line - 1 <= count - 3;
        const qsizetype end = breaks ? i + line : count - 1;
        // Three bytes written each, the fourth written over by the next;
        // four bytes a step while they last.
        for (; i + 4 <= end; i += 4, out += 12) {
            std::memcpy(out, DigitTriples[in[i]].data(), 4);
            std::memcpy(out + 3, DigitTriples[in[i + 1]].data(), 4);
            std::memcpy(out + 6, DigitTriples[in[i + 2]].data(), 4);
            std::memcpy(out + 9, DigitTriples[in[i + 3]].data(), 4);
        }
        for (; i < end; ++i, out += 3)
            std::memcpy(out, DigitTriples[in[i]].data(), 4);
        if (!breaks) {
            std::memcpy(out, DigitPairs[in[i]].data(), 2);
            return out + 2;
        }
        if (!lineBreak.isEmpty()) // an empty view may have no data at all
            std::memcpy(out, lineBreak.data(), size_t(lineBreak.size()));
        out += lineBreak.size();
        column = newLineColumn;
    }
    return out;
}

} // namespace

qsizetype HexEncodedMax(qsizetype count, qsizetype breakSize)
{
    // At most one line break per byte, and the slack of the last store.
    return count * (3 + breakSize) + 4;
}

char* HexEncodeInto(QByteArrayView bytes, char* out, QByteArrayView lineBreak, int startColumn, bool compact)
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    return compact ? EncodeCompact(in, bytes.size(), out)
                   : EncodeWrapped(in, bytes.size(), out, lineBreak, startColumn);
}

QByteArray HexEncode(QByteArrayView bytes)
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    if (GHexCompact) {
        GHexCompact = false;
        QByteArray result(bytes.size() * 2, Qt::Uninitialized);
        EncodeCompact(in, bytes.size(), result.data());
        return result;
    }
    QByteArray result(HexEncodedMax(bytes.size(), GHexLineBreak.size()), Qt::Uninitialized);
    char* end = EncodeWrapped(in, bytes.size(), result.data(), GHexLineBreak, GHexStartColumn);
    result.truncate(end - result.constData());
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
    return HexDecodeOf<false>(text.utf16(), text.size());
}
QByteArray HexDecode(QByteArrayView text)
{
    return HexDecodeOf<false>(text.data(), text.size());
}
QByteArray HexDecodeShaped(QStringView text)
{
    return HexDecodeOf<true>(text.utf16(), text.size());
}
qsizetype HexDecodeShapedInto(QStringView text, char* out)
{
    return HexDecodeInto<true>(text.utf16(), text.size(), out);
}

#include "backends/XmlText.h"

#include "framework/AnsiCodePage.h"
#include "framework/Exception.h"
#include "storage/TrsException.h"

#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

namespace {

// Characters the writer may have to escape; indexed by code units below 128.
enum : quint8 { ecAlways = 1, ecTab = 2, ecCRLF = 4 };

constexpr std::array<quint8, 128> MakeEscapeTable()
{
    std::array<quint8, 128> table {};
    table['"'] = ecAlways;
    table['&'] = ecAlways;
    table['\''] = ecAlways;
    table['<'] = ecAlways;
    table['>'] = ecAlways;
    table['\t'] = ecTab;
    table['\r'] = ecCRLF;
    table['\n'] = ecCRLF;
    // The reader takes a zero unit for the end of the data.
    table[0] = ecAlways;
    return table;
}
constexpr std::array<quint8, 128> EscapeTable = MakeEscapeTable();

constexpr QLatin1StringView EntityOf(char16_t c)
{
    switch (c) {
    case u'"':
        return QLatin1StringView("&quot;");
    case u'&':
        return QLatin1StringView("&amp;");
    case u'\'':
        return QLatin1StringView("&apos;");
    case u'<':
        return QLatin1StringView("&lt;");
    case u'>':
        return QLatin1StringView("&gt;");
    case u'\t':
        return QLatin1StringView("&tab;");
    case u'\r':
        return QLatin1StringView("&cr;");
    case u'\0':
        return QLatin1StringView("&#0;");
    default:
        return QLatin1StringView("&lf;");
    }
}

// The named entities: their letters, padded with zeros, and their
// character.
struct TNamedEntity {
    char Letters[5];
    char16_t Char;
    QLatin1StringView Name() const { return QLatin1StringView(Letters, qsizetype(std::strlen(Letters))); }
};

constexpr TNamedEntity NamedEntities[] = {
    { "amp", u'&' },
    { "apos", u'\'' },
    { "gt", u'>' },
    { "lt", u'<' },
    { "quot", u'"' },
    { "cr", u'\r' },
    { "lf", u'\n' },
    { "tab", u'\t' },
};

// Only plain digits are numbers here: a sign, blanks or a capital X are the
// conversion error the platform's integer parser would give.
char32_t ParseReference(QStringView number)
{
    const bool hex = number.startsWith(u'x');
    const QStringView digits = hex ? number.sliced(1) : number;
    if (digits.isEmpty())
        RaiseInvalidInteger(number.toString());
    quint32 code = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int value = -1;
        if (u >= u'0' && u <= u'9')
            value = u - u'0';
        else if (hex && u >= u'a' && u <= u'f')
            value = u - u'a' + 10;
        else if (hex && u >= u'A' && u <= u'F')
            value = u - u'A' + 10;
        if (value < 0)
            RaiseInvalidInteger(number.toString());
        code = code * (hex ? 16 : 10) + quint32(value);
        // Beyond the last Unicode character there is nothing to decode to.
        if (code > 0x10FFFF)
            RaiseInvalidInteger(number.toString());
    }
    return char32_t(code);
}

// A named entity whose name is ASCII, letter case aside; ENTITY holds its
// ";". Zero when it names none.
char16_t AsciiNamedEntity(QStringView entity)
{
    // Two to four letters, tested at once as unsigned; the unsigned count
    // also lets the compiler see the copy below stays within NAME.
    const size_t letters = size_t(entity.size() - 1);
    if (letters - 2 > 2)
        return 0;
    // Lower case for letters; no other ASCII character becomes a letter.
    char name[4] = {};
    for (size_t i = 0; i < letters; ++i)
        name[i] = char(entity[qsizetype(i)].unicode() | 0x20);
    for (const TNamedEntity& named : NamedEntities) {
        if (std::memcmp(name, named.Letters, 4) == 0)
            return named.Char;
    }
    return 0;
}

bool IsAscii(QStringView text)
{
    char16_t any = 0;
    for (const QChar c : text)
        any |= c.unicode();
    return any < 0x80;
}

// Writes the character of ENTITY (from after the "&" to its ";") at OUT and
// returns the units written, one or two. OUT may lie before ENTITY in the
// same text: the entity is read whole before anything is written.
qsizetype DecodeEntity(QStringView entity, char16_t* out)
{
    if (entity.startsWith(u'#')) {
        const char32_t code = ParseReference(entity.sliced(1, entity.size() - 2));
        // A code above 16 bits becomes its surrogate pair rather than being
        // cut to 16 bits, which would give a different character.
        const char32_t one[] = { code };
        const QString text = QString::fromUcs4(one, 1);
        std::memcpy(out, text.utf16(), size_t(text.size()) * 2);
        return text.size();
    }
    // Full case folding matches more than ASCII letters ("\u017F" is an
    // "s"), so a name beyond ASCII takes the platform's comparison.
    if (IsAscii(entity)) {
        if (const char16_t c = AsciiNamedEntity(entity)) {
            *out = c;
            return 1;
        }
    } else {
        for (const TNamedEntity& named : NamedEntities) {
            if (entity.chopped(1).compare(named.Name(), Qt::CaseInsensitive) == 0) {
                *out = named.Char;
                return 1;
            }
        }
    }
    RaiseStorageError(ekXmlParser, QStringLiteral("Unknown entity."));
}

// FROM on, the first unit C, or COUNT; eight units at a time where SSE2 is
// there, since values are mostly plain text.
qsizetype FindUnit(const char16_t* in, qsizetype from, qsizetype count, char16_t c)
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(short(c));
    for (; from + 8 <= count; from += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + from));
        const int bits = _mm_movemask_epi8(_mm_cmpeq_epi16(v, wanted));
        if (bits != 0)
            return from + (__builtin_ctz(unsigned(bits)) >> 1);
    }
#endif
    while (from < count && in[from] != c)
        ++from;
    return from;
}

bool AnsiKeepsAscii()
{
    static const bool keeps = [] {
        QByteArray ascii;
        for (int c = 1; c < 128; ++c)
            ascii.append(char(c));
        return AnsiDecode(ascii) == QLatin1StringView(ascii);
    }();
    return keeps;
}

} // namespace

QString XmlAnsiDecode(QByteArrayView bytes)
{
    uchar any = 0;
    for (const char b : bytes)
        any |= uchar(b);
    if (any < 0x80 && AnsiKeepsAscii())
        return QString::fromLatin1(bytes);
    return AnsiDecode(bytes);
}

bool XmlAnsiKeepsAscii()
{
    return AnsiKeepsAscii();
}

bool XmlIsPlainAscii(QStringView text)
{
    char16_t any = 0;
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        any |= units[i];
    return any < 0x80 && AnsiKeepsAscii();
}

QByteArray XmlAnsiEncode(QStringView text)
{
    return XmlIsPlainAscii(text) ? text.toLatin1() : AnsiEncode(text);
}

quint8 XmlEscapeMask(bool encodeTab, bool encodeCRLF)
{
    return ecAlways | (encodeTab ? ecTab : 0) | (encodeCRLF ? ecCRLF : 0);
}

namespace {
bool IsEscaped(char16_t unit, quint8 mask)
{
    return unit < 128 && (EscapeTable[unit] & mask) != 0;
}

} // namespace

#if defined(__SSE2__)
namespace {

// An entity padded to eight bytes, so that it is stored in one step;
// indexed by the unit (below 128).
struct TPaddedEntity {
    char Text[8];
    qsizetype Size;
};

constexpr std::array<TPaddedEntity, 128> MakePaddedEntities()
{
    std::array<TPaddedEntity, 128> table {};
    for (const char16_t unit : { u'"', u'&', u'\'', u'<', u'>', u'\t', u'\r', u'\n', u'\0' }) {
        const QLatin1StringView text = EntityOf(unit);
        for (qsizetype i = 0; i < text.size(); ++i)
            table[unit].Text[i] = text[i].toLatin1();
        table[unit].Size = text.size();
    }
    return table;
}
constexpr std::array<TPaddedEntity, 128> PaddedEntities = MakePaddedEntities();

// The units of a block that may end a run of plain text, one bit each, from
// the block's bytes (8-bit) or its two halves of eight units (UTF-16).
// The five marks; the comparisons are joined pairwise, since each block's
// bits are waited for before the next block is read.
__m128i MarkHits(__m128i bytes)
{
    const __m128i quotes
        = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\'')));
    const __m128i angles
        = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>')));
    return _mm_or_si128(_mm_or_si128(quotes, angles), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')));
}

int MarkBits(__m128i bytes)
{
    // Controls, and as signed bytes also 0x80 and up.
    const __m128i outside = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20));
    return _mm_movemask_epi8(_mm_or_si128(outside, MarkHits(bytes)));
}

// The same for UTF-16 text: each unit is cut to at most 0xFF first, which
// keeps controls and marks and makes every other unit plain, and the two
// halves are packed into bytes.
int MarkBitsWide(__m128i low, __m128i high)
{
    const __m128i top = _mm_set1_epi16(0xFF);
    const __m128i bytes = _mm_packus_epi16(
        _mm_sub_epi16(low, _mm_subs_epu16(low, top)), _mm_sub_epi16(high, _mm_subs_epu16(high, top)));
    const __m128i controls = _mm_cmpeq_epi8(_mm_subs_epu8(bytes, _mm_set1_epi8(0x1F)), _mm_setzero_si128());
    return _mm_movemask_epi8(_mm_or_si128(controls, MarkHits(bytes)));
}

// The sixteen units from IN, or the COUNT left of them followed by plain
// units, so that the end of the text is read in the same block steps.
const char16_t* Block(const char16_t* in, qsizetype count, char16_t (&tail)[16])
{
    if (count >= 16)
        return in;
    for (qsizetype i = 0; i < 16; ++i)
        tail[i] = i < count ? in[i] : u'a';
    return tail;
}

// Stores the sixteen units from BLOCK at OUT as they are: UTF-16 (WIDE) or
// packed into bytes. Returns the bits of the units that may end a run.
template <bool Wide> int StoreBlock(const char16_t* block, char* out)
{
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8));
    if constexpr (Wide) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
        return MarkBitsWide(low, high);
    } else {
        const __m128i bytes = _mm_packus_epi16(low, high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        return MarkBits(bytes);
    }
}

// Sixteen units at a time: the block is stored as it is and its units that
// may end a run are taken one by one from its bits. An entity is written
// over its unit, and the units after it are stored again behind it. The
// block's bits are worked off without reading the block again, so the
// blocks follow each other without waiting. Stores beyond what is kept
// are written over later or lie in the slack. WIDE: UTF-16 out, two bytes
// a unit; else bytes out, stopping at the first unit beyond ASCII. OUT
// moves past what is written; returns the units taken.
template <bool Wide> qsizetype EscapeBlocks(const char16_t* in, qsizetype count, quint8 mask, char*& out)
{
    constexpr qsizetype UnitBytes = Wide ? 2 : 1;
    char16_t tail[16];
    for (qsizetype from = 0; from < count; from += 16) {
        const qsizetype size = qMin<qsizetype>(count - from, 16);
        int bits = StoreBlock<Wide>(Block(in + from, count - from, tail), out);
        qsizetype done = 0; // units of the block written; the rest are stored at OUT
        for (; bits != 0; bits &= bits - 1) {
            const qsizetype at = __builtin_ctz(unsigned(bits)); // the padding is plain
            out += (at - done) * UnitBytes;
            done = at + 1;
            const char16_t unit = in[from + at];
            if (!Wide && unit >= 0x80)
                return from + at;
            if (!IsEscaped(unit, mask)) {
                out += UnitBytes; // a control character the options keep, stored already
                continue;
            }
            const TPaddedEntity& entity = PaddedEntities[unit];
            if constexpr (Wide) {
                const __m128i narrow = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(entity.Text));
                _mm_storeu_si128(
                    reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(narrow, _mm_setzero_si128()));
            } else {
                std::memcpy(out, entity.Text, 8);
            }
            out += entity.Size * UnitBytes;
            if (done < size)
                StoreBlock<Wide>(Block(in + from + done, count - from - done, tail), out);
        }
        out += (size - done) * UnitBytes;
    }
    return count;
}

} // namespace

qsizetype XmlEscapeAsciiInto(const char16_t* in, qsizetype count, quint8 mask, char* out, qsizetype& written)
{
    char* const begin = out;
    const qsizetype taken = EscapeBlocks<false>(in, count, mask, out);
    written += out - begin;
    return taken;
}

qsizetype XmlEscapeWideInto(const char16_t* in, qsizetype count, quint8 mask, char* out)
{
    char* const begin = out;
    EscapeBlocks<true>(in, count, mask, out);
    return out - begin;
}
#else
namespace {

// A unit that may end a run of plain text: a control character, one of the
// five marks, and with BEYONDASCII also a unit beyond ASCII. Whether it
// really does is for the caller to decide.
template <bool BeyondAscii> bool IsCandidate(char16_t unit)
{
    return unit < 0x20 || (BeyondAscii && unit >= 0x80) || unit == u'"' || unit == u'&' || unit == u'\''
        || unit == u'<' || unit == u'>';
}

// FROM on, the first candidate or COUNT.
template <bool BeyondAscii> qsizetype NextCandidate(const char16_t* in, qsizetype from, qsizetype count)
{
    while (from < count && !IsCandidate<BeyondAscii>(in[from]))
        ++from;
    return from;
}

// FROM on, the first unit to escape (or with BEYONDASCII beyond ASCII), or
// COUNT; candidates the options keep as they are are passed over.
template <bool BeyondAscii>
qsizetype NextStop(const char16_t* in, qsizetype from, qsizetype count, quint8 mask)
{
    for (;; ++from) {
        from = NextCandidate<BeyondAscii>(in, from, count);
        if (from == count || (BeyondAscii && in[from] >= 0x80) || IsEscaped(in[from], mask))
            return from;
    }
}

} // namespace

// Both scan for the next escaped unit first and then copy the run before
// it in one step, which costs fewer instructions than testing and storing
// unit by unit.
qsizetype XmlEscapeAsciiInto(const char16_t* in, qsizetype count, quint8 mask, char* out, qsizetype& written)
{
    char* const begin = out;
    qsizetype from = 0;
    while (from < count) {
        const qsizetype at = NextStop<true>(in, from, count, mask);
        for (qsizetype i = from; i < at; ++i)
            *out++ = char(in[i]);
        if (at == count || in[at] >= 0x80) {
            from = at;
            break;
        }
        for (const char c : EntityOf(in[at]))
            *out++ = c;
        from = at + 1;
    }
    written += out - begin;
    return from;
}

qsizetype XmlEscapeWideInto(const char16_t* in, qsizetype count, quint8 mask, char* out)
{
    char* const begin = out;
    auto put = [&out](char16_t unit) {
        out[0] = char(unit & 0xFF);
        out[1] = char(unit >> 8);
        out += 2;
    };
    for (qsizetype from = 0; from < count;) {
        const qsizetype at = NextStop<false>(in, from, count, mask);
        for (qsizetype i = from; i < at; ++i)
            put(in[i]);
        if (at == count)
            break;
        for (const char c : EntityOf(in[at]))
            put(char16_t(uchar(c)));
        from = at + 1;
    }
    return out - begin;
}
#endif

QString XmlEscapeValue(const QString& text, bool encodeTab, bool encodeCRLF)
{
    const quint8 mask = XmlEscapeMask(encodeTab, encodeCRLF);
    auto escaped = [mask](char16_t c) { return IsEscaped(c, mask); };
    qsizetype first = 0;
    while (first < text.size() && !escaped(text[first].unicode()))
        ++first;
    if (first == text.size())
        return text;
    QString out;
    out.reserve(text.size() + 16);
    const char16_t* units = QStringView(text).utf16();
    qsizetype from = 0;
    // Runs of kept characters are appended whole.
    for (qsizetype i = first; i < text.size(); ++i) {
        if (!escaped(units[i]))
            continue;
        out.append(QStringView(units + from, i - from));
        out.append(EntityOf(units[i]));
        from = i + 1;
    }
    out.append(QStringView(units + from, text.size() - from));
    return out;
}

// Decoded in place: no entity has fewer units than the character it gives.
QString XmlDecodeValue(QString text)
{
    const qsizetype count = text.size();
    qsizetype amp = FindUnit(reinterpret_cast<const char16_t*>(text.utf16()), 0, count, u'&');
    if (amp == count)
        return text;
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    qsizetype to = amp;
    while (amp < count) {
        const qsizetype semicolon = FindUnit(units, amp + 1, count, u';');
        if (semicolon == count)
            RaiseStorageError(ekXmlParser, QStringLiteral("No end mark in the entity."));
        to += DecodeEntity(QStringView(units + amp + 1, semicolon - amp), units + to);
        const qsizetype from = semicolon + 1;
        amp = FindUnit(units, from, count, u'&');
        std::memmove(units + to, units + from, size_t(amp - from) * 2);
        to += amp - from;
    }
    text.truncate(to);
    return text;
}

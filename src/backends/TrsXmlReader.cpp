#include "backends/TrsXmlReader.h"

#include "backends/XmlText.h"
#include "framework/TextCompare.h"
#include "storage/TrsException.h"

#include <QtEndian>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

// Character classes of the scanner, for code units below 256; a unit above
// 255 is never whitespace and never a delimiter. The zero unit, the end
// mark, stops every name.
enum : quint8 {
    ccWhite = 1, // TAB, LF, CR, space
    ccNameStop = 2, // ends a tag name: whitespace, "/", ">"
    ccAttrStop = 4, // ends an attribute name: whitespace, "="
    ccEndStop = 8, // ends an end tag's name: whitespace, ">"
};

constexpr std::array<quint8, 256> MakeClassTable()
{
    std::array<quint8, 256> table {};
    for (const int c : { '\t', '\n', '\r', ' ' })
        table[c] = ccWhite | ccNameStop | ccAttrStop | ccEndStop;
    table[0] = ccNameStop | ccAttrStop | ccEndStop;
    table['/'] |= ccNameStop;
    table['>'] |= ccNameStop | ccEndStop;
    table['='] |= ccAttrStop;
    return table;
}
constexpr std::array<quint8, 256> ClassTable = MakeClassTable();

inline quint8 ClassOf(char32_t c)
{
    return c < 256 ? ClassTable[c] : 0;
}

// The table of recent names: sets of four slots, the one used last first.
constexpr size_t NameWays = 4;
constexpr size_t NameSets = 256;
constexpr size_t NameSlots = NameWays * NameSets;

// Makes TEXT SIZE units long, reusing its storage when it is TEXT's own and
// large enough: a value the sink does not keep then costs no allocation.
void ReuseFor(QString& text, qsizetype size)
{
    if (text.isDetached() && text.capacity() >= size)
        text.resize(size);
    else
        text = QString(size, Qt::Uninitialized);
}

// 8-bit text in the system code page.
struct TAnsiUnit {
    static constexpr int Size = 1;
    static char32_t At(const uchar* p) { return *p; }
    static QString Text(const uchar* from, const uchar* to)
    {
        return XmlAnsiDecode(QByteArrayView(from, to - from));
    }
    // Whether TEXT, made by Text from bytes that were all ASCII, is the text
    // of the bytes from FROM to TO.
    static bool IsTextOf(const QString& text, const uchar* from, const uchar* to)
    {
        if (text.size() != to - from)
            return false;
        const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
        for (; from < to; ++from, ++units) {
            if (*units != *from)
                return false;
        }
        return true;
    }
    // Whether the bytes are ASCII the code page keeps, so that their text
    // is theirs unit for unit: such a name may be shared, such a value
    // copied into a reused text.
    static bool IsSharable(const uchar* from, const uchar* to)
    {
        uchar any = 0;
        for (const uchar* p = from; p < to; ++p)
            any |= *p;
        return any < 0x80 && XmlAnsiKeepsAscii();
    }
    static void TextInto(QString& text, const uchar* from, const uchar* to)
    {
        if (!IsSharable(from, to)) {
            text = Text(from, to);
            return;
        }
        ReuseFor(text, to - from);
        char16_t* out = reinterpret_cast<char16_t*>(text.data());
        for (const uchar* p = from; p < to; ++p)
            *out++ = *p;
    }
    // The first "<" or zero unit from P on; values are most of a file, so
    // this scan is the library's rather than one unit at a time.
    static const uchar* FindTagOrEnd(const uchar* p, const uchar* /*limit*/)
    {
        return reinterpret_cast<const uchar*>(strchrnul(reinterpret_cast<const char*>(p), '<'));
    }
};

// UTF-16 little-endian text.
struct TWideUnit {
    static constexpr int Size = 2;
    static char32_t At(const uchar* p) { return char32_t(p[0]) | char32_t(p[1]) << 8; }
    static QString Text(const uchar* from, const uchar* to)
    {
        const qsizetype count = (to - from) / 2;
        QString text(count, Qt::Uninitialized);
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            std::memcpy(text.data(), from, size_t(count) * 2);
        } else {
            for (qsizetype i = 0; i < count; ++i)
                text[i] = QChar(char16_t(At(from + 2 * i)));
        }
        return text;
    }
    static bool IsTextOf(const QString& text, const uchar* from, const uchar* to)
    {
        return Q_BYTE_ORDER == Q_LITTLE_ENDIAN && text.size() * 2 == to - from
            && std::memcmp(text.utf16(), from, size_t(to - from)) == 0;
    }
    static bool IsSharable(const uchar*, const uchar*) { return true; }
    static void TextInto(QString& text, const uchar* from, const uchar* to)
    {
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            ReuseFor(text, (to - from) / 2);
            std::memcpy(text.data(), from, size_t(text.size()) * 2);
        } else {
            text = Text(from, to);
        }
    }
    // Then four units at a time while eight bytes are left before LIMIT: a
    // lane that is zero, or "<" once xored with it, stops the fast loop.
    static const uchar* FindTagOrEnd(const uchar* p, const uchar* limit)
    {
#if defined(__SSE2__)
        // Eight units at a time where SSE2 is there.
        for (; limit - p >= 16; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i stops = _mm_or_si128(
                _mm_cmpeq_epi16(v, _mm_setzero_si128()), _mm_cmpeq_epi16(v, _mm_set1_epi16('<')));
            if (const int bits = _mm_movemask_epi8(stops))
                return p + __builtin_ctz(unsigned(bits));
        }
#endif
        constexpr quint64 Ones = 0x0001000100010001u, Highs = 0x8000800080008000u;
        constexpr quint64 Tags = 0x003C003C003C003Cu;
        const auto hasZeroLane = [](quint64 v) { return (v - Ones) & ~v & Highs; };
        for (; limit - p >= 8; p += 8) {
            quint64 v;
            std::memcpy(&v, p, 8);
            v = qFromLittleEndian(v);
            if (hasZeroLane(v) | hasZeroLane(v ^ Tags))
                break;
        }
        while (At(p) != 0 && At(p) != u'<')
            p += Size;
        return p;
    }
};

[[noreturn]] void ParserError(const char* message)
{
    RaiseStorageError(ekXmlParser, QString::fromLatin1(message));
}

// One parse over data that ends with a zero unit. Every scan stops at the
// first zero unit, so nothing past the end mark is ever read.
template <typename TUnit> class TXmlParser {
public:
    TXmlParser(TrsXmlReader::TSink& sink, const QString& rootName, QStringList& attrNames,
        QStringList& attrValues, QString& value, std::vector<QString>& names, const uchar* origin,
        const uchar* start, const uchar* limit)
        : FSink(sink)
        , FRootName(rootName)
        , FAttrNames(attrNames)
        , FAttrValues(attrValues)
        , FValue(value)
        , FNames(names)
        , PBufStart(origin)
        , PCur(start)
        , PLimit(limit)
    {
    }

    void ParseDocument();

    const uchar* FTmplBodyStart = nullptr;
    const uchar* FTmplBodyStop = nullptr;

private:
    static constexpr int S = TUnit::Size;

    char32_t Ch() const { return TUnit::At(PCur); }
    void Next() { PCur += S; }
    void SkipWhite()
    {
        while (ClassOf(Ch()) & ccWhite)
            Next();
    }
    bool LooksAt(const char* text) const;
    void SkipPast(const char* text);
    void SkipDoctype();
    const QString& ReadName(quint8 stop);
    const QString& NameText(const uchar* from, const uchar* to);
    void ReadAttributes();
    const uchar* LookAhead(const uchar*& endName, const uchar*& endNameStop) const;
    bool SameRaw(const uchar* a, const uchar* aStop, const uchar* b, const uchar* bStop) const;
    void ParseStartTag();
    void ParseEndTag();
    void ParseKeyText(const QString& name, const uchar* contentEnd, const uchar* endNameStop);
    void ParseSection(const QString& name, bool selfClosing);

    TrsXmlReader::TSink& FSink;
    const QString& FRootName;
    QStringList& FAttrNames;
    QStringList& FAttrValues;
    QString& FValue;
    std::vector<QString>& FNames;
    const uchar* PBufStart; // first byte of the data, byte-order mark included
    const uchar* PCur;
    const uchar* PLimit; // the end of the data and its end mark
    QString FUnsharedName; // the last name read that no slot keeps
    QString FCurrentRootName;
    bool FInRoot = false;
    // An open section element inside the root.
    struct TOpenSection {
        bool Entered; // whether the sink descended into it
        bool NamedLikeRoot; // its name is the root's, exactly as read
    };
    std::vector<TOpenSection> FOpenSections;
};

template <typename TUnit> void TXmlParser<TUnit>::ParseDocument()
{
    for (;;) {
        SkipWhite();
        if (Ch() == 0)
            break;
        if (Ch() != u'<')
            ParserError("Missing begin tag mark.");
        Next();
        if (Ch() == u'/') {
            Next();
            ParseEndTag();
        } else if (Ch() == u'?') {
            SkipPast("?>");
        } else if (LooksAt("!--")) {
            SkipPast("-->");
        } else if (LooksAt("![CDATA[")) {
            SkipPast("]]>");
        } else if (LooksAt("!DOCTYPE")) {
            SkipDoctype();
        } else if (Ch() == u'!') {
            SkipPast(">");
        } else {
            ParseStartTag();
            FSink.Progress(PCur - PBufStart);
        }
    }
    FSink.Progress(PCur - PBufStart);
}

// Case-insensitive comparison of the text at PCur with ASCII TEXT; stops at
// the first difference, so never reads past the end mark.
template <typename TUnit> bool TXmlParser<TUnit>::LooksAt(const char* text) const
{
    const uchar* p = PCur;
    for (; *text != 0; ++text, p += S) {
        char32_t c = TUnit::At(p);
        if (c >= u'a' && c <= u'z')
            c -= u'a' - u'A';
        char32_t t = uchar(*text);
        if (t >= u'a' && t <= u'z')
            t -= u'a' - u'A';
        if (c != t)
            return false;
    }
    return true;
}

template <typename TUnit> void TXmlParser<TUnit>::SkipPast(const char* text)
{
    const size_t length = std::strlen(text);
    for (; Ch() != 0; Next()) {
        size_t i = 0;
        while (i < length && TUnit::At(PCur + i * S) == char32_t(uchar(text[i])))
            ++i;
        if (i == length) {
            PCur += length * S;
            return;
        }
    }
    ParserError("Unexpected end of file.");
}

// A document type declaration may hold an internal subset with markup of
// its own; its brackets nest, and the ">" at level 0 ends it.
template <typename TUnit> void TXmlParser<TUnit>::SkipDoctype()
{
    int level = 0;
    for (; Ch() != 0; Next()) {
        if (Ch() == u'<') {
            ++level;
        } else if (Ch() == u'>') {
            if (level == 0) {
                Next();
                return;
            }
            --level;
        }
    }
    ParserError("Unexpected end of file.");
}

// The text stays valid until the next name is read: a name is handed on
// without a copy, whose count of references the processor must update
// atomically.
template <typename TUnit> const QString& TXmlParser<TUnit>::ReadName(quint8 stop)
{
    const uchar* from = PCur;
    while (!(ClassOf(Ch()) & stop))
        Next();
    if (Ch() == 0)
        ParserError("Unexpected end of file.");
    return NameText(from, PCur);
}

// The same names come in many sections: one text is shared by a name's
// recent repeats, found by a hash of its bytes in a table of sets of four
// slots. Names of one hash share a set instead of pushing each other out in
// every section, and a name met once (a section's) pushes out only the one
// of its set used least recently. Long names are not kept, nor the empty
// one, which an empty slot would pass for.
template <typename TUnit> const QString& TXmlParser<TUnit>::NameText(const uchar* from, const uchar* to)
{
    constexpr qsizetype LongestShared = 64;
    if (to == from || to - from > LongestShared * S)
        return FUnsharedName = TUnit::Text(from, to);
    if (FNames.empty())
        FNames.resize(NameSlots);
    const size_t hash = std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(from), size_t(to - from)));
    QString* const set = &FNames[NameWays * (hash % NameSets)];
    size_t way = 0;
    while (way < NameWays && !TUnit::IsTextOf(set[way], from, to))
        ++way;
    if (way == NameWays) {
        if (!TUnit::IsSharable(from, to))
            return FUnsharedName = TUnit::Text(from, to);
        --way;
        set[way] = TUnit::Text(from, to);
    }
    // The names move, which leaves their counts of references alone.
    std::rotate(set, set + way, set + way + 1);
    return set[0];
}

template <typename TUnit> void TXmlParser<TUnit>::ReadAttributes()
{
    FAttrNames.clear();
    FAttrValues.clear();
    SkipWhite();
    if (Ch() == 0)
        ParserError("Unexpected end of file.");
    while (Ch() != u'/' && Ch() != u'>') {
        FAttrNames.append(ReadName(ccAttrStop));
        SkipWhite();
        if (Ch() != u'=')
            ParserError("Missing equality sign.");
        Next();
        SkipWhite();
        const char32_t quote = Ch();
        if (quote != u'"' && quote != u'\'')
            ParserError("Missing quotation mark.");
        Next();
        const uchar* from = PCur;
        while (Ch() != quote) {
            if (Ch() == 0)
                ParserError("Unexpected end of file.");
            Next();
        }
        FAttrValues.append(TUnit::Text(from, PCur));
        Next();
        SkipWhite();
    }
}

// Finds the next "<" (or the end mark) without moving, and the name of the
// end tag that starts there: empty when the "<" starts no end tag, null
// when the data ends first.
template <typename TUnit>
const uchar* TXmlParser<TUnit>::LookAhead(const uchar*& endName, const uchar*& endNameStop) const
{
    const uchar* p = TUnit::FindTagOrEnd(PCur, PLimit);
    endName = endNameStop = nullptr;
    if (TUnit::At(p) != u'<')
        return p;
    endName = endNameStop = p;
    if (TUnit::At(p + S) == u'/') {
        endName = endNameStop = p + 2 * S;
        while (!(ClassOf(TUnit::At(endNameStop)) & ccEndStop))
            endNameStop += S;
    }
    return p;
}

template <typename TUnit>
bool TXmlParser<TUnit>::SameRaw(const uchar* a, const uchar* aStop, const uchar* b, const uchar* bStop) const
{
    return aStop - a == bStop - b && std::memcmp(a, b, size_t(aStop - a)) == 0;
}

template <typename TUnit> void TXmlParser<TUnit>::ParseStartTag()
{
    const uchar* tagStart = PCur - S;
    const uchar* nameStart = PCur;
    const QString& nameRead = ReadName(ccNameStop);
    const uchar* nameStop = PCur;
    // Attribute names, which may follow a blank, are read into the same
    // places as the element's: then the element keeps a copy of its own.
    const bool bare = Ch() == u'>' || Ch() == u'/';
    const QString nameKept = bare ? QString() : nameRead;
    const QString& name = bare ? nameRead : nameKept;
    ReadAttributes();
    const bool selfClosing = Ch() == u'/';
    if (selfClosing)
        Next();
    if (Ch() != u'>')
        ParserError("Missing end tag mark.");
    Next();
    const uchar *endName, *endNameStop;
    const uchar* contentEnd = LookAhead(endName, endNameStop);

    if (!FInRoot) {
        // Elements before the root are skipped; their content is parsed on.
        if (!SameText(name, FRootName))
            return;
        FInRoot = true;
        FCurrentRootName = name;
        FTmplBodyStart = tagStart;
        if (selfClosing)
            FTmplBodyStop = PCur;
        return;
    }
    // A self-closing element is a key only in the value-attribute form; one
    // with an end tag is a key when that tag follows at once and it has no
    // attributes. A start tag that follows counts as an end tag with the
    // empty name, so an empty-named element takes it as its own end tag.
    if (selfClosing && FAttrNames.size() == 1 && FAttrNames[0] == QLatin1StringView("value"))
        FSink.AddKey(name, XmlDecodeValue(FAttrValues[0]), 2);
    else if (!selfClosing && endName != nullptr && FAttrNames.isEmpty()
        && SameRaw(nameStart, nameStop, endName, endNameStop))
        ParseKeyText(name, contentEnd, endNameStop);
    else
        ParseSection(name, selfClosing);
}

// The end tag's name was read by LookAhead and holds no ">": the search for
// the tag's end goes on from there.
template <typename TUnit>
void TXmlParser<TUnit>::ParseKeyText(const QString& name, const uchar* contentEnd, const uchar* endNameStop)
{
    TUnit::TextInto(FValue, PCur, contentEnd);
    FValue = XmlDecodeValue(std::move(FValue));
    FSink.AddKey(name, FValue, 0);
    PCur = endNameStop;
    while (Ch() != u'>') {
        if (Ch() == 0)
            ParserError("Unexpected end of file.");
        Next();
    }
    Next();
}

template <typename TUnit> void TXmlParser<TUnit>::ParseSection(const QString& name, bool selfClosing)
{
    const bool entered = FSink.BeginSection(name);
    if (entered) {
        for (qsizetype i = 0; i < FAttrNames.size(); ++i)
            FSink.AddKey(FAttrNames[i], XmlDecodeValue(FAttrValues[i]), 1);
    }
    if (!selfClosing)
        FOpenSections.push_back({ entered, name == FCurrentRootName });
    else if (entered)
        FSink.EndSection();
}

// The root's own name, exactly as read, ends the root and closes every open
// section, unless the innermost open section is itself named like the root:
// then the tag is that section's own. Any other end tag closes the
// innermost open section whatever its name.
template <typename TUnit> void TXmlParser<TUnit>::ParseEndTag()
{
    const QString& name = ReadName(ccEndStop);
    SkipWhite();
    if (Ch() != u'>')
        ParserError("Missing end tag mark.");
    Next();
    if (!FInRoot)
        return;
    if (name == FCurrentRootName && (FOpenSections.empty() || !FOpenSections.back().NamedLikeRoot)) {
        FOpenSections.clear();
        FSink.EndRoot();
        FTmplBodyStop = PCur;
    } else if (!FOpenSections.empty()) {
        const bool entered = FOpenSections.back().Entered;
        FOpenSections.pop_back();
        if (entered)
            FSink.EndSection();
    }
}

// Zero bytes after the data: a zero unit in either encoding, also when a
// UTF-16 file has an odd number of bytes.
constexpr int EndMarkSize = 3;

} // namespace

TrsXmlReader::TrsXmlReader(TSink& sink)
    : FSink(sink)
{
}

void TrsXmlReader::Parse(QByteArray& data, bool wantTemplate)
{
    const qsizetype size = data.size();
    data.append(EndMarkSize, '\0');
    // Taken off after an error too, so the buffer never keeps the end mark.
    struct TEndMarkRemover {
        QByteArray& Data;
        qsizetype Size;
        ~TEndMarkRemover() { Data.truncate(Size); }
    } remover { data, size };

    uchar* start = reinterpret_cast<uchar*>(data.data());
    // Names are shared within one parse only: the next may be in the other
    // encoding.
    FNames.clear();
    FIsUnicode = false;
    FTemplate = QString();
    if (start[0] == 0xFE && start[1] == 0xFF) {
        // Big-endian UTF-16: swap to little-endian, up to the first zero unit.
        for (uchar* p = start; p[0] != 0 || p[1] != 0; p += 2)
            std::swap(p[0], p[1]);
    }
    const uchar* origin = start;
    const uchar* stop = start + size;
    const uchar* const limit = stop + EndMarkSize;
    if (start[0] == 0xFF && start[1] == 0xFE) {
        FIsUnicode = true;
        start += 2;
        TXmlParser<TWideUnit> parser(
            FSink, FRootName, FAttrNames, FAttrValues, FValue, FNames, origin, start, limit);
        parser.ParseDocument();
        if (wantTemplate)
            MakeTemplate(start, stop, parser.FTmplBodyStart, parser.FTmplBodyStop);
    } else {
        TXmlParser<TAnsiUnit> parser(
            FSink, FRootName, FAttrNames, FAttrValues, FValue, FNames, origin, start, limit);
        parser.ParseDocument();
        if (wantTemplate)
            MakeTemplate(start, stop, parser.FTmplBodyStart, parser.FTmplBodyStop);
    }
}

void TrsXmlReader::MakeTemplate(
    const uchar* tmplStart, const uchar* tmplStop, const uchar* bodyStart, const uchar* bodyStop)
{
    if (bodyStart == nullptr)
        return;
    // A root that never ends leaves no text after it.
    if (bodyStop == nullptr || bodyStop > tmplStop)
        bodyStop = tmplStop;
    auto text = [this](const uchar* from, const uchar* to) {
        return FIsUnicode ? TWideUnit::Text(from, to) : TAnsiUnit::Text(from, to);
    };
    FTemplate = text(tmplStart, bodyStart) + QStringLiteral("%BODY%") + text(bodyStop, tmplStop);
}

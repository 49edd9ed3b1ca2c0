#include "backends/TrsXMLData.h"

#include "backends/XmlText.h"
#include "framework/AnsiCodePage.h"
#include "framework/FormatSettings.h"
#include "framework/TStrings.h"
#include "storage/HexText.h"
#include "storage/StorageUtils.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <QPoint>
#include <QVarLengthArray>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace {

const QLatin1StringView BodyMarker("%BODY%");

// The value of a text ClassifyNumber found to be an integer of its range:
// an optional sign, then decimal digits.
qint64 SignedDigits(QStringView text)
{
    const bool negative = text.front() == u'-';
    quint64 magnitude = 0;
    for (const QChar c : text.sliced(negative || text.front() == u'+' ? 1 : 0))
        magnitude = magnitude * 10 + (c.unicode() - u'0');
    return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

// A value text as the tree keeps it: the reader hands over a text whose
// room it reuses from key to key, so one with room to spare is copied.
QString KeptText(const QString& value)
{
    return value.capacity() > value.size() ? QString(value.constData(), value.size()) : value;
}

// The length of an integer's decimal text, as QString::number writes it.
qsizetype DecimalLength(qint32 value)
{
    quint32 magnitude = value < 0 ? 0u - quint32(value) : quint32(value);
    qsizetype length = value < 0 ? 2 : 1;
    while (magnitude >= 10) {
        magnitude /= 10;
        ++length;
    }
    return length;
}

bool HasNonAscii(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return true;
    return false;
}

// The ASCII units NameFault finds fault with anywhere in a name.
constexpr std::array<bool, 128> MakeNameStops()
{
    std::array<bool, 128> stops {};
    for (const char c : { '\0', '\t', '\n', '\r', ' ', '/', '>', '<', '=', '"', '\'' })
        stops[size_t(c)] = true;
    return stops;
}
constexpr std::array<bool, 128> NameStops = MakeNameStops();

// Whether the name's first unit lets it be plain: a name starts, and not
// as a declaration or a processing instruction would.
bool StartsPlain(QStringView name)
{
    return !name.isEmpty() && name.front() != u'!' && name.front() != u'?';
}

// Whether the name is ASCII without a unit NameFault finds fault with: one
// pass over the name, which is all most names need.
bool IsPlainAsciiName(QStringView name)
{
    if (!StartsPlain(name))
        return false;
    char16_t any = 0;
    bool stop = false;
    for (const char16_t unit : std::u16string_view(name.utf16(), size_t(name.size()))) {
        any |= unit;
        stop |= unit < 0x80 && NameStops[unit];
    }
    return any < 0x80 && !stop;
}

// ASCII bytes as little-endian UTF-16 units: sixteen at a time where SSE2
// is there (hex text is long), the rest one by one.
void WidenAscii(const char* in, qsizetype count, char* out)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + 2 * i + 16), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
    }
#endif
    for (; i < count; ++i) {
        out[2 * i] = in[i];
        out[2 * i + 1] = 0;
    }
}

// The units of a tag, one byte each or two (little-endian), at OUT; returns
// the end. The units are ASCII in the one-byte form.
template <bool Wide> char* PutUnit(char* out, char16_t unit)
{
    *out++ = char(unit & 0xFF);
    if constexpr (Wide)
        *out++ = char(unit >> 8);
    return out;
}

template <bool Wide> char* PutLatin1(char* out, QLatin1StringView text)
{
    // A few characters each: a loop, not a call of memcpy.
    for (const char c : text)
        out = PutUnit<Wide>(out, char16_t(uchar(c)));
    return out;
}

template <bool Wide>
char* PutTag(char* out, int indent, QLatin1StringView before, const QString& name, QLatin1StringView after,
    QLatin1StringView eol)
{
    for (int i = 0; i < indent; ++i)
        out = PutUnit<Wide>(out, u' ');
    out = PutLatin1<Wide>(out, before);
    const char16_t* units = QStringView(name).utf16();
    for (qsizetype i = 0; i < name.size(); ++i)
        out = PutUnit<Wide>(out, units[i]);
    out = PutLatin1<Wide>(out, after);
    return PutLatin1<Wide>(out, eol);
}

// COUNT blanks, eight bytes a step: the caller's room covers the excess of
// the last step.
template <bool Wide> char* PutBlanks(char* out, int count)
{
    static constexpr char blanks[8]
        = { ' ', Wide ? '\0' : ' ', ' ', Wide ? '\0' : ' ', ' ', Wide ? '\0' : ' ', ' ', Wide ? '\0' : ' ' };
    const int bytes = count * (Wide ? 2 : 1);
    for (int done = 0; done < bytes; done += 8)
        std::memcpy(out + done, blanks, 8);
    return out + bytes;
}

// Copies the name and, in the same pass, tells whether IsPlainAsciiName
// holds for it.
template <bool Wide> char* PutCheckedName(char* out, QStringView name, bool& plain)
{
    const char16_t* units = name.utf16();
    char16_t any = 0;
    bool stop = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = units[i];
        any |= unit;
        stop |= NameStops[unit & 0x7F];
        out = PutUnit<Wide>(out, unit);
    }
    plain = any < 0x80 && !stop && StartsPlain(name);
    return out;
}

// A name PutCheckedName found plain. In 8-bit files four units a step,
// the last step overlapping the one before, as names are short.
template <bool Wide> char* PutName(char* out, QStringView name)
{
    const char16_t* units = name.utf16();
    const qsizetype size = name.size();
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
        for (qsizetype i = 0; i < size; ++i)
            out = PutUnit<Wide>(out, units[i]);
        return out;
    } else if constexpr (Wide) {
        std::memcpy(out, units, size_t(size) * 2);
        return out + size * 2;
    } else {
        if (size < 4) {
            for (qsizetype i = 0; i < size; ++i)
                out[i] = char(units[i]);
            return out + size;
        }
        auto four = [&](qsizetype at) {
            std::uint64_t wide;
            std::memcpy(&wide, units + at, 8);
            const std::uint32_t narrow = std::uint32_t((wide & 0xFF) | ((wide >> 8) & 0xFF00)
                | ((wide >> 16) & 0xFF0000) | ((wide >> 24) & 0xFF000000));
            std::memcpy(out + at, &narrow, 4);
        };
        for (qsizetype i = 0; i + 4 < size; i += 4)
            four(i);
        four(size - 4);
        return out + size;
    }
}

// The longest name and indentation the one-piece key tags take; longer
// ones go piece by piece.
constexpr qsizetype TagPieceMax = 256;
// Bytes beyond a tag the one-piece writers may write over.
constexpr qsizetype TagSlack = 16;

// Why a name cannot be read back as written, or an empty text.
QString NameFault(const QString& name, bool unicode)
{
    if (name.startsWith(u'!') || name.startsWith(u'?'))
        return QStringLiteral("names may not start with \"%1\"").arg(name.front());
    for (const QChar c : name) {
        switch (c.unicode()) {
        case u'\0':
            return QStringLiteral("names may not contain zero characters");
        case u'\t':
        case u'\n':
        case u'\r':
        case u' ':
            return QStringLiteral("names may not contain blanks");
        case u'/':
        case u'>':
        case u'<':
        case u'=':
        case u'"':
        case u'\'':
            return QStringLiteral("names may not contain \"%1\"").arg(c);
        default:
            break;
        }
    }
    if (!unicode && HasNonAscii(name) && AnsiDecode(AnsiEncode(name)) != name)
        return QStringLiteral("names may not contain characters outside the ANSI code page");
    return QString();
}

} // namespace

TrsXMLData::TrsXMLData(TComponent* AOwner)
    : TrsStreamData(AOwner)
    , FTemplate(DefaultTemplate())
    , FRootName(QStringLiteral("DOCUMENT"))
{
    FExtension = QStringLiteral(".xml");
}

TrsXMLData::~TrsXMLData() = default;

QStringList TrsXMLData::DefaultTemplate()
{
    return { QStringLiteral("<?xml version=\"1.0\" ?>"),
        QStringLiteral("<!-- Generated by Storage library -->"), BodyMarker };
}

QString TrsXMLData::TemplateText() const
{
    return FTemplate.Text();
}

void TrsXMLData::SetTemplateText(QStringView Value)
{
    FTemplate.SetText(Value);
}

void TrsXMLData::SetTemplateLines(TStrings* Value)
{
    // A null list empties the template, as assigning an empty list would.
    if (Value != &FTemplate)
        FTemplate.Assign(Value ? Value->List() : QStringList());
}

// ---------------------------------------------------------------- writer

void TrsXMLData::WriteToStream(QIODevice& Stream)
{
    TrsStreamData::WriteToStream(Stream);
    TrsStorage* storage = Storage();
    FCurrentIndention = 0;
    FCurrentSectionName = FRootName;
    BufferReset();
    FIndentionDelta = FCompactOptions.Contains(coIndent) ? 0 : 2;
    FEOL = FCompactOptions.Contains(coEOL) ? QString() : QStringLiteral("\r\n");
    FEOLAscii = FCompactOptions.Contains(coEOL) ? QLatin1StringView() : QLatin1StringView("\r\n");
    FIsUnicode = FUnicode;
    FAsciiKept = FIsUnicode || XmlAnsiKeepsAscii();
    FEOLAnsi = XmlAnsiEncode(FEOL);
    FHexBreakLeft = false;
    if (FIsUnicode)
        BufferWriteChar(0xFEFF);
    const QString tmpl = TemplateText();
    const qsizetype marker = tmpl.indexOf(BodyMarker);
    WriteText(marker < 0 ? QStringView(tmpl) : QStringView(tmpl).first(marker));
    ProgressItemCount = storage ? storage->KeyItemCount() : 0;
    ProgressItemCurrent = 0;
    DoProgress();
    if (storage)
        WriteSection(*storage, true);
    if (marker >= 0)
        WriteText(QStringView(tmpl).sliced(marker + BodyMarker.size()));
    BufferFlush();
}

// In an 8-bit file the ASCII text before the first other character is
// written as it is, in the same pass that looks for that character; the
// code page keeps ASCII, so encoding only the rest gives the same bytes.
void TrsXMLData::WriteText(QStringView Text)
{
    if (FIsUnicode) {
        BufferWriteWide(Text);
        return;
    }
    if (!XmlAnsiKeepsAscii()) {
        BufferWriteAnsi(XmlAnsiEncode(Text));
        return;
    }
    const qsizetype ascii = BufferWriteAsciiPrefix(Text);
    if (ascii < Text.size())
        BufferWriteAnsi(XmlAnsiEncode(Text.sliced(ascii)));
}

// ASCII markup, numbers and hex text.
void TrsXMLData::WriteAscii(QLatin1StringView Text)
{
    if (FIsUnicode) {
        const char* in = Text.data();
        for (qsizetype left = Text.size(); left > 0;) {
            const qsizetype count = qMin(left, BufferRoomLimit / 2);
            char* out = BufferRoom(count * 2);
            WidenAscii(in, count, out);
            BufferCommit(count * 2);
            in += count;
            left -= count;
        }
    } else if (FAsciiKept) {
        BufferWriteAnsi(QByteArrayView(Text.data(), Text.size()));
    } else {
        BufferWriteAnsi(XmlAnsiEncode(QString(Text)));
    }
}

void TrsXMLData::KeyWritten()
{
    ++ProgressItemCurrent;
    DoProgress();
}

bool TrsXMLData::CheckName(const QString& Name, const char* What) const
{
    if (IsPlainAsciiName(Name))
        return true;
    const QString fault = NameFault(Name, FIsUnicode);
    if (!fault.isEmpty())
        RaiseStorageError(ekGeneral,
            QStringLiteral("Can't save %1 name \"%2\": %3.").arg(QLatin1StringView(What), Name, fault));
    return !HasNonAscii(Name);
}

// Which keys of the current section become attributes of its start tag.
// The root's attributes are not read back, so its keys are always
// elements. A lone attribute named "value" would make the section read back
// as a key element, so it too becomes an element.
TrsXMLData::TAttributeRule TrsXMLData::AttributeRule(std::span<const TrsKeyItem> Keys, bool IsRoot)
{
    TAttributeRule rule { false, false };
    if (IsRoot)
        return rule;
    qsizetype attributes = 0;
    for (const TrsKeyItem& item : Keys)
        attributes += (item.Value.Options & kbAttribute) != 0;
    rule.Any = attributes > 0;
    rule.LoneValue = attributes == 1 && Keys.size() == 1;
    return rule;
}

bool TrsXMLData::TAttributeRule::Holds(const TrsKeyItem& Item) const
{
    return Any && (Item.Value.Options & kbAttribute)
        && !(LoneValue && Item.Name == QLatin1StringView("value"));
}

// The start tag is written only once the first child is known, so a
// section whose children are all skipped closes itself ("<s/>") instead of
// leaving an empty element that would read back as a key.
void TrsXMLData::WriteSection(TrsStorage& Storage, bool IsRoot)
{
    const QString name = FCurrentSectionName;
    CheckName(name, "section");
    const QString indent(FCurrentIndention, u' ');
    TrsKeyWrapper& wrapper = Storage.KeyWrapper();
    const std::span<const TrsKeyItem> keys = Storage.CurrentKeys();
    const TAttributeRule rule = AttributeRule(keys, IsRoot);

    QString startTag = indent + u'<' + name;
    for (const TrsKeyItem& item : rule.Any ? keys : std::span<const TrsKeyItem>()) {
        if (!rule.Holds(item))
            continue;
        CheckName(item.Name, "key");
        startTag += u' ' + item.Name + QStringLiteral("=\"") + ValueText(wrapper, item, true) + u'"';
        KeyWritten();
    }
    bool opened = false;
    auto open = [&] {
        if (!opened)
            WriteText(QString(startTag + u'>' + FEOL));
        opened = true;
    };

    FCurrentIndention += FIndentionDelta;
    for (const TrsKeyItem& item : keys) {
        if (rule.Holds(item))
            continue;
        open();
        WriteKeyElement(wrapper, item);
        KeyWritten();
    }
    WriteChildSections(Storage, open);
    FCurrentIndention -= FIndentionDelta;

    // The EOL after the root is the template's business.
    const QString eol = IsRoot ? QString() : FEOL;
    if (!opened)
        WriteText(QString(startTag + QStringLiteral("/>") + eol));
    else
        WriteText(QString(indent + QStringLiteral("</") + name + u'>' + eol));
}

void TrsXMLData::WriteChildSections(TrsStorage& Storage, const std::function<void()>& BeforeFirst)
{
    int begin = 0, end = 0;
    if (!Storage.GetSectionRange(begin, end))
        return;
    const bool saveEmpty = Storage.Options().Contains(soSaveEmptySection);
    for (int i = begin; i < end; ++i) {
        const QString child = Storage.GetSectionItem(i)->Name;
        if (!Storage.ChangeDownRootSection(child))
            continue;
        if (Storage.KeyCount() > 0 || Storage.SectionCount() > 0 || saveEmpty) {
            BeforeFirst();
            FCurrentSectionName = child;
            WriteSection(Storage, false);
        }
        Storage.ChangeUpRootSection();
    }
}

void TrsXMLData::WriteKeyElement(TrsKeyWrapper& Wrapper, const TrsKeyItem& Item)
{
    const quint16 options = Item.Value.Options;
    const bool valueAttribute
        = ((options & kbValueAttribute) || FXMLDataOptions.Contains(doKeyValueInAttribute))
        && Item.Value.kvType != ktBuffer && !(options & kbTextForm);
    const bool whole = FIsUnicode ? PutStartTag<true>(Item.Name, valueAttribute)
                                  : PutStartTag<false>(Item.Name, valueAttribute);
    if (whole) {
        WriteValue(Wrapper, Item, valueAttribute);
        if (FIsUnicode)
            PutEndTag<true>(Item.Name, valueAttribute);
        else
            PutEndTag<false>(Item.Name, valueAttribute);
        return;
    }
    const bool ascii = CheckName(Item.Name, "key");
    if (valueAttribute) {
        WriteTag(FCurrentIndention, QLatin1StringView("<"), Item.Name, ascii, QLatin1StringView(" value=\""),
            false);
        WriteValue(Wrapper, Item, true);
        WriteTag(0, QLatin1StringView("\"/>"), QString(), true, QLatin1StringView(), true);
    } else {
        WriteTag(FCurrentIndention, QLatin1StringView("<"), Item.Name, ascii, QLatin1StringView(">"), false);
        WriteValue(Wrapper, Item, false);
        WriteTag(0, QLatin1StringView("</"), Item.Name, ascii, QLatin1StringView(">"), true);
    }
}

// The start tag of a key element in one piece, its name checked while it
// is copied: the common case of a plain ASCII name that goes into the file
// unit for unit. False, with nothing written, for any other name (which
// takes CheckName and its errors) and for long names or deep indentation.
template <bool Wide> bool TrsXMLData::PutStartTag(const QString& Name, bool ValueAttribute)
{
    if (!FAsciiKept || Name.size() > TagPieceMax || FCurrentIndention > TagPieceMax)
        return false;
    const qsizetype units = FCurrentIndention + Name.size() + 9;
    char* const begin = BufferRoom(units * (Wide ? 2 : 1) + TagSlack);
    char* out = PutBlanks<Wide>(begin, FCurrentIndention);
    out = PutUnit<Wide>(out, u'<');
    bool plain = false;
    out = PutCheckedName<Wide>(out, Name, plain);
    if (!plain)
        return false;
    out = ValueAttribute ? PutLatin1<Wide>(out, QLatin1StringView(" value=\"")) : PutUnit<Wide>(out, u'>');
    BufferCommit(out - begin);
    return true;
}

// The end tag after PutStartTag took the start tag, with the line break.
template <bool Wide> void TrsXMLData::PutEndTag(const QString& Name, bool ValueAttribute)
{
    const qsizetype units = Name.size() + 5 + FEOLAscii.size();
    char* const begin = BufferRoom(units * (Wide ? 2 : 1));
    char* out = begin;
    if (ValueAttribute) {
        out = PutLatin1<Wide>(out, QLatin1StringView("\"/>"));
    } else {
        out = PutLatin1<Wide>(out, QLatin1StringView("</"));
        out = PutName<Wide>(out, Name);
        out = PutUnit<Wide>(out, u'>');
    }
    out = PutLatin1<Wide>(out, FEOLAscii);
    BufferCommit(out - begin);
}

// Written into the buffer in one piece, with one check of its room, when
// every unit goes into the file as it is; otherwise piece by piece through
// the code page.
void TrsXMLData::WriteTag(int Indent, QLatin1StringView Before, const QString& Name, bool NameAscii,
    QLatin1StringView After, bool Eol)
{
    const QLatin1StringView eol = Eol ? FEOLAscii : QLatin1StringView();
    const qsizetype units = Indent + Before.size() + Name.size() + After.size() + eol.size();
    const qsizetype unitSize = FIsUnicode ? 2 : 1;
    if (!FAsciiKept || !(NameAscii || FIsUnicode) || units * unitSize > BufferRoomLimit) {
        WriteIndent(Indent);
        WriteAscii(Before);
        WriteText(Name);
        WriteAscii(After);
        WriteText(Eol ? QStringView(FEOL) : QStringView());
        return;
    }
    char* const begin = BufferRoom(units * unitSize);
    char* const end = FIsUnicode ? PutTag<true>(begin, Indent, Before, Name, After, eol)
                                 : PutTag<false>(begin, Indent, Before, Name, After, eol);
    BufferCommit(end - begin);
}

// Numbers, booleans and points are formatted on the stack and written
// without a text object of their own; the rarer types take ValueText.
void TrsXMLData::WriteValue(TrsKeyWrapper& Wrapper, const TrsKeyItem& Item, bool AsAttribute)
{
    const TrsKeyValue& value = Item.Value;
    char text[32];
    char* end = text;
    switch (value.kvType) {
    case ktString:
        WriteStringValue(value.VString);
        return;
    case ktBuffer:
        WriteBufferValue(Item, AsAttribute);
        return;
    case ktInteger:
    case ktPointer:
        end = std::to_chars(text, text + sizeof text, value.VInteger()).ptr;
        break;
    case ktInt64:
        end = std::to_chars(text, text + sizeof text, value.VInt64()).ptr;
        break;
    case ktBoolean:
        WriteAscii(value.VBoolean() != 0 ? QLatin1StringView("True") : QLatin1StringView("False"));
        return;
    case ktPoint:
        // Each coordinate takes at most 11 characters: "(" 11 "," 11 ")".
        text[0] = '(';
        end = std::to_chars(text + 1, text + 12, value.X()).ptr;
        *end = ',';
        end = std::to_chars(end + 1, end + 12, value.Y()).ptr;
        *end = ')';
        ++end;
        break;
    case ktFloat: {
        // The decimal separator may be any character: written as text.
        char16_t number[FloatTextMax];
        WriteText(QStringView(number, FloatToText(value.VDouble(), number)));
        return;
    }
    default:
        WriteText(ValueText(Wrapper, Item, AsAttribute));
        return;
    }
    WriteAscii(QLatin1StringView(text, end - text));
}

// In an attribute the encoder starts from its initial settings: no column
// offset and CR LF breaks, which attribute values may hold.
void TrsXMLData::SetHexParameters(const TrsKeyItem& Item, bool AsAttribute) const
{
    SetHexStartColumn(AsAttribute ? 0 : FCurrentIndention + int(Item.Name.size()) + 2);
    SetHexLineBreak(AsAttribute ? QByteArrayLiteral("\r\n") : XmlAnsiEncode(FEOL));
    SetHexCompact(FCompactOptions.Contains(coHexStr));
}

// The hex text is written where it goes, with the encoder's parameters
// passed rather than set; the encoder's process-wide state is then left as
// setting them and encoding would have left it.
void TrsXMLData::WriteBufferValue(const TrsKeyItem& Item, bool AsAttribute)
{
    // Prefixed in attributes too: with doPrefixInHexStr only prefixed texts
    // read back as buffers.
    if (FXMLDataOptions.Contains(doPrefixInHexStr))
        WriteAscii(QLatin1StringView("0x"));
    const int column = AsAttribute ? 0 : FCurrentIndention + int(Item.Name.size()) + 2;
    static const QByteArray crlf = QByteArrayLiteral("\r\n");
    const QByteArray& lineBreak = AsAttribute ? crlf : FEOLAnsi;
    const bool compact = FCompactOptions.Contains(coHexStr);
    const QByteArray& bytes = Item.Value.VBuffer;
    const qsizetype most = HexEncodedMax(bytes.size(), lineBreak.size());
    if (!FIsUnicode && FAsciiKept && most <= BufferRoomLimit) {
        char* const begin = BufferRoom(most);
        BufferCommit(HexEncodeInto(bytes, begin, lineBreak, column, compact) - begin);
    } else {
        if (FHexText.size() < most)
            FHexText.resize(most);
        const char* end = HexEncodeInto(bytes, FHexText.data(), lineBreak, column, compact);
        WriteAscii(QLatin1StringView(FHexText.constData(), end - FHexText.constData()));
    }
    if (AsAttribute || !FHexBreakLeft)
        SetHexLineBreak(lineBreak);
    FHexBreakLeft = !AsAttribute;
    SetHexStartColumn(compact ? column : 0);
    SetHexCompact(false);
}

// Escapes while writing, without building the escaped text: every text of
// a UTF-16 file, and the ASCII text of an 8-bit one up to its first other
// unit. From there on the text may need character references and takes
// StringValueText; the code page keeps ASCII, so the bytes are the same as
// for the whole text.
void TrsXMLData::WriteStringValue(const QString& Value)
{
    if (!FAsciiKept) {
        WriteText(StringValueText(Value));
        return;
    }
    const quint8 mask
        = XmlEscapeMask(FXMLDataOptions.Contains(doEncodeTab), FXMLDataOptions.Contains(doEncodeCRLF));
    const char16_t* units = QStringView(Value).utf16();
    const qsizetype size = Value.size();
    const qsizetype unitSize = FIsUnicode ? 2 : 1;
    const qsizetype chunk = (BufferRoomLimit - XmlEscapeSlack) / (XmlEntityMax * unitSize);
    for (qsizetype from = 0; from < size;) {
        const qsizetype count = qMin(size - from, chunk);
        char* out = BufferRoom(count * XmlEntityMax * unitSize + XmlEscapeSlack);
        if (FIsUnicode) {
            BufferCommit(XmlEscapeWideInto(units + from, count, mask, out));
            from += count;
            continue;
        }
        qsizetype written = 0;
        const qsizetype taken = XmlEscapeAsciiInto(units + from, count, mask, out, written);
        BufferCommit(written);
        from += taken;
        if (taken < count) {
            WriteText(StringValueText(Value.sliced(from)));
            return;
        }
    }
}

void TrsXMLData::WriteIndent(int Count)
{
    static const QString spaces(256, u' ');
    for (int left = Count; left > 0; left -= int(spaces.size()))
        WriteText(QStringView(spaces).first(qMin<qsizetype>(left, spaces.size())));
}

QString TrsXMLData::ValueText(TrsKeyWrapper& Wrapper, const TrsKeyItem& Item, bool AsAttribute)
{
    switch (Item.Value.kvType) {
    case ktString:
        return StringValueText(Item.Value.VString);
    case ktBuffer: {
        SetHexParameters(Item, AsAttribute);
        FHexBreakLeft = false;
        const QString hex = QString::fromLatin1(HexEncode(Item.Value.VBuffer));
        // Prefixed in attributes too: with doPrefixInHexStr only prefixed
        // texts read back as buffers.
        return FXMLDataOptions.Contains(doPrefixInHexStr) ? QStringLiteral("0x") + hex : hex;
    }
    default:
        Wrapper.SetKeyItem(const_cast<TrsKeyItem*>(&Item));
        return Wrapper.AsString();
    }
}

// In 8-bit files a character the code page lacks would become "?"; it is
// written as a character reference instead, which the reader decodes.
QString TrsXMLData::StringValueText(const QString& Value) const
{
    QString escaped = XmlEscapeValue(
        Value, FXMLDataOptions.Contains(doEncodeTab), FXMLDataOptions.Contains(doEncodeCRLF));
    if (FIsUnicode || !HasNonAscii(escaped) || AnsiDecode(AnsiEncode(escaped)) == escaped)
        return escaped;
    QString out;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const bool pair
            = escaped[i].isHighSurrogate() && i + 1 < escaped.size() && escaped[i + 1].isLowSurrogate();
        const QStringView one = QStringView(escaped).sliced(i, pair ? 2 : 1);
        if (one[0].unicode() >= 0x80 && AnsiDecode(AnsiEncode(one)) != one)
            out += QStringLiteral("&#%1;").arg(
                pair ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode());
        else
            out += one;
        i += pair ? 1 : 0;
    }
    return out;
}

// ---------------------------------------------------------------- reader

void TrsXMLData::ReadFromStream(QBuffer& Stream)
{
    TrsStreamData::ReadFromStream(Stream);
    if (Storage() == nullptr)
        return;
    QByteArray& data = Stream.buffer();
    ProgressItemCount = int(qMin<qsizetype>(data.size(), INT_MAX));
    ProgressItemCurrent = 0;
    DoProgress();
    FDescents.clear();
    TrsXmlReader reader(*this);
    reader.SetRootName(FRootName);
    const bool wantTemplate = FXMLDataOptions.Contains(doGetTemplateOnLoad);
    reader.Parse(data, wantTemplate);
    FIsUnicode = reader.IsUnicode();
    if (wantTemplate && !reader.Template().isNull())
        SetTemplateText(reader.Template());
}

void TrsXMLData::AddKey(const QString& name, const QString& value, quint16 bits)
{
    TrsStorage& storage = *Storage();
    // An empty path names no key, so the key with the empty name (the
    // encrypted form's one key) is addressed through the current section's
    // absolute path.
    QString rootPath;
    if (name.isEmpty())
        rootPath
            = storage.RootSection().isEmpty() ? QStringLiteral("\\") : u'\\' + storage.RootSection() + u'\\';
    const QString& path = name.isEmpty() ? rootPath : name;
    if (storage.FindKey(path, true) < 0)
        return;
    TrsKeyWrapper& wrapper = storage.KeyWrapper();
    wrapper.SetKeyOptions(wrapper.KeyOptions() | bits);
    if (!value.isEmpty())
        TypeValue(wrapper, value);
}

bool TrsXMLData::BeginSection(const QString& name)
{
    TrsStorage& storage = *Storage();
    QString actual = name;
    // Siblings of one name are kept apart on a load; a merge fills one.
    if (!storage.CurrentStates().Contains(ssMerging) && storage.SectionExist(name))
        actual = name + u'_' + QString::number(storage.SectionCount());
    const int level = storage.GetSectionLevel(storage.CurrentSectionIdx());
    if (!storage.SectionAdd(actual) || !storage.ChangeDownRootSection(actual))
        return false;
    FDescents.push_back(storage.GetSectionLevel(storage.CurrentSectionIdx()) - level);
    return true;
}

void TrsXMLData::EndSection()
{
    if (FDescents.empty())
        return;
    for (int i = FDescents.back(); i > 0; --i)
        Storage()->ChangeUpRootSection();
    FDescents.pop_back();
}

void TrsXMLData::EndRoot()
{
    Storage()->SetRootSection(QString());
    FDescents.clear();
}

void TrsXMLData::Progress(qint64 bytesParsed)
{
    ProgressItemCurrent = int(qMin<qint64>(bytesParsed, ProgressItemCount));
    DoProgress();
}

void TrsXMLData::TypeValue(TrsKeyWrapper& Wrapper, const QString& Value) const
{
    const TrsNumberClass number = ClassifyNumber(Value, DefaultFormatSettings().DecimalSeparator);
    if (number == ncInteger) {
        const qint32 integer = qint32(SignedDigits(Value));
        if (DecimalLength(integer) == Value.size())
            Wrapper.SetAsInteger(integer);
        else if (Value.size() == 2 && IsHexText(Value))
            Wrapper.SetAsBuffer(HexDecode(Value).constData(), 1);
        else
            Wrapper.SetAsString(KeptText(Value));
        return;
    }
    if (number == ncFloat) {
        Wrapper.SetAsFloat(StrToFloat(Value));
        return;
    }
    if (number == ncInt64) {
        Wrapper.SetAsInt64(SignedDigits(Value));
        return;
    }
    // Only four or five units can fold to "True" or "False".
    if ((Value.size() == 4 && Value.compare(QLatin1StringView("True"), Qt::CaseInsensitive) == 0)
        || (Value.size() == 5 && Value.compare(QLatin1StringView("False"), Qt::CaseInsensitive) == 0)) {
        Wrapper.SetAsBoolean(Value.size() == 4);
        return;
    }
    const qsizetype comma = Value.indexOf(u',');
    if (Value.startsWith(u'(') && Value.endsWith(u')') && comma > 0) {
        const QStringView x = QStringView(Value).sliced(1, comma - 1);
        const QStringView y = QStringView(Value).sliced(comma + 1, Value.size() - comma - 2);
        const QChar separator = DefaultFormatSettings().DecimalSeparator;
        if (ClassifyNumber(x, separator) == ncInteger && ClassifyNumber(y, separator) == ncInteger) {
            Wrapper.SetAsPoint(QPoint(qint32(SignedDigits(x)), qint32(SignedDigits(y))));
            return;
        }
    }
    const bool prefixed = FXMLDataOptions.Contains(doPrefixInHexStr);
    const QStringView hex = prefixed
        ? QStringView(Value).sliced(Value.startsWith(QLatin1StringView("0x")) ? 2 : 0)
        : QStringView(Value);
    const char16_t first = Value.front().unicode();
    const bool hexDigitFirst = (first >= u'0' && first <= u'9') || (first >= u'A' && first <= u'F')
        || (first >= u'a' && first <= u'f');
    const bool shaped
        = prefixed ? Value.size() > 2 && Value.startsWith(QLatin1StringView("0x")) : hexDigitFirst;
    if (shaped) {
        // Buffers of templates are small: decoded on the stack, the key's
        // copy is their one allocation.
        QVarLengthArray<char, 1024> room(hex.size() / 2);
        const qsizetype count = HexDecodeShapedInto(hex, room.data());
        if (count > 0) {
            Wrapper.SetAsBuffer(room.constData(), int(count));
            return;
        }
    }
    Wrapper.SetAsString(KeptText(Value));
}

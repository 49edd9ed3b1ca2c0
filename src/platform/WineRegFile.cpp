#include "platform/WineRegFile.h"

#include "platform/RegText.h"

#include <QtEndian>
#include <cstring>
#include <limits>

namespace {

constexpr QByteArrayView Header = "WINE REGISTRY Version 2";
constexpr qint64 Ticks1601To1970 = 116444736000000000LL;
constexpr qint64 TicksPerSecond = 10000000;

// The characters C's isspace accepts in the C locale, as Wine's reader uses it.
inline bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline bool IsHex(QByteArrayView s, qsizetype i)
{
    return i < s.size() && HexValue(s[i]) >= 0;
}

qsizetype SkipSpace(QByteArrayView s, qsizetype i)
{
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    return i;
}

// strtoul(s + pos, &end, 16) of a 64-bit C library: blanks, a sign, an
// optional 0x, then hex digits, saturating on overflow. END is POS when no
// digit was found.
quint64 StrToUl16(QByteArrayView s, qsizetype pos, qsizetype& end)
{
    qsizetype i = SkipSpace(s, pos);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') && IsHex(s, i + 2))
        i += 2;
    if (!IsHex(s, i)) {
        end = pos;
        return 0;
    }
    quint64 value = 0;
    bool overflow = false;
    for (; IsHex(s, i); ++i) {
        overflow = overflow || value > (std::numeric_limits<quint64>::max() >> 4);
        value = (value << 4) | quint64(HexValue(s[i]));
    }
    end = i;
    if (overflow)
        return std::numeric_limits<quint64>::max();
    return negative ? quint64(0) - value : value;
}

// One UTF-8 sequence at S[I]; returns the code point or -1 for an invalid or
// overlong one (Wine drops those), advancing I past what it consumed.
qint32 DecodeUtf8(QByteArrayView s, qsizetype& i)
{
    const uchar lead = uchar(s[i++]);
    int count;
    qint32 cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 2;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 3;
        cp = lead & 0x07;
    } else {
        return -1;
    }
    if (i + count > s.size())
        return -1;
    for (int k = 0; k < count; ++k) {
        const uchar c = uchar(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (c & 0x3F);
    }
    const qint32 minimum = count == 1 ? 0x80 : count == 2 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    i += count;
    return cp;
}

QByteArray HexNumber(quint64 value, int width = 0)
{
    return QByteArray::number(value, 16).rightJustified(width, '0');
}

void WriteValue(QByteArray& out, const TRegValue& value)
{
    qsizetype count;
    if (!value.FName.isEmpty()) {
        const qsizetype start = out.size();
        out += '"';
        TWineRegFile::AppendEscaped(out, value.FName, '"', '"');
        out += "\"=";
        count = out.size() - start;
    } else {
        out += "@=";
        count = 2;
    }
    const QByteArray& data = value.FData;
    const DWORD type = value.FType;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        // Only properly terminated strings are written in string form.
        if (data.size() >= 2 && data.size() % 2 == 0 && data.endsWith(QByteArrayView("\0\0", 2))) {
            if (type != REG_SZ)
                out += "str(" + HexNumber(type) + "):";
            out += '"';
            TWineRegFile::AppendEscaped(out, RegBytesText(data.first(data.size() - 2)), '"', '"');
            out += "\"\n";
            return;
        }
    } else if (type == REG_DWORD && data.size() == 4) {
        out += "dword:" + HexNumber(qFromLittleEndian<quint32>(data.constData()), 8) + '\n';
        return;
    }
    const QByteArray tag = type == REG_BINARY ? QByteArray("hex:") : "hex(" + HexNumber(type) + "):";
    out += tag;
    count += tag.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        const uchar byte = uchar(data[i]);
        out += "0123456789abcdef"[byte >> 4];
        out += "0123456789abcdef"[byte & 15];
        count += 2;
        if (i < data.size() - 1) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
}

bool HasStableSubKeys(const TRegKey& key)
{
    for (const auto& sub : key.SubKeys())
        if (!sub->Volatile())
            return true;
    return false;
}

void WriteKey(QByteArray& out, const TRegKey& key, const QByteArray& path)
{
    if (key.Volatile())
        return;
    // A key that holds only subkeys is implied by their lines. Wine tests for
    // any subkey; testing for stable ones keeps a key whose children are all
    // volatile.
    if (!key.Values().empty() || !HasStableSubKeys(key) || key.HasClass() || key.Link()) {
        const qint64 time = qint64(key.Time());
        out += "\n[" + path + "] " + QByteArray::number(quint32((time - Ticks1601To1970) / TicksPerSecond));
        out += "\n#time=" + HexNumber(quint32(key.Time() >> 32)) + HexNumber(quint32(key.Time()), 8) + '\n';
        if (key.HasClass()) {
            out += "#class=\"";
            TWineRegFile::AppendEscaped(out, key.Class(), '"', '"');
            out += "\"\n";
        }
        if (key.Link())
            out += "#link\n";
        for (const TRegValue& value : key.Values())
            WriteValue(out, value);
    }
    for (const auto& sub : key.SubKeys()) {
        QByteArray subPath = path.isEmpty() && key.Parent() == nullptr ? QByteArray() : path + "\\\\";
        TWineRegFile::AppendEscaped(subPath, sub->Name(), '[', ']');
        WriteKey(out, *sub, subPath);
    }
}

} // namespace

bool TWineRegFile::HasHeader(QByteArrayView bytes)
{
    qsizetype end = bytes.indexOf('\n');
    QByteArrayView line = end < 0 ? bytes : bytes.first(end);
    if (line.endsWith('\r'))
        line.chop(1);
    return line == Header;
}

void TWineRegFile::AppendEscaped(QByteArray& out, QStringView text, char delimiter1, char delimiter2)
{
    static const char Escapes[33] = ".......abtnvfr.............e....";
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool more = i + 1 < text.size();
        const char16_t next = more ? text[i + 1].unicode() : 0;
        if (c > 127) {
            // Padding keeps a following hex digit out of the escape.
            const bool pad = more && next < 128 && HexValue(char(next)) >= 0;
            out += "\\x" + HexNumber(c, pad ? 4 : 0);
        } else if (c < 32) {
            if (Escapes[c] != '.') {
                out += '\\';
                out += Escapes[c];
            } else {
                const bool pad = more && next >= '0' && next <= '7';
                out += '\\' + QByteArray::number(c, 8).rightJustified(pad ? 3 : 0, '0');
            }
        } else {
            if (c == '\\' || c == delimiter1 || c == delimiter2)
                out += '\\';
            out += char(c);
        }
    }
}

qsizetype TWineRegFile::ParseString(QByteArrayView s, qsizetype i, char end, QString& out)
{
    out.clear();
    while (i < s.size()) {
        char c = s[i];
        if (c == end)
            return i + 1;
        if (c == '\\') {
            if (++i >= s.size())
                return -1;
            c = s[i];
            const char* controls = "a\ab\be\033f\fn\nr\rt\tv\v";
            const char* hit = c ? std::strchr(controls, c) : nullptr;
            if (hit && (hit - controls) % 2 == 0) {
                out += QChar(char16_t(hit[1]));
                ++i;
                continue;
            }
            if (c == 'x') {
                char16_t unit = 'x';
                if (IsHex(s, ++i)) {
                    unit = 0;
                    for (int k = 0; k < 4 && IsHex(s, i); ++k)
                        unit = char16_t(unit * 16 + HexValue(s[i++]));
                }
                out += QChar(unit);
                continue;
            }
            if (c >= '0' && c <= '7') {
                char16_t unit = 0;
                for (int k = 0; k < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k)
                    unit = char16_t(unit * 8 + (s[i++] - '0'));
                out += QChar(unit);
                continue;
            }
            // Any other escaped character stands for itself.
        }
        if (uchar(c) < 0x80) {
            out += QChar(char16_t(c));
            ++i;
        } else {
            const qint32 cp = DecodeUtf8(s, i);
            if (cp >= 0)
                out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
        }
    }
    return -1;
}

QByteArray TWineRegFile::Write(const TRegKey& root, const QStringList& rootPath, QByteArrayView arch)
{
    QByteArray out = Header.toByteArray() + "\n;; All keys relative to ";
    for (qsizetype i = 0; i < rootPath.size(); ++i) {
        if (i > 0)
            out += "\\\\";
        AppendEscaped(out, rootPath[i], '[', ']');
    }
    out += '\n';
    if (!arch.isEmpty())
        out += "\n#arch=" + arch.toByteArray() + '\n';
    WriteKey(out, root, QByteArray());
    return out;
}

TWineRegFile::TWineRegFile(QByteArrayView bytes, TRegKey& root, quint64 now)
    : FBytes(bytes)
    , FRoot(root)
    , FNow(now)
{
}

bool TWineRegFile::Read(QByteArrayView bytes, TRegKey& root, QByteArray& arch, quint64 now)
{
    if (!HasHeader(bytes))
        return false;
    if (root.Time() == 0)
        root.SetTime(now);
    TWineRegFile reader(bytes, root, now);
    QByteArrayView line;
    reader.NextLine(line);
    return reader.ReadAll(arch);
}

bool TWineRegFile::NextLine(QByteArrayView& line)
{
    if (FPos >= FBytes.size())
        return false;
    qsizetype end = FBytes.indexOf('\n', FPos);
    if (end < 0)
        end = FBytes.size();
    line = FBytes.sliced(FPos, end - FPos);
    FPos = end + 1;
    if (line.endsWith('\r'))
        line.chop(1);
    // Wine reads lines as C strings: a zero byte ends the line.
    const qsizetype zero = line.indexOf('\0');
    if (zero >= 0)
        line.truncate(zero);
    return true;
}

bool TWineRegFile::ReadAll(QByteArray& arch)
{
    QByteArrayView line;
    while (NextLine(line)) {
        const qsizetype pos = SkipSpace(line, 0);
        const char first = pos < line.size() ? line[pos] : '\0';
        if (first == '[') {
            FinishKey();
            ReadKeyLine(line, pos + 1);
        } else if (first == '@' || first == '"') {
            if (FKey)
                ReadValue(line, pos);
        } else if (first == '#') {
            if (FKey) {
                ReadKeyOption(line, pos);
            } else if (line.sliced(pos).startsWith("#arch=")) {
                arch = line.sliced(pos + 6).toByteArray();
                if (arch != "win32" && arch != "win64")
                    return false;
            }
        }
        // Comments, empty lines and anything else are skipped, as Wine skips them.
    }
    FinishKey();
    return true;
}

void TWineRegFile::FinishKey()
{
    // Keys this key line created, parents included, take its time; keys that
    // existed before keep theirs.
    for (TRegKey* key = FKey; key && key->Time() == 0; key = key->Parent())
        key->SetTime(FKeyTime);
    FKey = nullptr;
}

void TWineRegFile::ReadKeyLine(QByteArrayView line, qsizetype pos)
{
    QString path;
    pos = ParseString(line, pos, ']', path);
    if (pos < 0)
        return;
    qsizetype end = SkipSpace(line, pos);
    qsizetype digits = end;
    quint32 seconds = 0;
    for (; digits < line.size() && line[digits] >= '0' && line[digits] <= '9'; ++digits)
        seconds = seconds * 10 + quint32(line[digits] - '0');
    FKeyTime = digits > end ? quint64(seconds) * TicksPerSecond + Ticks1601To1970 : FNow;
    if (path.startsWith(u'\\'))
        return;
    const QStringList names = path.split(u'\\', Qt::SkipEmptyParts);
    if (names.size() > MaxDepth)
        return;
    TRegKey* key = &FRoot;
    for (const QString& name : names)
        key = key->AddSubKey(name).get();
    FKey = key;
}

void TWineRegFile::ReadKeyOption(QByteArrayView line, qsizetype pos)
{
    const QByteArrayView option = line.sliced(pos);
    if (option.startsWith("#time=")) {
        quint64 time = 0;
        for (qsizetype i = 6; IsHex(option, i); ++i)
            time = (time << 4) | quint64(HexValue(option[i]));
        for (TRegKey* key = FKey; key && key->Time() == 0; key = key->Parent())
            key->SetTime(time);
    } else if (option.startsWith("#class=\"")) {
        QString keyClass;
        if (ParseString(option, 8, '"', keyClass) >= 0)
            FKey->SetClass(keyClass);
    } else if (option.startsWith("#link")) {
        FKey->SetLink(true);
    }
}

void TWineRegFile::ReadValue(QByteArrayView line, qsizetype pos)
{
    QString name;
    if (line[pos] == '@')
        ++pos;
    else if ((pos = ParseString(line, pos + 1, '"', name)) < 0)
        return;
    pos = SkipSpace(line, pos);
    if (pos >= line.size() || line[pos] != '=')
        return;
    pos = SkipSpace(line, pos + 1);
    DWORD type = REG_NONE;
    QByteArray data;
    // Wine has entered the value before it reads the data: damaged data leaves
    // an empty REG_NONE value.
    if (!ReadData(line, pos, type, data)) {
        type = REG_NONE;
        data.clear();
    }
    FKey->SetValue(name, type, std::move(data));
}

bool TWineRegFile::ReadData(QByteArrayView line, qsizetype pos, DWORD& type, QByteArray& data)
{
    struct TTag {
        const char* FText;
        DWORD FType;
    };
    static const TTag StringTags[] = { { "\"", REG_SZ }, { "str:\"", REG_SZ }, { "str(2):\"", REG_EXPAND_SZ },
        { "str(7):\"", REG_MULTI_SZ } };
    const QByteArrayView rest = line.sliced(pos);
    for (const TTag& tag : StringTags) {
        if (rest.startsWith(tag.FText)) {
            QString text;
            if (ParseString(line, pos + qsizetype(std::strlen(tag.FText)), '"', text) < 0)
                return false;
            type = tag.FType;
            data = RegStringBytes(text, true);
            return true;
        }
    }
    qsizetype end;
    if (rest.startsWith("dword:")) {
        type = REG_DWORD;
        data.resize(4);
        qToLittleEndian<quint32>(quint32(StrToUl16(line, pos + 6, end)), data.data());
        return true;
    }
    if (rest.startsWith("hex:")) {
        type = REG_BINARY;
        return ReadHexData(line, pos + 4, data);
    }
    if (rest.startsWith("hex(")) {
        type = DWORD(StrToUl16(line, pos + 4, end));
        if (!line.sliced(end).startsWith("):"))
            return false;
        return ReadHexData(line, end + 2, data);
    }
    return false;
}

bool TWineRegFile::ReadHexData(QByteArrayView line, qsizetype pos, QByteArray& data)
{
    for (;;) {
        while (IsHex(line, pos)) {
            qsizetype end;
            const quint64 byte = StrToUl16(line, pos, end);
            if (byte > 0xff)
                return false;
            data += char(byte);
            pos = SkipSpace(line, end);
            if (pos < line.size() && line[pos] == ',')
                ++pos;
            pos = SkipSpace(line, pos);
        }
        pos = SkipSpace(line, pos);
        if (pos >= line.size())
            return true;
        // A backslash continues the data on the next line; what follows it is ignored.
        if (line[pos] != '\\' || !NextLine(line))
            return false;
        pos = SkipSpace(line, 0);
    }
}

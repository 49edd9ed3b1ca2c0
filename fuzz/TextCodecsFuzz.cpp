// Fuzz target: the text codecs of the storage library: HexDecode,
// HexDecodeShaped and IsHexText on 8-bit and UTF-16 text, ClassifyNumber, Base64Decode. Decoded
// bytes are encoded again and must decode to themselves, and the fast
// decoders must agree with the plain one-character-at-a-time forms below.
#include "storage/Base64.h"
#include "storage/HexText.h"
#include "storage/StorageUtils.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

int DigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

QByteArray PlainHexDecode(QStringView text)
{
    QByteArray result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n' || c == u'\r' || c == u' ' || c == u',' || c == u'\\')
            continue;
        const int high = DigitValue(c);
        const int low = i + 1 < text.size() ? DigitValue(text[i + 1].unicode()) : -1;
        if (high < 0 || low < 0)
            return {};
        result.append(char(high * 16 + low));
        ++i;
    }
    return result;
}

bool PlainIsHexText(QStringView text)
{
    qsizetype digits = 0, commas = 0;
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n')
            continue;
        if (c == u',')
            ++commas;
        else if (DigitValue(c.unicode()) >= 0)
            ++digits;
        else
            return false;
    }
    return commas == 0 ? digits >= 2 : commas < digits && digits / commas <= 4;
}

QByteArray PlainBase64Decode(QByteArrayView text)
{
    static const QByteArray alphabet("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    if (text.size() % 4 == 1)
        return {};
    QByteArray bytes;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const qsizetype v = alphabet.indexOf(c);
        if (c == 0 || v < 0)
            return {};
        bits = bits << 6 | unsigned(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.append(char(bits >> count));
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString wide = QString::fromLatin1(bytes);
    const QString utf16(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));

    if (IsHexText(bytes) != PlainIsHexText(wide) || IsHexText(wide) != PlainIsHexText(wide)
        || IsHexText(utf16) != PlainIsHexText(utf16))
        abort();
    const QByteArray hex = HexDecode(bytes);
    if (HexDecode(wide) != hex || PlainHexDecode(wide) != hex || HexDecode(utf16) != PlainHexDecode(utf16))
        abort();
    for (const QString& text : { wide, utf16 })
        if (HexDecodeShaped(text) != (PlainIsHexText(text) ? PlainHexDecode(text) : QByteArray()))
            abort();
    if (!hex.isEmpty() && HexDecode(HexEncode(hex)) != hex)
        abort();

    (void)ClassifyNumber(wide, u'.');
    (void)ClassifyNumber(utf16, u',');
    (void)ClassifyNumber(utf16);

    const QByteArray plain = Base64Decode(bytes);
    if (plain != PlainBase64Decode(bytes))
        abort();
    if (!plain.isEmpty() && Base64Decode(Base64Encode(plain)) != plain)
        abort();
    return 0;
}

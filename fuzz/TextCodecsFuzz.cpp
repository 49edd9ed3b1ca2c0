// Fuzz target: the text codecs of the storage library: HexDecode and
// IsHexText on 8-bit and UTF-16 text, ClassifyNumber, Base64Decode. Decoded
// bytes are encoded again and must decode to themselves.
#include "storage/Base64.h"
#include "storage/HexText.h"
#include "storage/StorageUtils.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString wide = QString::fromLatin1(bytes);
    const QString utf16(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));

    (void)IsHexText(bytes);
    (void)IsHexText(wide);
    (void)IsHexText(utf16);
    const QByteArray hex = HexDecode(bytes);
    if (HexDecode(wide) != hex)
        abort();
    (void)HexDecode(utf16);
    if (!hex.isEmpty() && HexDecode(HexEncode(hex)) != hex)
        abort();

    (void)ClassifyNumber(wide, u'.');
    (void)ClassifyNumber(utf16, u',');
    (void)ClassifyNumber(utf16);

    const QByteArray plain = Base64Decode(bytes);
    if (!plain.isEmpty() && Base64Decode(Base64Encode(plain)) != plain)
        abort();
    return 0;
}

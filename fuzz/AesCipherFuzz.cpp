// Fuzz target: TAESChipher BufferDecrypt and StreamDecrypt over arbitrary
// cipher buffers. The first byte picks key size and mode; both ways of
// deciphering must agree.
#include "crypto/TAESChipher.h"
#include "framework/Exception.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1 << 20))
        return 0;
    TAESChipher cipher;
    cipher.SetKeyBits(TAESChipherKeyBits(data[0] % 3));
    cipher.SetMode((data[0] & 4) ? cmCBC : cmECB);
    cipher.SetKey(QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr"));
    const char* src = reinterpret_cast<const char*>(data + 1);
    const int count = int(size - 1);

    // First with no room at all, then with the room the cipher asked for.
    int destCount = 0;
    int result = cipher.BufferDecrypt(src, count, nullptr, destCount);
    QByteArray plain(qMax(destCount, 0), '\0');
    destCount = int(plain.size());
    result = cipher.BufferDecrypt(src, count, plain.data(), destCount);
    if (result > 0 && (result != count || destCount > plain.size()))
        abort();

    QByteArray bytes(src, count);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    try {
        const int streamed = cipher.StreamDecrypt(in, out);
        if ((streamed > 0) != (result > 0) || (result > 0 && out.data() != plain.left(destCount)))
            abort();
    } catch (const Exception&) {
    }
    (void)cipher.StringDecrypt(bytes);
    return 0;
}

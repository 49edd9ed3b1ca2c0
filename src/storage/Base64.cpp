#include "storage/Base64.h"

#include <array>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> MakeSextets()
{
    std::array<signed char, 256> table {};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(Alphabet[i])] = static_cast<signed char>(i);
    return table;
}
constexpr std::array<signed char, 256> Sextets = MakeSextets();

} // namespace

QByteArray Base64Encode(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    QByteArray text;
    text.reserve(n / 3 * 4 + 4);
    const auto byteAt = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned group = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        text.append(Alphabet[group >> 18 & 63]);
        text.append(Alphabet[group >> 12 & 63]);
        text.append(Alphabet[group >> 6 & 63]);
        text.append(Alphabet[group & 63]);
    }
    const qsizetype rest = n - i;
    if (rest > 0) {
        const unsigned group = byteAt(i) << 16 | (rest == 2 ? byteAt(i + 1) << 8 : 0u);
        text.append(Alphabet[group >> 18 & 63]);
        text.append(Alphabet[group >> 12 & 63]);
        if (rest == 2)
            text.append(Alphabet[group >> 6 & 63]);
    }
    return text;
}

QByteArray Base64Decode(QByteArrayView text)
{
    const qsizetype n = text.size();
    if (n % 4 == 1)
        return {};
    QByteArray bytes;
    bytes.reserve(n / 4 * 3 + 2);
    unsigned group = 0;
    int count = 0;
    for (const char c : text) {
        const int sextet = Sextets[static_cast<unsigned char>(c)];
        if (sextet < 0)
            return {};
        group = group << 6 | unsigned(sextet);
        if (++count == 4) {
            bytes.append(static_cast<char>(group >> 16));
            bytes.append(static_cast<char>(group >> 8));
            bytes.append(static_cast<char>(group));
            group = 0;
            count = 0;
        }
    }
    // A final group of two or three characters holds one or two bytes.
    if (count == 2) {
        bytes.append(static_cast<char>(group >> 4));
    } else if (count == 3) {
        bytes.append(static_cast<char>(group >> 10));
        bytes.append(static_cast<char>(group >> 2));
    }
    return bytes;
}

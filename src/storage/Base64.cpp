#include "storage/Base64.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// The two characters of every 12-bit value: half a group in one lookup.
constexpr std::array<std::array<char, 2>, 4096> MakeCharPairs()
{
    std::array<std::array<char, 2>, 4096> pairs {};
    for (int v = 0; v < 4096; ++v)
        pairs[v] = { Alphabet[v >> 6], Alphabet[v & 63] };
    return pairs;
}
constexpr std::array<std::array<char, 2>, 4096> CharPairs = MakeCharPairs();

// The sextet of a character already shifted to its place in a group of
// four, or Invalid, so that one test checks a whole group.
constexpr std::uint32_t Invalid = 0x80000000u;
constexpr std::array<std::uint32_t, 256> MakePlaced(int shift)
{
    std::array<std::uint32_t, 256> table {};
    for (int c = 0; c < 256; ++c)
        table[c] = Sextets[c] < 0 ? Invalid : std::uint32_t(Sextets[c]) << shift;
    return table;
}
constexpr std::array<std::uint32_t, 256> Placed0 = MakePlaced(18);
constexpr std::array<std::uint32_t, 256> Placed1 = MakePlaced(12);
constexpr std::array<std::uint32_t, 256> Placed2 = MakePlaced(6);
constexpr std::array<std::uint32_t, 256> Placed3 = MakePlaced(0);

} // namespace

QByteArray Base64Encode(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    const qsizetype rest = n % 3;
    QByteArray text(n / 3 * 4 + (rest ? rest + 1 : 0), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    char* out = text.data();
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3, out += 4) {
        const unsigned group = unsigned(in[i]) << 16 | unsigned(in[i + 1]) << 8 | in[i + 2];
        std::memcpy(out, CharPairs[group >> 12].data(), 2);
        std::memcpy(out + 2, CharPairs[group & 4095].data(), 2);
    }
    if (rest > 0) {
        const unsigned group = unsigned(in[i]) << 16 | (rest == 2 ? unsigned(in[i + 1]) << 8 : 0u);
        out[0] = Alphabet[group >> 18];
        out[1] = Alphabet[group >> 12 & 63];
        if (rest == 2)
            out[2] = Alphabet[group >> 6 & 63];
    }
    return text;
}

QByteArray Base64Decode(QByteArrayView text)
{
    const qsizetype n = text.size();
    const qsizetype rest = n % 4;
    if (rest == 1)
        return {};
    QByteArray bytes(n / 4 * 3 + (rest ? rest - 1 : 0), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    char* out = bytes.data();
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4, out += 3) {
        const std::uint32_t group
            = Placed0[in[i]] | Placed1[in[i + 1]] | Placed2[in[i + 2]] | Placed3[in[i + 3]];
        if (group & Invalid)
            return {};
        out[0] = static_cast<char>(group >> 16);
        out[1] = static_cast<char>(group >> 8);
        out[2] = static_cast<char>(group);
    }
    // A final group of two or three characters holds one or two bytes.
    if (rest > 0) {
        const std::uint32_t group
            = Placed0[in[i]] | Placed1[in[i + 1]] | (rest == 3 ? Placed2[in[i + 2]] : 0u);
        if (group & Invalid)
            return {};
        out[0] = static_cast<char>(group >> 16);
        if (rest == 3)
            out[1] = static_cast<char>(group >> 8);
    }
    return bytes;
}

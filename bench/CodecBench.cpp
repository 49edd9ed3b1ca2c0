// Hex text and Base64 of 1 MiB against a plain table coder producing the
// same text: hex compact (two upper-case digits a byte, as the XML writer
// stores buffers without separators) and unpadded Base64.
#include "Comparison.h"
#include "storage/Base64.h"
#include "storage/HexText.h"

#include <QByteArray>
#include <array>

namespace {

constexpr int kSize = 1 << 20;

const QByteArray& Bytes()
{
    static const QByteArray bytes = [] {
        QByteArray data(kSize, Qt::Uninitialized);
        for (int i = 0; i < kSize; ++i)
            data[i] = char((i * 167 + (i >> 9)) & 0xff);
        return data;
    }();
    return bytes;
}

const char kHexDigits[] = "0123456789ABCDEF";
const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::array<signed char, 256> ReverseTable(const char* digits, int count)
{
    std::array<signed char, 256> table;
    table.fill(-1);
    for (int i = 0; i < count; ++i)
        table[uchar(digits[i])] = static_cast<signed char>(i);
    if (count == 16)
        for (int i = 10; i < 16; ++i)
            table[uchar(digits[i] + 32)] = static_cast<signed char>(i);
    return table;
}

// The reference coders: one table lookup per digit into a buffer of the
// final size, nothing else.
QByteArray PlainHexEncode(const QByteArray& bytes)
{
    QByteArray text(bytes.size() * 2, Qt::Uninitialized);
    char* out = text.data();
    for (const char c : bytes) {
        *out++ = kHexDigits[uchar(c) >> 4];
        *out++ = kHexDigits[uchar(c) & 15];
    }
    return text;
}

QByteArray PlainHexDecode(const QByteArray& text)
{
    static const auto table = ReverseTable(kHexDigits, 16);
    QByteArray bytes(text.size() / 2, Qt::Uninitialized);
    const char* in = text.constData();
    for (char& b : bytes) {
        const int high = table[uchar(*in++)], low = table[uchar(*in++)];
        if ((high | low) < 0)
            return {};
        b = char(high << 4 | low);
    }
    return bytes;
}

QByteArray PlainBase64Encode(const QByteArray& bytes)
{
    const qsizetype n = bytes.size(), rest = n % 3;
    QByteArray text(n / 3 * 4 + (rest ? rest + 1 : 0), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const uchar*>(bytes.constData());
    char* out = text.data();
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3, out += 4) {
        const uint v = uint(in[i]) << 16 | uint(in[i + 1]) << 8 | in[i + 2];
        out[0] = kBase64Digits[v >> 18];
        out[1] = kBase64Digits[v >> 12 & 63];
        out[2] = kBase64Digits[v >> 6 & 63];
        out[3] = kBase64Digits[v & 63];
    }
    if (rest > 0) {
        const uint v = uint(in[i]) << 16 | (rest > 1 ? uint(in[i + 1]) << 8 : 0);
        out[0] = kBase64Digits[v >> 18];
        out[1] = kBase64Digits[v >> 12 & 63];
        if (rest > 1)
            out[2] = kBase64Digits[v >> 6 & 63];
    }
    return text;
}

QByteArray PlainBase64Decode(const QByteArray& text)
{
    static const auto table = ReverseTable(kBase64Digits, 64);
    const qsizetype n = text.size(), rest = n % 4;
    if (rest == 1)
        return {};
    QByteArray bytes(n / 4 * 3 + (rest ? rest - 1 : 0), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const uchar*>(text.constData());
    char* out = bytes.data();
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4, out += 3) {
        const int a = table[in[i]], b = table[in[i + 1]], c = table[in[i + 2]], d = table[in[i + 3]];
        if ((a | b | c | d) < 0)
            return {};
        const uint v = uint(a) << 18 | uint(b) << 12 | uint(c) << 6 | uint(d);
        out[0] = char(v >> 16);
        out[1] = char(v >> 8);
        out[2] = char(v);
    }
    if (rest > 0) {
        const int a = table[in[i]], b = table[in[i + 1]], c = rest == 3 ? table[in[i + 2]] : 0;
        if ((a | b | c) < 0)
            return {};
        const uint v = uint(a) << 18 | uint(b) << 12 | uint(c) << 6;
        out[0] = char(v >> 16);
        if (rest == 3)
            out[1] = char(v >> 8);
    }
    return bytes;
}

QByteArray OursHexEncode(const QByteArray& bytes)
{
    SetHexCompact(true);
    return HexEncode(bytes);
}

QByteArray OursHexDecode(const QByteArray& text)
{
    return HexDecode(QByteArrayView(text));
}

QByteArray OursBase64Encode(const QByteArray& bytes)
{
    return Base64Encode(bytes);
}

QByteArray OursBase64Decode(const QByteArray& text)
{
    return Base64Decode(text);
}

using TCoder = QByteArray (*)(const QByteArray&);

// Both coders must agree on the text and on the bytes it gives back.
void Run(benchmark::State& state, TCoder coder, const QByteArray& input, const QByteArray& expected)
{
    QByteArray out;
    for (auto _ : state) {
        out = coder(input);
        benchmark::DoNotOptimize(out.constData());
    }
    if (out != expected)
        state.SkipWithError("the coder's output differs from the plain coder's");
    state.SetBytesProcessed(state.iterations() * kSize);
}

void Hex_Ours_Encode(benchmark::State& s)
{
    Run(s, OursHexEncode, Bytes(), PlainHexEncode(Bytes()));
}
void Hex_Plain_Encode(benchmark::State& s)
{
    Run(s, PlainHexEncode, Bytes(), PlainHexEncode(Bytes()));
}
void Hex_Ours_Decode(benchmark::State& s)
{
    Run(s, OursHexDecode, PlainHexEncode(Bytes()), Bytes());
}
void Hex_Plain_Decode(benchmark::State& s)
{
    Run(s, PlainHexDecode, PlainHexEncode(Bytes()), Bytes());
}
void Base64_Ours_Encode(benchmark::State& s)
{
    Run(s, OursBase64Encode, Bytes(), PlainBase64Encode(Bytes()));
}
void Base64_Plain_Encode(benchmark::State& s)
{
    Run(s, PlainBase64Encode, Bytes(), PlainBase64Encode(Bytes()));
}
void Base64_Ours_Decode(benchmark::State& s)
{
    Run(s, OursBase64Decode, PlainBase64Encode(Bytes()), Bytes());
}
void Base64_Plain_Decode(benchmark::State& s)
{
    Run(s, PlainBase64Decode, PlainBase64Encode(Bytes()), Bytes());
}

} // namespace

BENCHMARK(Hex_Ours_Encode);
BENCHMARK(Hex_Plain_Encode);
BENCHMARK(Hex_Ours_Decode);
BENCHMARK(Hex_Plain_Decode);
BENCHMARK(Base64_Ours_Encode);
BENCHMARK(Base64_Plain_Encode);
BENCHMARK(Base64_Ours_Decode);
BENCHMARK(Base64_Plain_Decode);

static const int kCodecGoals = (AddComparison("Hex_Ours_Encode", "Hex_Plain_Encode", 1.0),
    AddComparison("Hex_Ours_Decode", "Hex_Plain_Decode", 1.0),
    AddComparison("Base64_Ours_Encode", "Base64_Plain_Encode", 1.0),
    AddComparison("Base64_Ours_Decode", "Base64_Plain_Decode", 1.0));

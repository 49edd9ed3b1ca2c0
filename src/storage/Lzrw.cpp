#include "storage/Lzrw.h"

#include "storage/TrsException.h"

#include <QtEndian>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr quint8 BlockStored = 128;
constexpr quint8 BlockCompressed = 64;
constexpr int ItemsPerControlWord = 16;
constexpr int MinMatch = 3;
constexpr int MaxMatch = 18;
constexpr int MinRun = 16;
constexpr int MaxRun = 4095;
constexpr int MaxOffset = 4095;
constexpr int HashSize = 4096;
// One item and one control word place beyond the chunk before the
// compressor notices the block does not shrink.
constexpr qsizetype MaxOvershoot = 6;

[[noreturn]] void RaiseDamaged(const QString& detail)
{
    RaiseStorageError(ekGeneral, QStringLiteral("Damaged LZRW stream: %1.").arg(detail));
}

void WriteAll(QIODevice& target, const char* data, qsizetype size)
{
    if (target.write(data, size) != size)
        RaiseStorageError(ekGeneral, QStringLiteral("Can't write LZRW data: %1.").arg(target.errorString()));
}

// Reads up to SIZE bytes, also from devices that deliver them piecewise.
qsizetype ReadUpTo(QIODevice& source, char* data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const qint64 got = source.read(data + done, size - done);
        if (got < 0)
            RaiseStorageError(
                ekGeneral, QStringLiteral("Can't read LZRW data: %1.").arg(source.errorString()));
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// Compresses chunks of one stream. The hash table holds for a 12-bit hash of
// three bytes the last position that had it; positions are kept as 16-bit
// signed values, as the old product did, so positions from 32768 on wrap to
// negative values that never match. That keeps the blocks byte for byte.
class TLzrwCompressor {
public:
    // Compresses IN[0..SIZE) into OUT (SIZE + MaxOvershoot bytes at least);
    // returns the block length.
    qsizetype CompressBlock(const quint8* in, qsizetype size, quint8* out);

private:
    int LookupMatch(const quint8* in, qsizetype x, qsizetype size, qsizetype& offset);

    std::array<std::int16_t, HashSize> FHash {};
};

// Length of the common prefix of A and B, at most LIMIT bytes. Eight bytes
// are compared at a time while both have them.
int CommonPrefix(const quint8* a, const quint8* b, int limit)
{
    int m = 0;
    for (; m + 8 <= limit; m += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + m, 8);
        std::memcpy(&y, b + m, 8);
        if (const std::uint64_t diff = qFromLittleEndian(x ^ y))
            return m + std::countr_zero(diff) / 8;
    }
    while (m < limit && a[m] == b[m])
        ++m;
    return m;
}

int TLzrwCompressor::LookupMatch(const quint8* in, qsizetype x, qsizetype size, qsizetype& offset)
{
    // Fewer than three bytes left can never make a match.
    if (size - x < MinMatch)
        return 0;
    const std::uint32_t key = ((std::uint32_t(in[x]) << 4 ^ in[x + 1]) << 4) ^ in[x + 2];
    const std::uint32_t h = (key * 40543u >> 4) & (HashSize - 1);
    const qsizetype q = FHash[h];
    FHash[h] = static_cast<std::int16_t>(x);
    // No candidate (-1), a wrapped position (negative) or one too far back.
    // Decided without a branch: on data that does not compress this test
    // goes either way at random, so the bytes are compared in any case and
    // the result dropped.
    const bool usable = q >= 0 && x - q <= MaxOffset;
    const qsizetype from = usable ? q : 0;
    const int m = CommonPrefix(in + from, in + x, int(qMin<qsizetype>(MaxMatch, size - x)));
    offset = x - q;
    return usable && m >= MinMatch ? m : 0;
}

qsizetype TLzrwCompressor::CompressBlock(const quint8* in, qsizetype size, quint8* out)
{
    FHash.fill(-1);
    out[0] = BlockCompressed;
    qsizetype control = 1;
    qsizetype o = 3;
    qsizetype x = 0;
    int items = 0;
    quint16 flags = 0;
    while (x < size && o <= size) {
        if (items == ItemsPerControlWord) {
            qToBigEndian(flags, out + control);
            control = o;
            o += 2;
            items = 0;
        }
        qsizetype r = 1;
        while (x + r < size && in[x + r] == in[x] && r < MaxRun)
            ++r;
        qsizetype offset = 0;
        if (r >= MinRun) {
            out[o] = 0;
            qToBigEndian(quint16(r - MinRun), out + o + 1);
            out[o + 3] = in[x];
            o += 4;
            x += r;
            flags = quint16(flags << 1 | 1);
        } else if (const int m = LookupMatch(in, x, size, offset)) {
            qToBigEndian(quint16(offset << 4 | (m - MinMatch)), out + o);
            o += 2;
            x += m;
            flags = quint16(flags << 1 | 1);
        } else {
            out[o++] = in[x++];
            flags = quint16(flags << 1);
        }
        ++items;
    }
    qToBigEndian(quint16(flags << (ItemsPerControlWord - items)), out + control);
    if (o <= size)
        return o;
    out[0] = BlockStored;
    std::memcpy(out + 1, in, size_t(size));
    return size + 1;
}

// Bytes a match copy may write past its end: a copy of 3 bytes writes 16.
constexpr qsizetype CopySlack = 13;

// Expands one block into OUT (LzrwChunkSize + CopySlack bytes); returns the
// byte count. Every length and offset read is checked against what is left.
qsizetype DecompressBlock(const quint8* in, qsizetype n, quint8* out)
{
    if (in[0] == BlockStored) {
        std::memcpy(out, in + 1, size_t(n - 1));
        return n - 1;
    }
    if (in[0] != BlockCompressed)
        RaiseDamaged(QStringLiteral("unknown block kind %1").arg(in[0]));
    if (n < 3)
        RaiseDamaged(QStringLiteral("compressed block of %1 bytes has no control word").arg(n));
    const quint8* p = in + 3;
    const quint8* const end = in + n;
    quint8* o = out;
    quint8* const limit = out + LzrwChunkSize;
    unsigned control = qFromBigEndian<quint16>(in + 1);
    int bits = ItemsPerControlWord;
    const auto cut = [] { RaiseDamaged(QStringLiteral("item cut at the end of a block")); };
    const auto expands
        = [] { RaiseDamaged(QStringLiteral("block expands beyond %1 bytes").arg(LzrwChunkSize)); };
    while (p < end) {
        if (bits == 0) {
            if (end - p < 2)
                cut();
            control = qFromBigEndian<quint16>(p);
            p += 2;
            bits = ItemsPerControlWord;
        }
        if (!(control & 0x8000)) {
            if (o == limit)
                expands();
            *o++ = *p++;
        } else {
            if (end - p < 2)
                cut();
            const qsizetype offset = qsizetype(p[0]) << 4 | p[1] >> 4;
            if (offset == 0) {
                if (end - p < 4)
                    cut();
                const qsizetype length = (qsizetype(p[1]) << 8 | p[2]) + MinRun;
                if (limit - o < length)
                    expands();
                std::memset(o, p[3], size_t(length));
                o += length;
                p += 4;
            } else {
                const qsizetype length = (p[1] & 15) + MinMatch;
                if (limit - o < length)
                    expands();
                if (offset > o - out)
                    RaiseDamaged(
                        QStringLiteral("copy at offset %1 from output position %2 reaches before the start")
                            .arg(offset)
                            .arg(o - out));
                const quint8* from = o - offset;
                if (offset >= 8) {
                    // Each eight bytes read lie before the eight written;
                    // a match is 3 to 18 bytes long.
                    std::memcpy(o, from, 8);
                    std::memcpy(o + 8, from + 8, 8);
                    if (length > 16)
                        std::memcpy(o + 16, from + 16, 8);
                } else {
                    // An overlapping copy repeats a pattern, byte by byte.
                    for (qsizetype k = 0; k < length; ++k)
                        o[k] = from[k];
                }
                o += length;
                p += 2;
            }
        }
        control <<= 1;
        --bits;
    }
    return o - out;
}

} // namespace

void CompressStream(QIODevice& source, QIODevice& target)
{
    TLzrwCompressor compressor;
    QByteArray chunk(LzrwChunkSize, Qt::Uninitialized);
    QByteArray block(LzrwChunkSize + MaxOvershoot, Qt::Uninitialized);
    qsizetype got = 0;
    do {
        got = ReadUpTo(source, chunk.data(), LzrwChunkSize);
        if (got > 0) {
            const qsizetype length
                = compressor.CompressBlock(reinterpret_cast<const quint8*>(chunk.constData()), got,
                    reinterpret_cast<quint8*>(block.data()));
            char header[4];
            qToLittleEndian(qint32(length), header);
            WriteAll(target, header, 4);
            WriteAll(target, block.constData(), length);
        }
    } while (got == LzrwChunkSize);
}

void DecompressStream(QIODevice& source, QIODevice& target)
{
    QByteArray block(LzrwMaxBlockSize, Qt::Uninitialized);
    QByteArray chunk(LzrwChunkSize + CopySlack, Qt::Uninitialized);
    for (;;) {
        char header[4];
        const qsizetype got = ReadUpTo(source, header, 4);
        if (got == 0)
            return;
        if (got < 4)
            RaiseDamaged(QStringLiteral("block length cut after %1 bytes").arg(got));
        const qint32 n = qFromLittleEndian<qint32>(header);
        if (n == 0)
            return;
        if (n < 0 || n > LzrwMaxBlockSize)
            RaiseDamaged(QStringLiteral("block length %1 out of range").arg(n));
        const qsizetype read = ReadUpTo(source, block.data(), n);
        if (read < n)
            RaiseDamaged(QStringLiteral("block of %1 bytes cut after %2 bytes").arg(n).arg(read));
        const qsizetype size = DecompressBlock(
            reinterpret_cast<const quint8*>(block.constData()), n, reinterpret_cast<quint8*>(chunk.data()));
        WriteAll(target, chunk.constData(), size);
    }
}

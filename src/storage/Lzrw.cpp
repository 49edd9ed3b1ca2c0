#include "storage/Lzrw.h"

#include "storage/TrsException.h"

#include <QBuffer>
#include <QtEndian>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <typeinfo>

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

// A plain QBuffer open in MODE without text translation, whose bytes can
// be read or appended in place; null for any other device, subclasses of
// QBuffer included, as they may read and write differently.
QBuffer* PlainBuffer(QIODevice& device, QIODevice::OpenModeFlag mode)
{
    if (typeid(device) != typeid(QBuffer) || !(device.openMode() & mode)
        || (device.openMode() & QIODevice::Text))
        return nullptr;
    return static_cast<QBuffer*>(&device);
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
    int MatchAhead(const quint8* in, qsizetype x, qsizetype& offset);
    void AnyItem(const quint8* in, qsizetype& x, qsizetype size, quint8* out, qsizetype& o, quint16& flags);

    std::array<std::int16_t, HashSize> FHash {};
};

// An empty hash slot. Any position, wrapped or not, lies more than
// MaxOffset after it, so one distance test rejects it.
constexpr std::int16_t NoPosition = -32768;

// Input bytes the compressor may read from a position on without watching
// the chunk's end: a run test of 16 bytes, a match compare of MaxMatch.
constexpr qsizetype Lookahead = 32;

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

// CommonPrefix with a limit of MaxMatch, both sides readable that far. A
// whole match comes from a branch, not from the bytes: the next item's
// position then does not wait for the compare, and in text like the
// storage files' that branch is mostly foreseen.
int CommonPrefixOfMax(const quint8* a, const quint8* b)
{
    static_assert(MaxMatch == 18);
#if defined(__SSE2__)
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const unsigned differ = (~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFF)
        | unsigned(a[16] != b[16]) << 16 | unsigned(a[17] != b[17]) << 17;
    if (differ == 0)
        return MaxMatch;
    return __builtin_ctz(differ);
#else
    return CommonPrefix(a, b, MaxMatch);
#endif
}

// Whether the 16 bytes at P are all the same.
bool SixteenSame(const quint8* p)
{
    std::uint64_t a, b;
    std::memcpy(&a, p, 8);
    std::memcpy(&b, p + 8, 8);
    return a == b && (a >> 8) == (a & 0x00FFFFFFFFFFFFFFu);
}

// The length of the run of IN[X] from X on, at most MaxRun.
qsizetype RunLength(const quint8* in, qsizetype x, qsizetype size)
{
    qsizetype r = 1;
    while (x + r < size && in[x + r] == in[x] && r < MaxRun)
        ++r;
    return r;
}

// The table slot of the three bytes at P.
std::uint32_t HashOf(const quint8* p)
{
    const std::uint32_t key = (std::uint32_t(p[0]) << 8 ^ p[2]) ^ std::uint32_t(p[1]) << 4;
    return (key * 40543u >> 4) & (HashSize - 1);
}

// A match of M bytes OFFSET back, and a literal, appended at O with their
// bits in FLAGS; X moves past what they take.
void PutMatch(qsizetype offset, int m, qsizetype& x, quint8* out, qsizetype& o, quint16& flags)
{
    qToBigEndian(quint16(offset << 4 | (m - MinMatch)), out + o);
    o += 2;
    x += m;
    flags = quint16(flags << 1 | 1);
}

void PutLiteral(const quint8* in, qsizetype& x, quint8* out, qsizetype& o, quint16& flags)
{
    out[o++] = in[x++];
    flags = quint16(flags << 1);
}

int TLzrwCompressor::LookupMatch(const quint8* in, qsizetype x, qsizetype size, qsizetype& offset)
{
    // Fewer than three bytes left can never make a match.
    if (size - x < MinMatch)
        return 0;
    const std::uint32_t h = HashOf(in + x);
    const qsizetype q = FHash[h];
    FHash[h] = static_cast<std::int16_t>(x);
    // No candidate, a wrapped position (negative) or one too far back.
    // Decided without a branch: on data that does not compress this test
    // goes either way at random, so the bytes are compared in any case and
    // the result dropped.
    const bool usable = q >= 0 && x - q <= MaxOffset;
    const qsizetype from = usable ? q : 0;
    const int m = CommonPrefix(in + from, in + x, int(qMin<qsizetype>(MaxMatch, size - x)));
    offset = x - q;
    return usable && m >= MinMatch ? m : 0;
}

// LookupMatch with at least Lookahead bytes left from X and no run there.
// An empty slot and a wrapped position both lie more than MaxOffset back,
// so one test rejects them.
int TLzrwCompressor::MatchAhead(const quint8* in, qsizetype x, qsizetype& offset)
{
    const std::uint32_t h = HashOf(in + x);
    const qsizetype q = FHash[h];
    FHash[h] = static_cast<std::int16_t>(x);
    offset = x - q;
    if (offset > MaxOffset)
        return 0;
    const int m = CommonPrefixOfMax(in + q, in + x);
    return m >= MinMatch ? m : 0;
}

// One item at X, wherever it lies in the chunk: a run, a match or a
// literal, appended at O with its bit in FLAGS.
void TLzrwCompressor::AnyItem(
    const quint8* in, qsizetype& x, qsizetype size, quint8* out, qsizetype& o, quint16& flags)
{
    const qsizetype r = RunLength(in, x, size);
    qsizetype offset = 0;
    if (r >= MinRun) {
        out[o] = 0;
        qToBigEndian(quint16(r - MinRun), out + o + 1);
        out[o + 3] = in[x];
        o += 4;
        x += r;
        flags = quint16(flags << 1 | 1);
    } else if (const int m = LookupMatch(in, x, size, offset)) {
        PutMatch(offset, m, x, out, o, flags);
    } else {
        PutLiteral(in, x, out, o, flags);
    }
}

qsizetype TLzrwCompressor::CompressBlock(const quint8* in, qsizetype size, quint8* out)
{
    FHash.fill(NoPosition);
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
        if (size - x < Lookahead || SixteenSame(in + x)) {
            AnyItem(in, x, size, out, o, flags);
        } else if (qsizetype offset = 0; const int m = MatchAhead(in, x, offset)) {
            PutMatch(offset, m, x, out, o, flags);
        } else {
            PutLiteral(in, x, out, o, flags);
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

// Bytes the decoder may write past the end of what it expands: a match is
// copied in three 8-byte steps, however short, and a run of literal items
// in one 16-byte step.
constexpr qsizetype CopySlack = 24;

// Bytes one control word's 16 items take at most (all runs), plus the
// 16-byte read of a literal run: with this much input left a whole group
// is expanded without watching the input's end.
constexpr qsizetype GroupInput = ItemsPerControlWord * 4 + 16;

// Bytes one control word's 16 items write at most when none is a run.
constexpr qsizetype GroupOutput = ItemsPerControlWord * MaxMatch;

// The bytes 0 to 255 with their bits in reverse order.
constexpr std::array<quint8, 256> ReversedBytes = [] {
    std::array<quint8, 256> table {};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned bit = 0; bit < 8; ++bit)
            table[b] |= quint8((b >> bit & 1) << (7 - bit));
    return table;
}();

// The 16 bits of WORD in reverse order: the first item's bit lowest.
std::uint32_t Reversed16(unsigned word)
{
    return std::uint32_t(ReversedBytes[word >> 8]) | std::uint32_t(ReversedBytes[word & 255]) << 8;
}

// Index of the lowest set bit of a word that is not 0; std::countr_zero
// would test for 0 on every call.
std::size_t LowestSetBit(std::uint32_t nonzero)
{
    return unsigned(__builtin_ctz(nonzero));
}

[[noreturn]] void RaiseCut()
{
    RaiseDamaged(QStringLiteral("item cut at the end of a block"));
}

[[noreturn]] void RaiseExpands()
{
    RaiseDamaged(QStringLiteral("block expands beyond %1 bytes").arg(LzrwChunkSize));
}

[[noreturn]] void RaiseBeforeStart(qsizetype offset, qsizetype position)
{
    RaiseDamaged(QStringLiteral("copy at offset %1 from output position %2 reaches before the start")
                     .arg(offset)
                     .arg(position));
}

// Expands one block; every length and offset read is checked against what
// is left of the output, and the input's end is watched item by item
// unless a whole group fits before it.
class TLzrwExpander {
public:
    TLzrwExpander(const quint8* in, qsizetype n, quint8* out)
        : p(in + 1)
        , end(in + n)
        , start(out)
        , o(out)
        , limit(out + LzrwChunkSize)
    {
    }

    qsizetype Run()
    {
        while (p < end) {
            if (end - p < 2)
                RaiseCut();
            const unsigned control = qFromBigEndian<quint16>(p);
            p += 2;
            if (end - p >= GroupInput)
                WholeGroup(control);
            else
                GroupNearEnd(control);
        }
        return o - start;
    }

private:
    // A copy item at P: a run of one byte when the offset is 0, else a
    // match of 3 to 18 bytes.
    void CopyItem()
    {
        const qsizetype offset = qsizetype(p[0]) << 4 | p[1] >> 4;
        if (offset == 0) {
            if (end - p < 4)
                RaiseCut();
            const qsizetype length = (qsizetype(p[1]) << 8 | p[2]) + MinRun;
            if (limit - o < length)
                RaiseExpands();
            std::memset(o, p[3], size_t(length));
            o += length;
            p += 4;
            return;
        }
        const qsizetype length = (p[1] & 15) + MinMatch;
        if (limit - o < length)
            RaiseExpands();
        if (offset > o - start)
            RaiseBeforeStart(offset, o - start);
        const quint8* from = o - offset;
        if (offset >= 16) {
            // The sixteen bytes read lie before the sixteen written; the
            // last two of a longer match follow them.
            std::memcpy(o, from, 16);
            if (length > 16)
                std::memcpy(o + 16, from + 16, 2);
        } else if (offset >= 8) {
            // Each eight bytes read lie before the eight written.
            std::memcpy(o, from, 8);
            std::memcpy(o + 8, from + 8, 8);
            std::memcpy(o + 16, from + 16, 8);
        } else {
            // An overlapping copy repeats a pattern, byte by byte.
            for (qsizetype k = 0; k < length; ++k)
                o[k] = from[k];
        }
        o += length;
        p += 2;
    }

    // Sixteen items with at least GroupInput bytes of input left. Literal
    // items lie one byte each side by side in the input, so a row of them
    // (the items before the next copy) is copied in one step. The copies'
    // places are taken from the control word with its bits reversed, the
    // lowest set one cleared each time: that keeps the count of the zero
    // bits out of the chain of steps from one copy to the next.
    void WholeGroup(unsigned control)
    {
        std::uint32_t copies = Reversed16(control);
        qsizetype next = 0;
        if (limit - o >= GroupOutput) {
            // Past the first MaxOffset bytes no offset reaches before the start.
            if (o - start >= MaxOffset ? RoomyRows<true>(copies, next) : RoomyRows<false>(copies, next))
                return;
        }
        // Bit 16 marks the group's end.
        CheckedRows(copies | 1u << ItemsPerControlWord, next);
    }

    // The rows of a group while the output has room for the rest of it
    // without runs: no room checks, and a match of an offset from 16 up
    // to the output written so far is copied at once, anything else going
    // through CopyItem. FAR: at least MaxOffset bytes written, so every
    // offset lies within them. True at the group's end; false when a run
    // left too little room, COPIES and NEXT then telling where the group
    // stands.
    //
    // The row of literals after a copy is copied with it, in one step of
    // 16 bytes, and both positions are kept less the index of item NEXT:
    // a copy item then lies at base + its index on both sides, and a match
    // moves the bases by its own size alone. That keeps the count of the
    // literals out of the steps from one copy to the next. Each base stays
    // at or after its buffer's start, as every item before NEXT took a
    // byte at least.
    template <bool Far> bool RoomyRows(std::uint32_t& copies, qsizetype& next)
    {
        quint8* outBase = o - next;
        const quint8* inBase = p - next;
        std::memcpy(o, p, 16);
        while (copies != 0) {
            const std::size_t at = LowestSetBit(copies);
            copies &= copies - 1;
            const quint8* const item = inBase + at;
            quint8* const to = outBase + at;
            const unsigned word = qFromBigEndian<quint16>(item);
            const qsizetype offset = word >> 4;
            if (offset >= 16 && (Far || offset <= to - start)) {
                const std::size_t beyondMin = word & 15;
                const quint8* const from = to - offset;
                // The last two bytes are copied for every length: a test
                // on it goes either way at random.
                std::memcpy(to, from, 16);
                std::memcpy(to + 16, from + 16, 2);
                std::memcpy(to + MinMatch + beyondMin, item + 2, 16);
                outBase += MinMatch - 1 + beyondMin;
                inBase += 1;
                continue;
            }
            o = to;
            p = item;
            CopyItem();
            next = qsizetype(at) + 1;
            if (limit - o < GroupOutput)
                return false;
            std::memcpy(o, p, 16);
            outBase = o - next;
            inBase = p - next;
        }
        o = outBase + ItemsPerControlWord;
        p = inBase + ItemsPerControlWord;
        return true;
    }

    // The rows of a group from item NEXT on, each checked against the
    // output's room.
    void CheckedRows(std::uint32_t copies, qsizetype next)
    {
        for (;;) {
            const qsizetype at = LowestSetBit(copies);
            const qsizetype literals = at - next;
            if (limit - o < literals)
                RaiseExpands();
            std::memcpy(o, p, 16);
            o += literals;
            p += literals;
            if (at == ItemsPerControlWord)
                return;
            CopyItem();
            next = at + 1;
            copies &= copies - 1;
        }
    }

    // Item by item, stopping where the input ends.
    void GroupNearEnd(unsigned control)
    {
        for (int left = ItemsPerControlWord; left > 0 && p < end; --left, control <<= 1) {
            if (control & 0x8000) {
                if (end - p < 2)
                    RaiseCut();
                CopyItem();
            } else {
                if (o == limit)
                    RaiseExpands();
                *o++ = *p++;
            }
        }
    }

    const quint8* p;
    const quint8* const end;
    quint8* const start;
    quint8* o;
    quint8* const limit;
};

// Expands one block into OUT (LzrwChunkSize + CopySlack bytes); returns the
// byte count.
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
    return TLzrwExpander(in, n, out).Run();
}

// SOURCE as a plain buffer whose blocks can be expanded where they lie:
// null for any other device, and when TARGET writes into the same bytes,
// as growing them would move the block being read.
QBuffer* PlainSourceApart(QIODevice& source, QIODevice& target)
{
    QBuffer* const plain = PlainBuffer(source, QIODevice::ReadOnly);
    if (plain == nullptr || &source == &target)
        return nullptr;
    const QBuffer* const written = qobject_cast<const QBuffer*>(&target);
    return written != nullptr && &written->buffer() == &plain->buffer() ? nullptr : plain;
}

// The next N bytes of SOURCE (a chunk to compress, a block to expand):
// read in place from a plain buffer, else copied into WORK. Returns how
// many there were and points BLOCK at them.
qsizetype NextBlock(QIODevice& source, QBuffer* plain, QByteArray& work, qsizetype n, const quint8*& block)
{
    if (plain == nullptr) {
        block = reinterpret_cast<const quint8*>(work.constData());
        return ReadUpTo(source, work.data(), n);
    }
    const QByteArray& data = plain->data();
    const qint64 at = plain->pos();
    const qsizetype got = qsizetype(qBound<qint64>(0, data.size() - at, n));
    block = reinterpret_cast<const quint8*>(data.constData()) + at;
    plain->seek(at + got);
    return got;
}

// Expands a block straight into the end of a plain buffer that is written
// at its end, saving a copy of every chunk; false for any other target.
// Also false when the buffer's room ends within a chunk and its slack: a
// caller that reserved just the expanded size would otherwise have the
// whole buffer moved to make room for the last chunk's slack alone.
bool ExpandInPlace(QIODevice& target, const quint8* block, qsizetype n)
{
    QBuffer* plain = PlainBuffer(target, QIODevice::WriteOnly);
    if (plain == nullptr || plain->pos() != plain->buffer().size())
        return false;
    QByteArray& bytes = plain->buffer();
    const qsizetype at = bytes.size();
    const qsizetype room = bytes.capacity() - at;
    if (room > 0 && room < LzrwChunkSize + CopySlack)
        return false;
    bytes.resize(at + LzrwChunkSize + CopySlack);
    qsizetype size = 0;
    try {
        size = DecompressBlock(block, n, reinterpret_cast<quint8*>(bytes.data()) + at);
    } catch (...) {
        bytes.resize(at);
        throw;
    }
    bytes.resize(at + size);
    plain->seek(at + size);
    return true;
}

} // namespace

void CompressStream(QIODevice& source, QIODevice& target)
{
    TLzrwCompressor compressor;
    QBuffer* const plain = PlainBuffer(source, QIODevice::ReadOnly);
    QByteArray work(plain ? 0 : LzrwChunkSize, Qt::Uninitialized);
    QByteArray block(LzrwChunkSize + MaxOvershoot, Qt::Uninitialized);
    qsizetype got = 0;
    do {
        const quint8* chunk = nullptr;
        got = NextBlock(source, plain, work, LzrwChunkSize, chunk);
        if (got > 0) {
            const qsizetype length
                = compressor.CompressBlock(chunk, got, reinterpret_cast<quint8*>(block.data()));
            char header[4];
            qToLittleEndian(qint32(length), header);
            WriteAll(target, header, 4);
            WriteAll(target, block.constData(), length);
        }
    } while (got == LzrwChunkSize);
}

void DecompressStream(QIODevice& source, QIODevice& target)
{
    QBuffer* const plain = PlainSourceApart(source, target);
    QByteArray block(plain ? 0 : LzrwMaxBlockSize, Qt::Uninitialized);
    QByteArray chunk;
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
        const quint8* in = nullptr;
        const qsizetype read = NextBlock(source, plain, block, n, in);
        if (read < n)
            RaiseDamaged(QStringLiteral("block of %1 bytes cut after %2 bytes").arg(n).arg(read));
        if (ExpandInPlace(target, in, n))
            continue;
        if (chunk.isEmpty())
            chunk.resize(LzrwChunkSize + CopySlack);
        const qsizetype size = DecompressBlock(in, n, reinterpret_cast<quint8*>(chunk.data()));
        WriteAll(target, chunk.constData(), size);
    }
}

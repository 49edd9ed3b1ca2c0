#include "storage/Lzrw.h"
#include "storage/TrsException.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

QByteArray Compress(const QByteArray& data)
{
    QBuffer source;
    source.setData(data);
    source.open(QIODevice::ReadOnly);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    CompressStream(source, target);
    return target.data();
}

// Expands STREAM into OUT through a plain buffer over it.
void DecompressInto(const QByteArray& stream, QByteArray& out)
{
    QBuffer source;
    source.setData(stream);
    source.open(QIODevice::ReadOnly);
    QBuffer target(&out);
    target.open(QIODevice::WriteOnly);
    DecompressStream(source, target);
}

QByteArray Decompress(const QByteArray& stream)
{
    QByteArray out;
    DecompressInto(stream, out);
    return out;
}

QByteArray Block(const QByteArray& bytes)
{
    QByteArray stream(4, '\0');
    qToLittleEndian(qint32(bytes.size()), stream.data());
    return stream + bytes;
}

// Blanks between the digits are skipped.
QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray RandomBytes(QRandomGenerator& random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = static_cast<char>(random.bounded(256));
    return bytes;
}

QByteArray XmlLikeText(qsizetype size)
{
    QByteArray text;
    for (int i = 0; text.size() < size; ++i)
        text += "  <setting" + QByteArray::number(i % 97) + ">value " + QByteArray::number(i * 7919 % 1000)
            + "</setting" + QByteArray::number(i % 97) + ">\r\n";
    text.truncate(size);
    return text;
}

// The message of the TrsException that decompressing STREAM raises, or empty.
QString DecompressError(const QByteArray& stream)
{
    try {
        Decompress(stream);
    } catch (const TrsException& e) {
        return e.Message();
    }
    return {};
}

// Reads endless bytes and takes writes until a budget is spent; then both
// fail.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(qint64 budget)
        : FBudget(budget)
    {
        open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        if (FBudget < size)
            return -1;
        FBudget -= size;
        std::fill_n(data, size, 'x');
        return size;
    }
    qint64 writeData(const char*, qint64 size) override
    {
        if (FBudget < size)
            return -1;
        FBudget -= size;
        return size;
    }

private:
    qint64 FBudget;
};

} // namespace

// Devices the stream functions read and write: plain buffers are read and
// appended in place, every other device through copies; all must agree.
enum TDeviceKind { dkPlainBuffer, dkBufferSubclass, dkSequential };

class TBufferSubclass : public QBuffer { };

// Hands out its bytes a few at a time, as a pipe would.
class TTrickleDevice : public QIODevice {
public:
    explicit TTrickleDevice(QByteArray bytes)
        : FBytes(std::move(bytes))
    {
    }
    bool isSequential() const override { return true; }
    QByteArray Written;

protected:
    qint64 readData(char* data, qint64 size) override
    {
        const qint64 n = std::min<qint64>({ size, 1000, FBytes.size() - FAt });
        std::copy_n(FBytes.constData() + FAt, n, data);
        FAt += n;
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        Written.append(data, size);
        return size;
    }

private:
    QByteArray FBytes;
    qint64 FAt = 0;
};

// Runs TRANSFORM over INPUT read from position 3 of a device of KIND with
// three bytes before it, into a device of KIND that already holds "head"
// and is written from its end. Returns what was written after "head",
// also when TRANSFORM raises, and sets RAISED.
QByteArray Through(
    void (*transform)(QIODevice&, QIODevice&), const QByteArray& input, TDeviceKind kind, bool& raised)
{
    const QByteArray stored = "pre" + input;
    raised = false;
    const auto run = [&](QIODevice& source, QIODevice& target) {
        try {
            transform(source, target);
        } catch (const TrsException&) {
            raised = true;
        }
    };
    if (kind == dkSequential) {
        TTrickleDevice source(stored);
        source.open(QIODevice::ReadOnly);
        char skipped[3];
        source.read(skipped, 3);
        TTrickleDevice target({});
        target.open(QIODevice::WriteOnly);
        run(source, target);
        return target.Written;
    }
    std::unique_ptr<QBuffer> source(kind == dkPlainBuffer ? new QBuffer : new TBufferSubclass);
    std::unique_ptr<QBuffer> target(kind == dkPlainBuffer ? new QBuffer : new TBufferSubclass);
    source->setData(stored);
    source->open(QIODevice::ReadOnly);
    source->seek(3);
    target->setData("head");
    target->open(QIODevice::WriteOnly | QIODevice::Append);
    run(*source, *target);
    EXPECT_TRUE(target->data().startsWith("head"));
    EXPECT_EQ(target->pos(), target->data().size());
    return target->data().mid(4);
}

class LzrwDevices : public ::testing::TestWithParam<TDeviceKind> { };

TEST_P(LzrwDevices, EveryDeviceGivesTheSameStreamAndBytes)
{
    QRandomGenerator random(7);
    bool raised = false;
    for (const QByteArray& input : { QByteArray(), XmlLikeText(5), XmlLikeText(LzrwChunkSize),
             XmlLikeText(3 * LzrwChunkSize + 77), RandomBytes(random, LzrwChunkSize + 1) }) {
        const QByteArray packed = Compress(input);
        EXPECT_EQ(Through(CompressStream, input, GetParam(), raised), packed) << input.size();
        EXPECT_EQ(Through(DecompressStream, packed, GetParam(), raised), input) << input.size();
        EXPECT_FALSE(raised);
    }
}

// A block damaged after some of its items leaves the blocks before it
// written and nothing of its own.
TEST_P(LzrwDevices, DamageKeepsOnlyTheWholeBlocksBeforeIt)
{
    const QByteArray input = XmlLikeText(2 * LzrwChunkSize + 500);
    const QByteArray packed = Compress(input);
    const qsizetype first = 4 + qFromLittleEndian<qint32>(packed.constData());
    // Eight literals, then a copy from nine bytes back.
    const QByteArray damaged = packed.first(first) + Block(Hex("40 0080 4142434445464748 0090"));
    bool raised = false;
    EXPECT_EQ(Through(DecompressStream, damaged, GetParam(), raised), input.first(LzrwChunkSize));
    EXPECT_TRUE(raised);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LzrwDevices, ::testing::Values(dkPlainBuffer, dkBufferSubclass, dkSequential));

TEST(LzrwStream, FailingDevicesRaise)
{
    const auto errorOf = [](QIODevice& source, QIODevice& target) {
        try {
            CompressStream(source, target);
        } catch (const TrsException& e) {
            return e.Message();
        }
        return QString();
    };
    QBuffer source;
    source.setData(XmlLikeText(100000));
    source.open(QIODevice::ReadOnly);
    TFailingDevice target(5000);
    EXPECT_TRUE(errorOf(source, target).startsWith(u"Storage library error: Can't write LZRW data: "));
    TFailingDevice input(100000);
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    EXPECT_TRUE(errorOf(input, output).startsWith(u"Storage library error: Can't read LZRW data: "));
}

// One chunk's block as the format's rules choose it, every read checked: a
// run of 16 or more, else the hash slot's last position below 32768 if at
// most 4095 back and sharing three bytes or more, else a literal.
QByteArray ReferenceBlock(const QByteArray& chunk)
{
    const auto* in = reinterpret_cast<const quint8*>(chunk.constData());
    const qsizetype size = chunk.size();
    std::vector<qsizetype> last(4096, -1);
    QByteArray out = Hex("40");
    qsizetype control = 0, x = 0;
    for (unsigned items = 0; x < size && out.size() <= size; ++items) {
        if (items % 16 == 0)
            control = out.size(), out += Hex("0000");
        qsizetype run = 1, q = -1, m = 0;
        while (x + run < size && in[x + run] == in[x] && run < 4095)
            ++run;
        if (run < 16 && size - x >= 3) {
            const unsigned h = ((((in[x] << 4) ^ in[x + 1]) << 4 ^ in[x + 2]) * 40543u >> 4) & 4095;
            q = std::exchange(last[h], x < 32768 ? x : -1);
            while (q >= 0 && x - q <= 4095 && m < 18 && x + m < size && in[q + m] == in[x + m])
                ++m;
        }
        const bool copy = run >= 16 || m >= 3;
        const unsigned bits = copy ? 0x8000u >> items % 16 : 0,
                       item = run >= 16 ? run - 16 : (x - q) << 4 | (m - 3);
        out[control] = char(out[control] | bits >> 8);
        out[control + 1] = char(out[control + 1] | (bits & 255));
        const char pair[] = { char(item >> 8), char(item & 255) };
        out += run >= 16 ? QByteArray(1, '\0') + QByteArray(pair, 2) + char(in[x])
                         : (copy ? QByteArray(pair, 2) : QByteArray(1, char(in[x])));
        x += run >= 16 ? run : (copy ? m : 1);
    }
    return out.size() <= size ? out : Hex("80") + chunk;
}

// Runs of 15 to 17 bytes, matches of every length, offsets around 4095 and
// repeats of positions around 32768, ending 31 to 70 bytes before the chunk.
class LzrwChoices : public ::testing::TestWithParam<int> { };

TEST_P(LzrwChoices, BlocksAreTheFormatRulesChoices)
{
    QRandomGenerator random(GetParam());
    QByteArray input = XmlLikeText(32690 + random.bounded(100));
    while (input.size() < LzrwChunkSize - 31 - GetParam())
        input += random.bounded(3) ? input.right(1 + random.bounded(4200)).left(1 + random.bounded(20))
                                   : QByteArray(15 + random.bounded(3), char(random.bounded(3)));
    const QByteArray once = RandomBytes(random, 20);
    for (const QByteArray& in :
        { input, once + QByteArray(4075 + GetParam() % 3, '\1') + once + input.left(40) })
        EXPECT_EQ(Compress(in.left(LzrwChunkSize)), Block(ReferenceBlock(in.left(LzrwChunkSize))));
}

INSTANTIATE_TEST_SUITE_P(Seeds, LzrwChoices, ::testing::Range(0, 40));

TEST(LzrwBlock, ChunkThatDoesNotShrinkIsStoredOneByteLonger)
{
    QRandomGenerator random(1);
    const QByteArray data = RandomBytes(random, 1000);
    EXPECT_EQ(Compress(data), Block(Hex("80") + data));
    EXPECT_EQ(Compress("ab"), Block(Hex("80") + "ab"));
    EXPECT_EQ(Compress(QByteArray()), QByteArray());
}

TEST(LzrwBlock, RunOfFifteenIsALiteralAndAMatch)
{
    // Literal "a", then a match of 14 at offset 1; control bits 01.
    EXPECT_EQ(Compress(QByteArray(15, 'a')), Block(Hex("40 4000 61 001B")));
}

TEST(LzrwBlock, LongRunsAreSplitIntoRunItemsOfAtMost4095)
{
    EXPECT_EQ(Compress(QByteArray(16, 'b')), Block(Hex("40 8000 00000062")));
    EXPECT_EQ(Compress(QByteArray(4095, 'b')), Block(Hex("40 8000 000FEF62")));
    EXPECT_EQ(Compress(QByteArray(5000, 'b')), Block(Hex("40 C000 000FEF62 00037962")));
    EXPECT_EQ(Decompress(Compress(QByteArray(5000, 'b'))), QByteArray(5000, 'b'));
}

TEST(LzrwBlock, SeventeenItemsTakeASecondControlWord)
{
    // 17 distinct bytes do not shrink; a run after them does.
    QByteArray data;
    for (char c = 'A'; c < 'A' + 17; ++c)
        data += c;
    data += QByteArray(40, 'z');
    const QByteArray expected = Hex("40 0000") + data.left(16) + Hex("4000") + "Q" + Hex("0000187A");
    EXPECT_EQ(Compress(data), Block(expected));
    EXPECT_EQ(Decompress(Block(expected)), data);
}

TEST(LzrwStream, InputOfExactlyOneChunkGivesOneBlock)
{
    const QByteArray chunk = XmlLikeText(LzrwChunkSize);
    const QByteArray stream = Compress(chunk);
    const qint32 first = qFromLittleEndian<qint32>(stream.constData());
    EXPECT_EQ(stream.size(), 4 + first);
    EXPECT_EQ(Decompress(stream), chunk);

    const QByteArray longer = chunk + "x";
    const QByteArray twoBlocks = Compress(longer);
    EXPECT_EQ(twoBlocks.size(), 4 + first + 4 + 2);
    EXPECT_TRUE(twoBlocks.endsWith(Hex("02000000 80") + "x"));
    EXPECT_EQ(Decompress(twoBlocks), longer);
}

TEST(LzrwStream, PositionsBeyond32767AreNeverMatchCandidates)
{
    // The hash table keeps positions as 16-bit signed values, so a repeat
    // whose first occurrence lies at 32768 or later stays literal: the block
    // is as long as with a tail that does not repeat.
    const QByteArray prefix = XmlLikeText(32768);
    const QByteArray tail = Hex("F0F1F2F3F4F5F6");
    const QByteArray repeated = prefix + tail + tail;
    const QByteArray distinct = prefix + tail + Hex("E0E1E2E3E4E5E6");
    ASSERT_EQ(repeated.size(), LzrwChunkSize);
    EXPECT_EQ(Compress(repeated).size(), Compress(distinct).size());
    EXPECT_EQ(Decompress(Compress(repeated)), repeated);
    // Below that limit the repeat is a match.
    const QByteArray early = XmlLikeText(32700) + tail + tail;
    const QByteArray earlyDistinct = XmlLikeText(32700) + tail + Hex("E0E1E2E3E4E5E6");
    EXPECT_LT(Compress(early).size(), Compress(earlyDistinct).size());
}

TEST(LzrwStream, RandomAndTextualDataRoundTrip)
{
    QRandomGenerator random(42);
    for (const qsizetype size : { 1, 2, 3, 17, 4096, 32781, 32782, 32783, 70000, 100001 }) {
        const QByteArray noise = RandomBytes(random, size);
        EXPECT_EQ(Decompress(Compress(noise)), noise) << size;
        const QByteArray text = XmlLikeText(size);
        EXPECT_EQ(Decompress(Compress(text)), text) << size;
        QByteArray mixed = text;
        for (qsizetype i = 0; i < size; i += 1 + random.bounded(64))
            mixed[i] = static_cast<char>(random.bounded(4));
        EXPECT_EQ(Decompress(Compress(mixed)), mixed) << size;
    }
    EXPECT_LT(Compress(XmlLikeText(100000)).size(), 50000);
}

TEST(LzrwStream, ZeroLengthOrEndOfSourceEndsTheStream)
{
    EXPECT_EQ(Decompress(QByteArray()), QByteArray());
    EXPECT_EQ(Decompress(Block(Hex("80") + "ab") + Hex("00000000") + "garbage"), QByteArray("ab"));
}

TEST(LzrwStream, DamagedInputRaisesWithAClearReason)
{
    const QString prefix = QStringLiteral("Storage library error: Damaged LZRW stream: ");
    EXPECT_EQ(DecompressError(Hex("401F")), prefix + "block length cut after 2 bytes.");
    EXPECT_EQ(DecompressError(Hex("FFFFFFFF")), prefix + "block length -1 out of range.");
    EXPECT_EQ(DecompressError(Hex("10800000")), prefix + "block length 32784 out of range.");
    EXPECT_EQ(DecompressError(Hex("05000000 806162")), prefix + "block of 5 bytes cut after 3 bytes.");
    EXPECT_EQ(DecompressError(Block(Hex("41 0000 61"))), prefix + "unknown block kind 65.");
    EXPECT_EQ(
        DecompressError(Block(Hex("40 80"))), prefix + "compressed block of 2 bytes has no control word.");
    EXPECT_EQ(DecompressError(Block(Hex("40 8000 0013"))),
        prefix + "copy at offset 1 from output position 0 reaches before the start.");
    EXPECT_EQ(DecompressError(Block(Hex("40 4000 61 00"))), prefix + "item cut at the end of a block.");
    EXPECT_EQ(DecompressError(Block(Hex("40 0000 61626364616263646162636461626364 61"))),
        prefix + "item cut at the end of a block.");
    // Nine runs of 4111 bytes would pass the chunk size.
    QByteArray runs = Hex("40 FF80");
    for (int i = 0; i < 9; ++i)
        runs += Hex("000FFF61");
    EXPECT_EQ(DecompressError(Block(runs)), prefix + "block expands beyond 32782 bytes.");
}

TEST(LzrwStream, TruncatedOrFlippedStreamsRaiseOrDecodeWithinBounds)
{
    QRandomGenerator random(5);
    QByteArray text = XmlLikeText(40000);
    for (qsizetype i = 0; i < text.size(); i += 1 + random.bounded(200))
        text[i] = static_cast<char>(random.bounded(256));
    const QByteArray stream = Compress(text);
    const qint32 first = qFromLittleEndian<qint32>(stream.constData());
    for (qsizetype cut = 0; cut < stream.size(); cut += (cut < 64 || stream.size() - cut < 64) ? 1 : 97) {
        const QByteArray truncated = stream.left(cut);
        if (cut == 0 || cut == 4 + first)
            EXPECT_EQ(Decompress(truncated), text.left(cut == 0 ? 0 : LzrwChunkSize)) << cut;
        else
            EXPECT_FALSE(DecompressError(truncated).isEmpty()) << cut;
    }
    for (int trial = 0; trial < 2000; ++trial) {
        QByteArray damaged = stream;
        for (int flips = 1 + random.bounded(4); flips > 0; --flips)
            damaged[random.bounded(damaged.size())] ^= static_cast<char>(1 << random.bounded(8));
        try {
            // Every block needs a length and a kind byte and expands to one chunk at most.
            EXPECT_LE(Decompress(damaged).size(), (damaged.size() / 5 + 1) * LzrwChunkSize);
        } catch (const TrsException& e) {
            EXPECT_TRUE(e.Message().startsWith(u"Storage library error: ")) << qPrintable(e.Message());
        }
    }
}

// Damage inside a group expanded whole, with input and room to spare: a
// copy before the start, and matches passing the chunk after runs used up
// the room.
TEST(LzrwStream, DamageInsideAWholeGroupRaisesTheItemsReason)
{
    const QString prefix = QStringLiteral("Storage library error: Damaged LZRW stream: ");
    EXPECT_EQ(DecompressError(Block(Hex("40 0080 4142434445464748 0140 0000") + QByteArray(80, 'p'))),
        prefix + "copy at offset 20 from output position 8 reaches before the start.");
    // Runs of 7 x 4111 and 3905 bytes leave 100 bytes, then 18-byte matches.
    const QByteArray runs = Hex("40 FFFF") + Hex("000FFF61").repeated(7) + Hex("000F3161")
        + Hex("010F").repeated(8) + Hex("0000") + QByteArray(16, 'p') + Hex("0000") + QByteArray(14, 'p');
    EXPECT_EQ(DecompressError(Block(runs)), prefix + "block expands beyond 32782 bytes.");
}

// A target reserved for the expanded bytes keeps them where they are; a
// source and a target over one byte array get the bytes behind the stream.
TEST(LzrwStream, ReservedOrSharedTargetsGetTheBytes)
{
    const QByteArray text = XmlLikeText(2 * LzrwChunkSize + 100);
    const QByteArray stream = Compress(text) + Hex("00000000");
    QByteArray reserved;
    reserved.reserve(text.size());
    const char* const place = reserved.constData();
    DecompressInto(stream, reserved);
    EXPECT_EQ(reserved, text);
    EXPECT_EQ(reserved.constData(), place);

    QByteArray shared(stream.constData(), stream.size());
    QBuffer reader(&shared);
    QBuffer writer(&shared);
    reader.open(QIODevice::ReadOnly);
    writer.open(QIODevice::WriteOnly | QIODevice::Append);
    DecompressStream(reader, writer);
    EXPECT_EQ(shared, stream + text);
}

// Damaged binary streams: every prefix and flipped bytes of a section
// stream and of a several-block LZRW stream, and devices that fail part way
// through writing either.
#include "framework/Exception.h"
#include "storage/Lzrw.h"
#include "storage/TrsException.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"
#include "support/BrokenInput.h"

#include <QBuffer>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QString SectionLoadError
    = QStringLiteral("Storage library error: Can't load section \"\" from stream.");
const QString LzrwDamage = QStringLiteral("Storage library error: Damaged LZRW stream: ");

// A tree with a key of every type, nested sections and an empty key name.
void FillTree(TrsStorage& s)
{
    s.WriteString("\\mirovane3\\textcaption.Text", QStringLiteral("caf\u00e9 \u4e2d\U0001F600"));
    s.WriteString("\\mirovane3\\Empty", QString());
    s.WriteBuffer("\\mirovane3\\pdf\\Permissions", "\x00\x01\xfe\xff", 4);
    s.WriteInteger("\\mirovane3\\jpegquality.Value", -123456);
    s.WriteFloat("\\mirovane3\\resize.Ratio", 3.25e-7);
    s.WriteCurrency("\\mirovane3\\pdf\\Price", TCurrency { -98765432101LL });
    s.WriteDateTime("\\mirovane3\\pdf\\Created", TDateTime { 45123.75 });
    s.WriteBoolean("\\mirovane3\\pdf\\Encrypt", true);
    s.WritePoint("\\mirovane3\\pdf\\Placement\\Origin", QPoint(-3, 70000));
    s.WriteInt64("\\mirovane3\\pdf\\Placement\\Serial", -9000000000000000000LL);
    s.WritePointer("\\mirovane3\\pdf\\Placement\\Handle", 0xdeadbeefu);
    s.WriteString("\\mirovane3\\pdf\\", QStringLiteral("empty name"));
    s.SectionAdd("\\mirovane3\\Empty section\\Deeper");
}

// A key's text, or the error its conversion raises: a damaged stream may
// hold a date beyond the range that has a text.
QString KeyText(TrsKeyWrapper& key)
{
    try {
        return key.KeyType() == ktPointer ? QString::number(key.AsPointer()) : key.AsString();
    } catch (const Exception& e) {
        return QStringLiteral("raises ") + e.Message();
    }
}

// Sections and keys (path, type, text), sorted: section ids, and so the
// order of the arrays, depend on creation order.
QStringList DescribeSorted(TrsStorage& s)
{
    QStringList lines;
    for (int i = 0; i < s.SectionItemCount(); ++i)
        lines << QStringLiteral("section ") + s.GetSectionPath(i);
    const QString root = s.RootSection();
    s.SetRootSection(QString());
    for (int i = s.KeyFirst(); i >= 0; i = s.KeyNext()) {
        TrsKeyWrapper& key = s.KeyWrapper();
        lines
            << QStringLiteral("key %1 type %2 = %3").arg(key.FullName()).arg(key.KeyType()).arg(KeyText(key));
    }
    s.SetRootSection(root);
    lines.sort();
    return lines;
}

QByteArray SaveSection(TrsStorage& storage)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    storage.SectionSaveToStream(QString(), buffer);
    return buffer.data();
}

void LoadSection(TrsStorage& storage, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    storage.SectionLoadFromStream(QString(), buffer);
}

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

// Decompresses STREAM into OUT, which keeps what was written before an error.
void Decompress(const QByteArray& stream, QByteArray& out)
{
    QBuffer source;
    source.setData(stream);
    source.open(QIODevice::ReadOnly);
    QBuffer target(&out);
    target.open(QIODevice::WriteOnly);
    DecompressStream(source, target);
}

// About 70 KB of template-like text with stretches of noise, so that the
// stream has both compressed and stored blocks.
QByteArray MixedText()
{
    QByteArray text;
    quint32 noise = 12345;
    for (int i = 0; text.size() < 70000; ++i) {
        text += "  <setting" + QByteArray::number(i % 61) + ">value " + QByteArray::number(i * 7919 % 1000)
            + "</setting" + QByteArray::number(i % 61) + ">\r\n";
        if (i % 50 == 0) {
            for (int j = 0; j < 400; ++j) {
                noise = noise * 1103515245u + 12345u;
                text += char(noise >> 24);
            }
        }
    }
    return text;
}

// End offsets of the blocks of an LZRW stream.
std::vector<qsizetype> BlockEnds(const QByteArray& stream)
{
    std::vector<qsizetype> ends;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        at += 4 + qFromLittleEndian<qint32>(stream.constData() + at);
        ends.push_back(at);
    }
    return ends;
}

} // namespace

TEST(BrokenSectionStream, EveryPrefixRaisesTheLoadErrorAndKeepsTheRootSection)
{
    TrsStorage source;
    FillTree(source);
    const QByteArray stream = SaveSection(source);
    for (const qsizetype cut : CutLengths(stream.size(), 4000)) {
        TrsStorage target;
        target.SetRootSection("Elsewhere");
        const TLoadOutcome outcome = LoadOutcome([&] { LoadSection(target, stream.left(cut)); });
        const std::string where = "prefix of " + std::to_string(cut);
        EXPECT_TRUE(outcome.Foreign.empty()) << where << ": raised " << outcome.Foreign;
        // A stream already at its end loads nothing; any other cut raises.
        if (cut == 0 || cut == stream.size()) {
            EXPECT_TRUE(outcome.Loaded) << where;
        } else {
            EXPECT_EQ(outcome.Error, SectionLoadError) << where;
        }
        EXPECT_EQ(target.RootSection(), "Elsewhere") << where;
    }
    TrsStorage whole;
    LoadSection(whole, stream);
    EXPECT_EQ(DescribeSorted(whole), DescribeSorted(source));
}

TEST(BrokenSectionStream, FlippedBytesLoadATreeThatRoundTripsOrRaiseTheLoadError)
{
    TrsStorage source;
    FillTree(source);
    const QByteArray stream = SaveSection(source);
    for (const qsizetype at : TrialPositions(stream.size(), 4000)) {
        for (const char mask : { '\xff', '\x01' }) {
            QByteArray damaged = stream;
            damaged[at] = char(damaged[at] ^ mask);
            const std::string where = "byte " + std::to_string(at) + " xor " + std::to_string(quint8(mask));
            TrsStorage target;
            const TLoadOutcome outcome = LoadOutcome([&] { LoadSection(target, damaged); });
            ExpectLoadedOrOwnError(outcome, {}, where);
            if (!outcome.Loaded) {
                EXPECT_EQ(outcome.Error, SectionLoadError) << where;
                continue;
            }
            // Whatever a damaged stream loads must be a tree the storage can
            // save and load back unchanged.
            TrsStorage again;
            const TLoadOutcome reload = LoadOutcome([&] { LoadSection(again, SaveSection(target)); });
            EXPECT_TRUE(reload.Loaded) << where << ": " << reload.Error.toStdString() << reload.Foreign;
            EXPECT_EQ(DescribeSorted(again), DescribeSorted(target)) << where;
        }
    }
}

TEST(BrokenSectionStream, DeviceThatFailsAfterNBytesRaisesTheSaveError)
{
    TrsStorage source;
    FillTree(source);
    const QByteArray stream = SaveSection(source);
    for (const qint64 limit :
        { qint64(0), qint64(1), qint64(stream.size() / 2), qint64(stream.size() - 1) }) {
        TFailingDevice device(limit);
        const TLoadOutcome outcome = LoadOutcome([&] { source.SectionSaveToStream(QString(), device); });
        EXPECT_EQ(outcome.Error,
            "Storage library error: Can't save section \"\" to stream: " + TFailingDevice::ErrorText)
            << limit;
        EXPECT_TRUE(outcome.Foreign.empty()) << outcome.Foreign;
    }
    TFailingDevice exact(stream.size());
    source.SectionSaveToStream(QString(), exact);
    EXPECT_EQ(exact.Written, stream);
}

TEST(BrokenLzrwStream, EveryPrefixEndsAtABlockOrRaisesTheDamageError)
{
    const QByteArray text = MixedText();
    const QByteArray stream = Compress(text);
    const std::vector<qsizetype> ends = BlockEnds(stream);
    ASSERT_GE(ends.size(), 3u);
    ASSERT_EQ(ends.back(), stream.size());

    for (const qsizetype cut : CutLengths(stream.size(), 1500)) {
        const std::string where = "prefix of " + std::to_string(cut);
        QByteArray out;
        const TLoadOutcome outcome = LoadOutcome([&] { Decompress(stream.left(cut), out); });
        EXPECT_TRUE(outcome.Foreign.empty()) << where << ": raised " << outcome.Foreign;
        // Blocks before the cut decode whole; the cut one raises.
        const auto whole = std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin();
        EXPECT_EQ(out, text.left(whole * LzrwChunkSize)) << where;
        if (cut == 0 || std::find(ends.begin(), ends.end(), cut) != ends.end()) {
            EXPECT_TRUE(outcome.Loaded) << where << ": " << outcome.Error.toStdString();
        } else {
            EXPECT_TRUE(outcome.Error.startsWith(LzrwDamage)) << where << ": " << outcome.Error.toStdString();
        }
    }
    // Every block boundary, wherever the stepping fell.
    for (size_t block = 0; block < ends.size(); ++block) {
        QByteArray out;
        Decompress(stream.left(ends[block]), out);
        EXPECT_EQ(out, text.left(qsizetype(block + 1) * LzrwChunkSize)) << ends[block];
    }
}

TEST(BrokenLzrwStream, FlippedBytesDecodeWithinTheChunkBoundOrRaiseTheDamageError)
{
    const QByteArray text = MixedText();
    const QByteArray stream = Compress(text);
    for (const qsizetype at : TrialPositions(stream.size(), 1500)) {
        for (const char mask : { '\xff', '\x01' }) {
            QByteArray damaged = stream;
            damaged[at] = char(damaged[at] ^ mask);
            const std::string where = "byte " + std::to_string(at) + " xor " + std::to_string(quint8(mask));
            QByteArray out;
            const TLoadOutcome outcome = LoadOutcome([&] { Decompress(damaged, out); });
            ExpectLoadedOrOwnError(outcome, { "Storage library error: Damaged LZRW stream: " }, where);
            // Every block needs a length and a kind byte and expands to one chunk at most.
            EXPECT_LE(out.size(), (damaged.size() / 5 + 1) * LzrwChunkSize) << where;
        }
    }
}

TEST(BrokenLzrwStream, DeviceThatFailsAfterNBytesRaisesTheWriteError)
{
    const QByteArray text = MixedText();
    const QByteArray stream = Compress(text);
    const QString message
        = "Storage library error: Can't write LZRW data: " + TFailingDevice::ErrorText + '.';
    for (const qint64 limit :
        { qint64(0), qint64(3), qint64(4), qint64(stream.size() / 2), qint64(stream.size() - 1) }) {
        QBuffer source;
        source.setData(text);
        source.open(QIODevice::ReadOnly);
        TFailingDevice compressed(limit);
        const TLoadOutcome packing = LoadOutcome([&] { CompressStream(source, compressed); });
        EXPECT_EQ(packing.Error, message) << limit;
        EXPECT_EQ(compressed.Written, stream.left(limit)) << limit;

        QBuffer packed;
        packed.setData(stream);
        packed.open(QIODevice::ReadOnly);
        TFailingDevice unpacked(limit);
        const TLoadOutcome unpacking = LoadOutcome([&] { DecompressStream(packed, unpacked); });
        EXPECT_EQ(unpacking.Error, message) << limit;
        EXPECT_EQ(unpacked.Written, text.left(limit)) << limit;
        EXPECT_TRUE(packing.Foreign.empty() && unpacking.Foreign.empty())
            << packing.Foreign << unpacking.Foreign;
    }
}

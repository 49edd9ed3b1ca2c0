// Damaged XML storage files: every prefix and flipped bytes of a template
// and of its internal-file record, the template in every encoding the
// reader meets, and saves that fail part way through a device or at the
// file that should be replaced.
#include "backends/TrsXMLData.h"
#include "framework/FormatSettings.h"
#include "storage/Lzrw.h"
#include "storage/TrsException.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"
#include "support/BrokenInput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

const std::initializer_list<const char*> XmlErrorPrefixes
    = { "TrsXMLData parser error: ", "Storage library error: " };

// Opens the XML writer's stream entry point to the tests.
class TOpenXmlData : public TrsXMLData {
public:
    using TrsXMLData::TrsXMLData;

    // Writes the whole tree to DEVICE as a save does: from the top level,
    // with the storage's current section kept.
    void WriteTree(QIODevice& device)
    {
        TrsStorage& storage = *Storage();
        const QString root = storage.RootSection();
        storage.SetRootSection(QString());
        try {
            WriteToStream(device);
        } catch (...) {
            storage.SetRootSection(root);
            throw;
        }
        storage.SetRootSection(root);
    }
};

// A template as the product wrote them: keys of mixed types and forms in
// the top-level section "mirovane3" and in a nested section.
void FillTemplate(TrsStorage& s)
{
    s.WriteString("\\mirovane3\\textcaption.Text", QStringLiteral("caf\u00e9 5\u20ac <&> \"q\" 'a'"));
    s.WriteInteger("\\mirovane3\\jpegquality.Value", 85);
    s.WriteFloat("\\mirovane3\\resize.Ratio", 0.75);
    s.WriteBoolean("\\mirovane3\\pdf.Enabled", true);
    s.WriteString("\\mirovane3\\Caption", "bottom");
    s.SetKeyOptions("\\mirovane3\\Caption", kbValueAttribute);
    s.WriteBuffer("\\mirovane3\\pdf\\Permissions", "\x00\x01\xfe\xff\x7f", 5);
    s.WriteString("\\mirovane3\\pdf\\Owner.Password", QStringLiteral("s\u00e9cret"));
    s.WriteInteger("\\mirovane3\\pdf\\Placement\\Corner", 2);
    s.SetKeyOptions("\\mirovane3\\pdf\\Placement\\Corner", kbAttribute);
    s.WritePoint("\\mirovane3\\pdf\\Placement\\Origin", QPoint(-3, 70000));
    s.WriteInt64("\\mirovane3\\pdf\\Placement\\Serial", 9000000000000LL);
}

QByteArray SwapPairs(QByteArray bytes)
{
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

QByteArray ReadFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class BrokenXmlTemplate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        TFormatSettings fs;
        fs.DecimalSeparator = u'.';
        SetDefaultFormatSettings(fs);
        Data->SetFileDir(fdCustom);
        Data->SetOptions({});
        Data->SetFileName(Dir.filePath("template.xml"));
        Storage->SetStorageData(Data);
        FillTemplate(*Storage);
        // The reader takes its bytes from the load event, not from a file.
        ReaderData->SetOnLoadFromStream([this](TObject*, QBuffer& stream, bool&) { stream.write(Input); });
        Reader->SetStorageData(ReaderData);
    }
    void TearDown() override { SetDefaultFormatSettings(Saved); }

    QByteArray SaveTemplate(bool unicode)
    {
        Data->SetUnicode(unicode);
        Storage->Save();
        return ReadFile(Data->FullFileName());
    }
    // The template as UTF-16LE and UTF-16BE with their marks, and as 8-bit text.
    std::vector<std::pair<const char*, QByteArray>> EveryEncoding()
    {
        const QByteArray utf16 = SaveTemplate(true);
        return { { "UTF-16LE", utf16 }, { "UTF-16BE", SwapPairs(utf16) }, { "8-bit", SaveTemplate(false) } };
    }
    TLoadOutcome Load(const QByteArray& bytes)
    {
        Input = bytes;
        return LoadOutcome([this] { Reader->Load(); });
    }

    TFormatSettings Saved = DefaultFormatSettings();
    QTemporaryDir Dir;
    TComponent Owner;
    TrsStorage* Storage = new TrsStorage(&Owner);
    TOpenXmlData* Data = new TOpenXmlData(&Owner);
    TrsStorage* Reader = new TrsStorage(&Owner);
    TrsXMLData* ReaderData = new TrsXMLData(&Owner);
    QByteArray Input;
};

} // namespace

TEST_F(BrokenXmlTemplate, EveryPrefixLoadsOrRaisesTheParserError)
{
    const QStringList expected = Describe(*Storage);
    for (const auto& [name, file] : EveryEncoding()) {
        SCOPED_TRACE(name);
        for (const qsizetype cut : CutLengths(file.size(), 4000)) {
            const TLoadOutcome outcome = Load(file.left(cut));
            ExpectLoadedOrOwnError(outcome, XmlErrorPrefixes, "prefix of " + std::to_string(cut));
        }
        ASSERT_TRUE(Load(file).Loaded);
        EXPECT_EQ(Describe(*Reader), expected);
    }
}

TEST_F(BrokenXmlTemplate, FlippedBytesLoadOrRaiseTheParserError)
{
    for (const auto& [name, file] : EveryEncoding()) {
        SCOPED_TRACE(name);
        for (const qsizetype at : TrialPositions(file.size(), 4000)) {
            for (const char mask : { '\xff', '\x01' }) {
                QByteArray damaged = file;
                damaged[at] = char(damaged[at] ^ mask);
                const TLoadOutcome outcome = Load(damaged);
                ExpectLoadedOrOwnError(outcome, XmlErrorPrefixes,
                    "byte " + std::to_string(at) + " xor " + std::to_string(quint8(mask)));
            }
        }
    }
}

TEST_F(BrokenXmlTemplate, EveryEncodingWithAMarkOrEightBitsLoadsTheSameTree)
{
    const QByteArray utf16 = SaveTemplate(true);
    const QByteArray ansi = SaveTemplate(false);
    ASSERT_TRUE(utf16.startsWith("\xff\xfe"));
    ASSERT_FALSE(ansi.startsWith("\xff\xfe"));
    const QStringList expected = Describe(*Storage);

    struct TEncoding {
        const char* Name;
        QByteArray Bytes;
        bool Unicode;
    };
    for (const TEncoding& encoding : { TEncoding { "UTF-16LE with a mark", utf16, true },
             TEncoding { "UTF-16BE with a mark", SwapPairs(utf16), true },
             TEncoding { "8-bit", ansi, false } }) {
        SCOPED_TRACE(encoding.Name);
        Reader->ClearAll();
        const TLoadOutcome outcome = Load(encoding.Bytes);
        ASSERT_TRUE(outcome.Loaded) << outcome.Error.toStdString() << outcome.Foreign;
        EXPECT_EQ(Describe(*Reader), expected);
        EXPECT_EQ(ReaderData->IsUnicode(), encoding.Unicode);
    }

    // Without its mark UTF-16 reads as 8-bit text, whose zero bytes end the
    // first name; the old product's reader refuses such files the same way.
    const TLoadOutcome unmarked = Load(utf16.sliced(2));
    EXPECT_EQ(unmarked.Error, "TrsXMLData parser error: Unexpected end of file.");
    EXPECT_TRUE(unmarked.Foreign.empty()) << unmarked.Foreign;
}

TEST_F(BrokenXmlTemplate, DeviceThatFailsAfterNBytesRaisesAndKeepsTheBytesBeforeIt)
{
    // Enough keys that the writer's 4 KB buffer is flushed several times.
    for (int i = 0; i < 400; ++i)
        Storage->WriteInteger(QStringLiteral("\\mirovane3\\bulk\\setting%1.Value").arg(i), i * 7);
    const QString message
        = "Storage library error: Can't write the storage stream: " + TFailingDevice::ErrorText + '.';
    for (const bool unicode : { true, false }) {
        SCOPED_TRACE(unicode ? "UTF-16LE" : "8-bit");
        Data->SetUnicode(unicode);
        TFailingDevice roomy(1 << 30);
        Data->WriteTree(roomy);
        const QByteArray whole = roomy.Written;
        ASSERT_GT(whole.size(), 3 * 4096);
        EXPECT_EQ(whole, SaveTemplate(unicode));

        for (const qint64 limit : { qint64(0), qint64(1), qint64(4094), qint64(4095), qint64(4096),
                 qint64(4097), qint64(whole.size() / 2), qint64(whole.size() - 1) }) {
            TFailingDevice device(limit);
            const TLoadOutcome outcome = LoadOutcome([&] { Data->WriteTree(device); });
            EXPECT_EQ(outcome.Error, message) << limit;
            EXPECT_TRUE(outcome.Foreign.empty()) << outcome.Foreign;
            EXPECT_EQ(device.Written, whole.left(limit)) << limit;
        }
        TFailingDevice exact(whole.size());
        Data->WriteTree(exact);
        EXPECT_EQ(exact.Written, whole);
    }
}

TEST_F(BrokenXmlTemplate, SaveThatCannotReplaceItsTargetKeepsTheOldFileWhole)
{
    // A target that is a folder cannot be replaced by the finished file.
    const QString folder = Dir.filePath("taken.xml");
    ASSERT_TRUE(QDir(Dir.path()).mkdir("taken.xml"));
    WriteFile(folder + "/inside", "old");
    Data->SetFileName(folder);
    const TLoadOutcome taken = LoadOutcome([this] { Storage->Save(); });
    EXPECT_EQ(taken.Error, "Cannot create file \"" + folder + "\". Filename refers to a directory");
    EXPECT_EQ(ReadFile(folder + "/inside"), "old");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ "taken.xml" }));

    // A save the writer gives up half way leaves the previous file as it was.
    Data->SetFileName(Dir.filePath("template.xml"));
    const QByteArray old = SaveTemplate(true);
    Storage->WriteString("\\mirovane3\\zz\\a b", "late");
    const TLoadOutcome refused = LoadOutcome([this] { Storage->Save(); });
    EXPECT_EQ(
        refused.Error, "Storage library error: Can't save key name \"a b\": names may not contain blanks.");
    EXPECT_EQ(ReadFile(Data->FullFileName()), old);
}

TEST_F(BrokenXmlTemplate, InternalFileRecordCutOrFlippedIsRefusedOrLoadsAsATemplate)
{
    // A template large enough that its LZRW stream has several blocks.
    for (int i = 0; i < 700; ++i)
        Storage->WriteInteger(QStringLiteral("\\mirovane3\\bulk\\setting%1.Value").arg(i), i * 7);
    const QByteArray file = SaveTemplate(true);
    ASSERT_GT(file.size(), 2 * LzrwChunkSize);
    Data->InternalFile().buffer() = file;
    QBuffer packed;
    packed.open(QIODevice::ReadWrite);
    Data->WriteInternalFile(packed);
    const QByteArray record = packed.data();

    const QByteArray before = "the internal file before";
    const auto readRecord = [&](const QByteArray& bytes) {
        ReaderData->InternalFile().buffer() = before;
        QBuffer source;
        source.setData(bytes);
        source.open(QIODevice::ReadOnly);
        return LoadOutcome([&] { ReaderData->ReadInternalFile(source); });
    };
    // A record cut anywhere is refused and leaves the internal file alone.
    for (const qsizetype cut : CutLengths(record.size() - 1, 1500)) {
        const TLoadOutcome outcome = readRecord(record.left(cut));
        const std::string where = "prefix of " + std::to_string(cut);
        ExpectLoadedOrOwnError(outcome, { "Storage library error: " }, where);
        EXPECT_FALSE(outcome.Loaded) << where;
        EXPECT_EQ(ReaderData->InternalFile().data(), before) << where;
    }
    ASSERT_TRUE(readRecord(record).Loaded);
    EXPECT_EQ(ReaderData->InternalFile().data(), file);

    // A flipped record is refused, or what it unpacks to loads as a
    // template or raises the parser's error.
    ReaderData->SetOnLoadFromStream(nullptr);
    ReaderData->SetFileDir(fdCustom);
    ReaderData->SetOptions({});
    ReaderData->SetFileName(Dir.filePath("none.xml"));
    ReaderData->SetInternalFileLoad(iflAlways);
    for (const qsizetype at : TrialPositions(record.size(), 400)) {
        QByteArray damaged = record;
        damaged[at] = char(damaged[at] ^ 0x01);
        const std::string where = "byte " + std::to_string(at);
        const TLoadOutcome reading = readRecord(damaged);
        ExpectLoadedOrOwnError(reading, { "Storage library error: " }, where);
        if (!reading.Loaded) {
            EXPECT_EQ(ReaderData->InternalFile().data(), before) << where;
            continue;
        }
        ExpectLoadedOrOwnError(LoadOutcome([this] { Reader->Load(); }), XmlErrorPrefixes, where);
        // The load parses a copy: the internal file stays as it was read.
        EXPECT_EQ(ReaderData->InternalFile().pos(), 0) << where;
    }
}

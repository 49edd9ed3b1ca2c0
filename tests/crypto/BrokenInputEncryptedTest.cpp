// Damaged encrypted templates: every prefix and flipped bytes of the XML
// storage file that holds the cipher buffer of a whole tree, loaded through
// the updater's encryptor, and of the cipher buffer itself.
#include "backends/TrsXMLData.h"
#include "crypto/TrsAesEncryptor.h"
#include "framework/FormatSettings.h"
#include "storage/TrsException.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"
#include "support/BrokenInput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString UpdaterKey = QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr");
const QString SectionLoadError
    = QStringLiteral("Storage library error: Can't load section \"\" from stream.");

// The updater's configuration: the whole tree, AES-256 in ECB.
TrsAesEncryptor* UpdaterEncryptor(TComponent* owner)
{
    auto* encryptor = new TrsAesEncryptor(owner);
    encryptor->SetEncryptAll(true);
    encryptor->SetMode(cmECB);
    encryptor->SetKeyBits(ck256);
    encryptor->SetKey(UpdaterKey);
    return encryptor;
}

void FillTemplate(TrsStorage& s)
{
    s.WriteString("\\mirovane3\\textcaption.Text", QStringLiteral("caf\u00e9 \u65e5\u672c <&>"));
    s.WriteInteger("\\mirovane3\\jpegquality.Value", 85);
    s.WriteFloat("\\mirovane3\\resize.Ratio", 0.75);
    s.WriteBoolean("\\mirovane3\\pdf.Enabled", true);
    s.WriteBuffer("\\mirovane3\\pdf\\Permissions", "\x00\x01\xfe\xff\x7f", 5);
    s.WritePoint("\\mirovane3\\pdf\\Placement\\Origin", QPoint(-3, 70000));
    s.WriteInt64("\\mirovane3\\pdf\\Placement\\Serial", 9000000000000LL);
}

class BrokenEncryptedTemplate : public ::testing::Test {
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
        Storage->SetEncryptor(UpdaterEncryptor(&Owner));
        FillTemplate(*Storage);
        Expected = Describe(*Storage);
        ReaderData->SetOnLoadFromStream([this](TObject*, QBuffer& stream, bool&) { stream.write(Input); });
        Reader->SetStorageData(ReaderData);
        Reader->SetEncryptor(UpdaterEncryptor(&Owner));
    }
    void TearDown() override { SetDefaultFormatSettings(Saved); }

    QByteArray SaveTemplate(bool unicode)
    {
        Data->SetUnicode(unicode);
        Storage->Save();
        QFile file(Data->FullFileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    TrsXMLData* Data = new TrsXMLData(&Owner);
    TrsStorage* Reader = new TrsStorage(&Owner);
    TrsXMLData* ReaderData = new TrsXMLData(&Owner);
    QByteArray Input;
    QStringList Expected;
};

const std::initializer_list<const char*> ErrorPrefixes
    = { "TrsXMLData parser error: ", "Storage library error: " };

} // namespace

TEST_F(BrokenEncryptedTemplate, EveryPrefixLoadsOrRaisesTheSystemsError)
{
    for (const bool unicode : { true, false }) {
        SCOPED_TRACE(unicode ? "UTF-16LE" : "8-bit");
        const QByteArray file = SaveTemplate(unicode);
        ASSERT_FALSE(file.contains("mirovane3"));
        for (const qsizetype cut : CutLengths(file.size(), 3000))
            ExpectLoadedOrOwnError(Load(file.left(cut)), ErrorPrefixes, "prefix of " + std::to_string(cut));
        const TLoadOutcome whole = Load(file);
        ASSERT_TRUE(whole.Loaded) << whole.Error.toStdString() << whole.Foreign;
        EXPECT_EQ(Describe(*Reader), Expected);
    }
}

TEST_F(BrokenEncryptedTemplate, FlippedBytesLoadOrRaiseTheSystemsError)
{
    for (const bool unicode : { true, false }) {
        SCOPED_TRACE(unicode ? "UTF-16LE" : "8-bit");
        const QByteArray file = SaveTemplate(unicode);
        for (const qsizetype at : TrialPositions(file.size(), 3000)) {
            for (const char mask : { '\xff', '\x01' }) {
                QByteArray damaged = file;
                damaged[at] = char(damaged[at] ^ mask);
                ExpectLoadedOrOwnError(Load(damaged), ErrorPrefixes,
                    "byte " + std::to_string(at) + " xor " + std::to_string(quint8(mask)));
            }
        }
    }
}

TEST_F(BrokenEncryptedTemplate, DamagedCipherBufferRaisesTheSectionStreamError)
{
    // The one key's bytes, cut or flipped, written back as a well-formed file:
    // the damage reaches the cipher and the section stream, not the parser.
    SaveTemplate(true);
    TrsStorage raw;
    auto* rawData = new TrsXMLData(&Owner);
    rawData->SetFileDir(fdCustom);
    rawData->SetOptions({});
    rawData->SetFileName(Data->FullFileName());
    rawData->SetUnicode(true);
    raw.SetStorageData(rawData);
    raw.Load();
    ASSERT_EQ(raw.KeyItemCount(), 1);
    QByteArray sealed(raw.ReadBuffer("\\", nullptr, 0), '\0');
    raw.ReadBuffer("\\", sealed.data(), int(sealed.size()));
    ASSERT_GT(sealed.size(), 4 + 16);

    // The file is taken from the save event instead of the disk.
    QByteArray saved;
    rawData->SetOnSaveToStream([&](TObject*, QBuffer& stream, bool&) { saved = stream.data(); });
    const auto fileOf = [&](const QByteArray& buffer) {
        raw.ClearAll();
        raw.WriteBuffer("\\", buffer.constData(), int(buffer.size()));
        raw.Save();
        return saved;
    };
    // Cut lengths that are not a whole number of blocks plus the length word
    // are refused by the cipher; the others decipher to a cut stream. A key
    // shorter than the length word may have hex text of decimal digits only,
    // which the file's text typing reads as a number: the tree then holds no
    // cipher text and stays as loaded.
    for (qsizetype cut = 1; cut < sealed.size(); ++cut) {
        const TLoadOutcome outcome = Load(fileOf(sealed.left(cut)));
        if (cut < 4) {
            ExpectLoadedOrOwnError(outcome, { "Storage library error: " }, "cut " + std::to_string(cut));
            continue;
        }
        EXPECT_TRUE(outcome.Foreign.empty()) << cut << ": raised " << outcome.Foreign;
        EXPECT_EQ(outcome.Error, SectionLoadError) << cut;
    }
    for (qsizetype at = 0; at < sealed.size(); ++at) {
        for (const char mask : { '\xff', '\x01' }) {
            QByteArray damaged = sealed;
            damaged[at] = char(damaged[at] ^ mask);
            const TLoadOutcome outcome = Load(fileOf(damaged));
            ExpectLoadedOrOwnError(outcome, { "Storage library error: Can't load section \"\" from stream." },
                "byte " + std::to_string(at) + " xor " + std::to_string(quint8(mask)));
        }
    }
}

TEST_F(BrokenEncryptedTemplate, SaveThatCannotReplaceItsTargetKeepsTheOldFileWhole)
{
    const QByteArray old = SaveTemplate(true);
    // Replace the file by a folder of the same name holding the old bytes.
    const QString name = Data->FullFileName();
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QDir().mkdir(name));
    {
        QFile inside(name + "/inside");
        ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
        inside.write(old);
    }
    const TLoadOutcome outcome = LoadOutcome([this] { Storage->Save(); });
    EXPECT_EQ(outcome.Error, "Cannot create file \"" + name + "\". Filename refers to a directory");
    EXPECT_TRUE(outcome.Foreign.empty()) << outcome.Foreign;
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ "template.xml" }));
    QFile inside(name + "/inside");
    ASSERT_TRUE(inside.open(QIODevice::ReadOnly));
    const QByteArray kept = inside.readAll();
    EXPECT_EQ(kept, old);
    const TLoadOutcome reload = Load(kept);
    ASSERT_TRUE(reload.Loaded) << reload.Error.toStdString() << reload.Foreign;
    EXPECT_EQ(Describe(*Reader), Expected);
}

#include "crypto/TrsAesEncryptor.h"
#include "AesTestSupport.h"
#include "backends/TrsXMLData.h"
#include "framework/PropertyAccess.h"
#include "storage/EncryptorTestSupport.h"
#include "storage/TrsException.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

const QString kUpdaterKey = QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr");

// Opens the buffer operations to the tests.
class TOpenAesEncryptor : public TrsAesEncryptor {
public:
    using TrsAesEncryptor::DecryptBuffer;
    using TrsAesEncryptor::DecryptedSize;
    using TrsAesEncryptor::EncryptBuffer;
    using TrsAesEncryptor::EncryptedSize;
    using TrsAesEncryptor::TrsAesEncryptor;
};

// The updater's configuration: the whole tree, AES-256 in ECB.
TrsAesEncryptor* UpdaterEncryptor(TComponent* owner)
{
    auto* encryptor = new TrsAesEncryptor(owner);
    encryptor->SetEncryptAll(true);
    encryptor->SetMode(cmECB);
    encryptor->SetKeyBits(ck256);
    encryptor->SetKey(kUpdaterKey);
    return encryptor;
}

void FillSample(TrsStorage& storage)
{
    storage.WriteString(QStringLiteral("\\mirovane3\\jpegquality.Value"), QStringLiteral("85"));
    storage.WriteString(
        QStringLiteral("\\mirovane3\\textcaption.Text"), QStringLiteral("caf\u00e9 \u65e5\u672c"));
    storage.WriteInteger(QStringLiteral("\\mirovane3\\Inner\\Count"), 17);
    storage.WriteFloat(QStringLiteral("\\Ratio"), 0.25);
    storage.WriteBuffer(QStringLiteral("\\Blob"), "\x01\x02\x03\x04\x05", 5);
}

QByteArray SectionStream(TrsStorage& storage)
{
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    storage.SectionSaveToStream(QString(), stream);
    return stream.data();
}

QString FileText(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xff\xfe"))
        return QString::fromUtf16(
            reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    return QString::fromLatin1(bytes);
}

} // namespace

TEST(TrsAesEncryptor, ModeAndKeyBitsArePublishedWithTheirValueNames)
{
    TrsAesEncryptor encryptor;
    const QMetaProperty mode = GetPropInfo(&encryptor, u"Mode");
    const QMetaProperty keyBits = GetPropInfo(&encryptor, u"KeyBits");
    ASSERT_EQ(PropKind(mode), tkEnumeration);
    ASSERT_EQ(PropKind(keyBits), tkEnumeration);
    EXPECT_EQ(GetEnumNames(mode), (QStringList { "cmECB", "cmCBC" }));
    EXPECT_EQ(GetEnumNames(keyBits), (QStringList { "ck128", "ck192", "ck256" }));
    EXPECT_EQ(GetEnumValue(mode, u"cmCBC"), 1);
    EXPECT_TRUE(SetOrdProp(&encryptor, mode, 1));
    EXPECT_EQ(encryptor.Mode(), cmCBC);
    EXPECT_TRUE(SetOrdProp(&encryptor, keyBits, GetEnumValue(keyBits, u"ck256")));
    EXPECT_EQ(encryptor.KeyBits(), ck256);
    EXPECT_EQ(GetEnumName(keyBits, GetOrdProp(&encryptor, keyBits)), "ck256");
    EXPECT_FALSE(SetOrdProp(&encryptor, keyBits, 3)) << "no key size has that ordinal";
    EXPECT_EQ(encryptor.KeyBits(), ck256);
}

TEST(TrsAesEncryptor, SizesFollowTheCipherBuffer)
{
    TOpenAesEncryptor encryptor;
    EXPECT_EQ(encryptor.Mode(), cmECB);
    EXPECT_EQ(encryptor.KeyBits(), ck128);
    EXPECT_TRUE(encryptor.Key().isEmpty());
    EXPECT_EQ(encryptor.EncryptedSize(0), 0);
    EXPECT_EQ(encryptor.EncryptedSize(1), 20);
    EXPECT_EQ(encryptor.EncryptedSize(16), 20);
    EXPECT_EQ(encryptor.EncryptedSize(17), 36);
    EXPECT_EQ(encryptor.DecryptedSize(36), 36);

    QByteArray buffer = RandomBytes(17, 8) + QByteArray(19, '\0');
    const QByteArray plain = buffer.left(17);
    EXPECT_EQ(encryptor.EncryptBuffer(buffer.data(), 17), 36);
    EXPECT_EQ(qFromLittleEndian<qint32>(buffer.constData()), 17);
    EXPECT_EQ(encryptor.DecryptBuffer(buffer.data(), 36), 17);
    EXPECT_EQ(buffer.left(17), plain);

    QByteArray damaged = QByteArray::fromHex("10000000") + RandomBytes(32, 9); // L = 16, two blocks
    EXPECT_LT(encryptor.DecryptBuffer(damaged.data(), int(damaged.size())), 0);
    EXPECT_EQ(encryptor.DecryptBuffer(damaged.data(), 35), 0);
    EXPECT_LT(encryptor.EncryptBuffer(damaged.data(), 0), 0);
}

TEST_P(AesPathTest, UpdaterTreeKeyIsTheCipherBufferOfTheTreesSectionStream)
{
    TComponent owner;
    auto* storage = new TrsStorage(&owner);
    auto* data = new TMemoryStorageData(&owner);
    storage->SetStorageData(data);
    storage->SetEncryptor(UpdaterEncryptor(&owner));
    FillSample(*storage);
    const QByteArray plainStream = SectionStream(*storage);
    const QStringList plain = TreeDump(*storage);
    storage->Save();
    EXPECT_EQ(TreeDump(*storage), plain);

    // Read as any reader of the old product's files would: AES-256 ECB
    // under the first 32 bytes of the key text, the first L bytes kept.
    TrsStorage raw;
    raw.SetStorageData(data);
    raw.Load();
    ASSERT_EQ(raw.KeyItemCount(), 1);
    QByteArray sealed(raw.ReadBuffer(QStringLiteral("\\"), nullptr, 0), '\0');
    raw.ReadBuffer(QStringLiteral("\\"), sealed.data(), int(sealed.size()));
    EXPECT_EQ(qFromLittleEndian<qint32>(sealed.constData()), plainStream.size());
    EXPECT_EQ(sealed.size(), 4 + 16 * ((plainStream.size() + 15) / 16));
    TAESChipher reference;
    reference.SetKeyBits(ck256);
    reference.SetKey(kUpdaterKey.left(32));
    EXPECT_EQ(reference.StringDecrypt(sealed), plainStream);

    auto* reader = new TrsStorage(&owner);
    reader->SetStorageData(data);
    reader->SetEncryptor(UpdaterEncryptor(&owner));
    reader->Load();
    EXPECT_EQ(TreeDump(*reader), plain);
}

TEST(TrsAesEncryptor, EncryptedXmlFileHoldsOnlyTheEmptyNameElement)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TComponent owner;
    auto* data = new TrsXMLData(&owner);
    data->SetFileDir(fdCustom);
    data->SetFileName(dir.filePath(QStringLiteral("template.xml")));
    auto* storage = new TrsStorage(&owner);
    storage->SetStorageData(data);
    storage->SetEncryptor(UpdaterEncryptor(&owner));
    FillSample(*storage);
    const QStringList plain = TreeDump(*storage);
    storage->Save();

    const QString text = FileText(data->FullFileName());
    EXPECT_FALSE(text.contains(QStringLiteral("<mirovane3>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<>"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("</>"))) << text.toStdString();

    auto* reader = new TrsStorage(&owner);
    reader->SetStorageData(data);
    reader->SetEncryptor(UpdaterEncryptor(&owner));
    reader->Load();
    EXPECT_EQ(TreeDump(*reader), plain);

    // The same file with a wrong key: wrong bytes, caught by the stream.
    auto* wrong = new TrsStorage(&owner);
    auto* wrongKey = UpdaterEncryptor(&owner);
    wrongKey->SetKey(QStringLiteral("not the key"));
    wrong->SetStorageData(data);
    wrong->SetEncryptor(wrongKey);
    try {
        wrong->Load();
        ADD_FAILURE() << "a wrong key loaded";
    } catch (const TrsException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Storage library error: Can't load section \"\" from stream."));
    }

    // A plain file loads through the encrypting storage as it does without
    // one (the file's text form decides some key types).
    storage->SetEncryptor(nullptr);
    storage->Save();
    EXPECT_TRUE(FileText(data->FullFileName()).contains(QStringLiteral("<mirovane3>")));
    storage->Load();
    reader->Load();
    EXPECT_EQ(TreeDump(*reader), TreeDump(*storage));
    EXPECT_EQ(reader->SectionItemCount(), 2);
}

TEST_P(AesPathTest, EncipheredKeysComeBackWithTheirTypesInBothModes)
{
    for (TAESChipherMode mode : { cmECB, cmCBC }) {
        TComponent owner;
        auto* storage = new TrsStorage(&owner);
        auto* data = new TMemoryStorageData(&owner);
        auto* encryptor = new TrsAesEncryptor(&owner);
        encryptor->SetMode(mode);
        encryptor->SetKey(QStringLiteral("per-key secret"));
        encryptor->SetEncryptKeys({ QStringLiteral("\\mirovane3\\textcaption.Text"),
            QStringLiteral("mirovane3\\Inner"), QStringLiteral("Ratio"), QStringLiteral("\\Blob") });
        storage->SetStorageData(data);
        storage->SetEncryptor(encryptor);
        FillSample(*storage);
        const QStringList plain = TreeDump(*storage);
        storage->Save();
        EXPECT_EQ(TreeDump(*storage), plain);
        storage->ClearAll();
        storage->Load();
        EXPECT_EQ(TreeDump(*storage), plain) << mode;

        // Deterministic: the enciphered key can be compared with a text.
        encryptor->DoEncryptKey(QStringLiteral("\\mirovane3\\textcaption.Text"));
        EXPECT_TRUE(encryptor->IsSameEncryptedKey(
            QStringLiteral("\\mirovane3\\textcaption.Text"), QStringLiteral("caf\u00e9 \u65e5\u672c")));
        EXPECT_EQ(encryptor->GetDecryptedValue(
                      storage->ReadString(QStringLiteral("\\mirovane3\\textcaption.Text"), QString())),
            QStringLiteral("caf\u00e9 \u65e5\u672c"));
    }
}

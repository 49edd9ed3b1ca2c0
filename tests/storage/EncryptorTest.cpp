#include "EncryptorTestSupport.h"

#include "storage/Base64.h"
#include "storage/TrsException.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// An owner with a storage, its in-memory data and a toy encryptor.
struct TFixture {
    TComponent Owner;
    TrsStorage* Storage = new TrsStorage(&Owner);
    TMemoryStorageData* Data = new TMemoryStorageData(&Owner);
    TXorEncryptor* Encryptor = new TXorEncryptor(&Owner);

    TFixture()
    {
        Storage->SetStorageData(Data);
        Storage->SetEncryptor(Encryptor);
    }

    void FillSample()
    {
        Storage->WriteString(QStringLiteral("\\Text"), QStringLiteral("h\u00e9llo \u043c\u0438\u0440"));
        Storage->WriteInteger(QStringLiteral("\\Count"), -42);
        Storage->WriteFloat(QStringLiteral("\\Options\\Ratio"), 2.5);
        Storage->WriteBuffer(QStringLiteral("\\Options\\Blob"), "\x00\x01\xff", 3);
        Storage->WriteBoolean(QStringLiteral("\\Options\\Deep\\On"), true);
        Storage->WriteString(QStringLiteral("\\Other\\Name"), QStringLiteral("plain"));
    }

    // The saved image read back without any encryptor.
    std::unique_ptr<TrsStorage> RawImage()
    {
        auto raw = std::make_unique<TrsStorage>();
        raw->SetStorageData(Data);
        raw->Load();
        return raw;
    }
};

QString Message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TrsException& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

TEST(Encryptor, WholeTreeSavedAndLoadedGivesTheSameTree)
{
    TFixture f;
    f.Encryptor->SetEncryptAll(true);
    f.FillSample();
    f.Storage->SetRootSection(QStringLiteral("Options"));
    const QStringList before = TreeDump(*f.Storage);
    f.Storage->Save();
    EXPECT_EQ(TreeDump(*f.Storage), before) << "the tree is plain again after the save";
    EXPECT_TRUE(f.Storage->RootSection().isEmpty()) << "the top level stays current";

    auto raw = f.RawImage();
    EXPECT_EQ(raw->SectionItemCount(), 0);
    ASSERT_EQ(raw->KeyItemCount(), 1);
    EXPECT_EQ(raw->GetKeyItem(0)->Name, QString());
    EXPECT_EQ(raw->KeyType(QStringLiteral("\\")), ktBuffer);

    f.Storage->ClearAll();
    f.Storage->Load();
    EXPECT_EQ(TreeDump(*f.Storage), before);

    // An empty tree still saves one key: the 8 zero bytes of its stream,
    // through the toy cipher.
    f.Storage->ClearAll();
    f.Storage->Save();
    QByteArray bytes(64, '\0');
    bytes.truncate(f.RawImage()->ReadBuffer(QStringLiteral("\\"), bytes.data(), int(bytes.size())));
    EXPECT_EQ(bytes, QByteArray::fromHex("08000000") + QByteArray(8, char(0x5a)));
}

TEST(Encryptor, PlainTreeLoadsUnchangedThroughAnEncryptingStorage)
{
    TFixture f;
    f.FillSample();
    f.Storage->SetEncryptor(nullptr);
    f.Storage->Save();
    const QStringList plain = TreeDump(*f.Storage);
    f.Storage->SetEncryptor(f.Encryptor);
    f.Encryptor->SetEncryptAll(true);
    f.Storage->Load();
    EXPECT_EQ(TreeDump(*f.Storage), plain);
}

TEST(Encryptor, WrongKeyOrRejectedCipherTextRaisesTheSectionStreamError)
{
    TFixture f;
    f.Encryptor->SetEncryptAll(true);
    f.FillSample();
    f.Storage->Save();
    f.Encryptor->KeyByte = 0x33;
    EXPECT_EQ(Message([&] { f.Storage->Load(); }),
        QStringLiteral("Storage library error: Can't load section \"\" from stream."));
    f.Encryptor->KeyByte = 0x5a;
    f.Storage->Load();

    // Cipher text the cipher refuses leaves the tree as loaded, not emptied.
    const QStringList enciphered = TreeDump(*f.RawImage());
    for (int result : { 0, -1, -4 }) {
        f.Encryptor->DecryptResult = result;
        EXPECT_EQ(Message([&] { f.Storage->Load(); }),
            QStringLiteral("Storage library error: Can't load section \"\" from stream."));
        EXPECT_EQ(TreeDump(*f.Storage), enciphered) << result;
    }

    f.Encryptor->DecryptResult = 1;
    f.Storage->Load();
    f.Encryptor->SetEncryptAll(false);
    f.Encryptor->SetEncryptKeys({ QStringLiteral("Options") });
    f.Storage->Save();
    f.Encryptor->DecryptResult = -1;
    EXPECT_EQ(Message([&] { f.Storage->Load(); }),
        QStringLiteral("Storage library error: Can't load section \"\\Options\" from stream."));
    EXPECT_EQ(TreeDump(*f.Storage), TreeDump(*f.RawImage()));
}

TEST(Encryptor, RefusingCipherStopsTheSaveWithoutLosingTheTree)
{
    TFixture f;
    f.FillSample();
    const QStringList plain = TreeDump(*f.Storage);
    f.Encryptor->RefuseEncrypt = true;
    f.Encryptor->SetEncryptAll(true);
    EXPECT_FALSE(Message([&] { f.Storage->Save(); }).isEmpty());
    EXPECT_EQ(TreeDump(*f.Storage), plain);
    EXPECT_TRUE(f.Data->Image.isEmpty()) << "nothing reached the storage data";

    f.Encryptor->SetEncryptAll(false);
    f.Encryptor->SetEncryptKeys({ QStringLiteral("\\Options"), QStringLiteral("Text") });
    EXPECT_FALSE(Message([&] { f.Storage->Save(); }).isEmpty());
    EXPECT_EQ(TreeDump(*f.Storage), plain);

    // The base class has no cipher at all.
    TrsEncryptor bare;
    bare.SetEncryptAll(true);
    f.Storage->SetEncryptor(&bare);
    EXPECT_FALSE(Message([&] { f.Storage->Save(); }).isEmpty());
    EXPECT_EQ(TreeDump(*f.Storage), plain);
    f.Storage->SetEncryptor(nullptr);
}

TEST(Encryptor, KeysAndSectionsWithAndWithoutLeadingSeparator)
{
    TFixture f;
    f.FillSample();
    const QStringList plain = TreeDump(*f.Storage);
    f.Encryptor->SetEncryptKeys(
        { QStringLiteral("\\Text"), QStringLiteral("Count"), QStringLiteral("Options\\Blob"),
            QStringLiteral("\\Options\\Deep\\"), QStringLiteral("Missing"), QStringLiteral("\\Nowhere\\") });
    f.Storage->Save();
    EXPECT_EQ(TreeDump(*f.Storage), plain);

    auto raw = f.RawImage();
    // Keys keep their paths and hold Base64 text; a buffer key its bytes.
    EXPECT_EQ(raw->KeyType(QStringLiteral("Text")), ktString);
    EXPECT_EQ(raw->KeyType(QStringLiteral("\\Count")), ktString) << "an integer key becomes a text key";
    EXPECT_EQ(raw->KeyType(QStringLiteral("\\Options\\Blob")), ktBuffer);
    EXPECT_NE(raw->ReadString(QStringLiteral("\\Text"), QString()),
        QStringLiteral("h\u00e9llo \u043c\u0438\u0440"));
    // A section holds one binary key with the empty name.
    EXPECT_TRUE(raw->SectionExist(QStringLiteral("\\Options\\Deep")));
    EXPECT_FALSE(raw->KeyExist(QStringLiteral("\\Options\\Deep\\On")));
    EXPECT_EQ(raw->KeyType(QStringLiteral("\\Options\\Deep\\")), ktBuffer);
    // What is not listed stays plain.
    EXPECT_EQ(raw->ReadFloat(QStringLiteral("\\Options\\Ratio"), 0), 2.5);
    EXPECT_EQ(raw->ReadString(QStringLiteral("\\Other\\Name"), QString()), QStringLiteral("plain"));

    f.Storage->ClearAll();
    f.Storage->Load();
    EXPECT_EQ(TreeDump(*f.Storage), plain);
}

TEST(Encryptor, DamagedKeyTextLeavesTheKeyUnchanged)
{
    TFixture f;
    f.Encryptor->SetEncryptKeys({ QStringLiteral("\\Text"), QStringLiteral("\\Count") });
    f.Storage->WriteString(QStringLiteral("\\Text"), QStringLiteral("value"));
    f.Storage->WriteInteger(QStringLiteral("\\Count"), 7);
    f.Storage->Save();
    auto raw = f.RawImage();
    const QString text = raw->ReadString(QStringLiteral("\\Text"), QString());
    ASSERT_FALSE(text.isEmpty());
    // Padding, a foreign character, a cut group of one, a type header above 10.
    QByteArray typeEleven = QByteArray::fromHex("0e0000000b00") + QByteArray(8, '\0');
    for (int i = 4; i < typeEleven.size(); ++i)
        typeEleven[i] = char(typeEleven[i] ^ 0x5a);
    const QString damaged[] = { text + u'=', text.left(4) + u' ' + text.mid(4), text + u'A',
        QString::fromLatin1(Base64Encode(typeEleven)) };
    for (const QString& bad : damaged) {
        f.Storage->WriteString(QStringLiteral("\\Text"), bad);
        f.Encryptor->DoDecryptKey(QStringLiteral("\\Text"));
        EXPECT_EQ(f.Storage->ReadString(QStringLiteral("\\Text"), QString()), bad);
        EXPECT_EQ(f.Encryptor->TempKeyType(), 0);
    }
    f.Storage->WriteInteger(QStringLiteral("\\Count"), 11);
    f.Encryptor->SetEncryptKeys({ QStringLiteral("\\Count") });
    f.Encryptor->DoEncrypt();
    f.Storage->WriteString(QStringLiteral("\\Count"), QStringLiteral("plain text"));
    f.Encryptor->DoDecrypt();
    EXPECT_EQ(f.Storage->ReadString(QStringLiteral("\\Count"), QString()), QStringLiteral("plain text"));
}

TEST(Encryptor, EncryptedValuesCompareAndDecipherWithoutTheStorage)
{
    TFixture f;
    f.Encryptor->SetStorage(f.Storage);
    EXPECT_TRUE(f.Encryptor->GetEncryptedValue(QString()).isEmpty());
    const QString sealed = f.Encryptor->GetEncryptedValue(QStringLiteral("secret \u20ac"));
    EXPECT_FALSE(sealed.contains(u'='));
    EXPECT_EQ(f.Encryptor->GetDecryptedValue(sealed), QStringLiteral("secret \u20ac"));

    f.Storage->WriteString(QStringLiteral("\\Password"), QStringLiteral("secret \u20ac"));
    f.Encryptor->DoEncryptKey(QStringLiteral("\\Password"));
    EXPECT_EQ(f.Storage->ReadString(QStringLiteral("\\Password"), QString()), sealed);
    EXPECT_TRUE(
        f.Encryptor->IsSameEncryptedKey(QStringLiteral("\\Password"), QStringLiteral("secret \u20ac")));
    EXPECT_FALSE(f.Encryptor->IsSameEncryptedKey(QStringLiteral("\\Password"), QStringLiteral("secret")));
    EXPECT_FALSE(
        f.Encryptor->IsSameEncryptedKey(QStringLiteral("\\Missing"), QStringLiteral("secret \u20ac")));

    // Texts that are not such outputs give an empty text.
    f.Storage->WriteInteger(QStringLiteral("\\Number"), 5);
    f.Encryptor->DoEncryptKey(QStringLiteral("\\Number"));
    const QString notAString = f.Storage->ReadString(QStringLiteral("\\Number"), QString());
    for (const QString& other :
        { notAString, sealed + u'=', QStringLiteral("plain"), sealed.left(sealed.size() - 1) })
        EXPECT_TRUE(f.Encryptor->GetDecryptedValue(other).isEmpty()) << other.toStdString();
}

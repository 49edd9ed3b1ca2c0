#include "TestPrinters.h"
#include "backends/TrsRegData.h"
#include "framework/PropertyAccess.h"
#include "platform/RegText.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Every section of the tree as "[path]" and every key as "section\name=type:text",
// sorted.
QStringList Dump(TrsStorage& storage)
{
    QStringList lines;
    storage.SetRootSection(QString());
    for (int i = storage.SectionFirst(); i >= 0; i = storage.SectionNext())
        lines.append("[" + storage.SectionWrapper().FullName() + "]");
    for (int i = storage.KeyFirst(); i >= 0; i = storage.KeyNext()) {
        TrsKeyWrapper& key = storage.KeyWrapper();
        const QString text = key.KeyType() == ktDateTime ? QString::number(key.AsDateTime().Value, 'g', 15)
            : key.KeyType() == ktFloat                   ? QString::number(key.AsFloat(), 'g', 15)
                                                         : key.AsString();
        lines.append(QStringLiteral("%1\\%2=%3:%4")
                         .arg(key.SectionFullName(), key.Name())
                         .arg(key.KeyType())
                         .arg(text));
    }
    lines.sort();
    return lines;
}

// Reads a value straight from the registry.
QByteArray RawValue(const QString& path, const QString& name, DWORD* type = nullptr)
{
    HKEY key = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const char16_t*>(path.utf16()), 0, KEY_READ, &key))
        return "<no key>";
    BYTE data[256];
    DWORD size = sizeof(data);
    const LONG result
        = RegQueryValueExW(key, reinterpret_cast<const char16_t*>(name.utf16()), nullptr, type, data, &size);
    RegCloseKey(key);
    return result ? QByteArray("<no value>") : QByteArray(reinterpret_cast<const char*>(data), int(size));
}

DWORD CountOf(const QString& path, bool subKeys)
{
    HKEY key = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const char16_t*>(path.utf16()), 0, KEY_READ, &key))
        return 999;
    DWORD keys = 0, values = 0;
    RegQueryInfoKeyW(
        key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return subKeys ? keys : values;
}

// A registry that fails chosen calls and passes the rest on.
class TFailingRegistry : public TRegistryApi {
public:
    QString FFailOpen; // a key name whose opening fails
    LONG FFailCreateOf = 0; // creating a key whose name is FFailCreate fails with this
    QString FFailCreate;

    LONG RegOpenKeyExW(
        HKEY hKey, const char16_t* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult) override
    {
        if (QString::fromUtf16(lpSubKey) == FFailOpen)
            return ERROR_ACCESS_DENIED;
        return TRegistryApi::RegOpenKeyExW(hKey, lpSubKey, ulOptions, samDesired, phkResult);
    }
    LONG RegOpenKeyExA(
        HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult) override
    {
        if (QString::fromLatin1(lpSubKey) == FFailOpen)
            return ERROR_ACCESS_DENIED;
        return TRegistryApi::RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult);
    }
    LONG RegCreateKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD Reserved, const char16_t* lpClass,
        DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult,
        DWORD* lpdwDisposition) override
    {
        if (QString::fromUtf16(lpSubKey) == FFailCreate)
            return FFailCreateOf;
        return TRegistryApi::RegCreateKeyExW(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
            lpSecurityAttributes, phkResult, lpdwDisposition);
    }
    LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, const char* lpClass,
        DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult,
        DWORD* lpdwDisposition) override
    {
        if (QString::fromLatin1(lpSubKey) == FFailCreate)
            return FFailCreateOf;
        return TRegistryApi::RegCreateKeyExA(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
            lpSecurityAttributes, phkResult, lpdwDisposition);
    }
};

class RegData : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FPrefix.isValid());
        qputenv("WINEPREFIX", FPrefix.path().toLocal8Bit());
        for (TrsRegData* data : { &FData, &FOtherData }) {
            data->SetRootKey(rkCurrentUser);
            data->SetRootPath("Software\\Tests\\tree");
            data->SetUnicode(GetParam());
        }
        FStorage.SetStorageData(&FData);
        FOther.SetStorageData(&FOtherData);
    }
    void TearDown() override
    {
        FStorage.SetStorageData(nullptr);
        FOther.SetStorageData(nullptr);
        qunsetenv("WINEPREFIX");
    }
    // Saves FStorage and loads the registry into FOther.
    QStringList RoundTrip()
    {
        FStorage.Save();
        FOther.Load();
        return Dump(FOther);
    }

    QTemporaryDir FPrefix;
    TrsRegData FData;
    TrsRegData FOtherData;
    TrsStorage FStorage;
    TrsStorage FOther;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(WideAndEightBit, RegData, ::testing::Bool(),
    [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Wide" : "EightBit"; });

TEST_P(RegData, EveryKeyTypeComesBackAsTheRegistryKeepsIt)
{
    const char lookalike[10] = { 5, 0, 0x10, 0x27, 0, 0, 0, 0, 0, 0 };
    FStorage.WriteString("\\", "root default");
    FStorage.WriteString("\\text", "caf\u00e9");
    FStorage.WriteString("\\empty", "");
    FStorage.WriteBuffer("\\bytes", "\x01\x02\x03", 3);
    FStorage.WriteBuffer("\\lookalike", lookalike, 10);
    FStorage.WriteInteger("A\\B\\integer", -7);
    FStorage.WriteBoolean("A\\yes", true);
    FStorage.WriteBoolean("A\\no", false);
    FStorage.WritePointer("A\\pointer", 0xdeadbeef);
    FStorage.WriteFloat("A\\float", 2.5);
    FStorage.WriteCurrency("A\\currency", TCurrency::FromDouble(12.3456));
    FStorage.WriteDateTime("A\\date", TDateTime { 45000.25 });
    FStorage.WritePoint("A\\point", QPoint(-3, 4));
    FStorage.WriteInt64("A\\int64", 0x123456789abcdefLL);
    FStorage.SetValues("A\\none", QVariant());
    ASSERT_EQ(FStorage.KeyType("A\\none"), int(ktNone));

    EXPECT_EQ(RoundTrip(),
        (QStringList { "A\\B\\integer=3:-7", "A\\currency=4:12.3456", "A\\date=6:45000.25", "A\\float=4:2.5",
            "A\\int64=9:81985529216486895", "A\\no=3:0", "A\\point=8:(-3,4)", "A\\pointer=3:-559038737",
            "A\\yes=3:-1", "[A\\B]", "[A]", "\\=1:root default", "\\bytes=2:01,02,03",
            "\\empty=1:", "\\lookalike=4:1", "\\text=1:caf\u00e9" }));
    EXPECT_EQ(FOther.ReadPoint("A\\point"), QPoint(-3, 4));
    EXPECT_EQ(FOther.ReadDateTime("A\\date", TDateTime {}).Value, 45000.25);

    DWORD type = 0;
    EXPECT_EQ(RawValue("Software\\Tests\\tree", "empty", &type), QByteArray(2, '\0'));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(RawValue("Software\\Tests\\tree", "", &type), RegStringBytes(u"root default", true));
    EXPECT_EQ(RawValue("Software\\Tests\\tree\\A", "yes", &type), QByteArray(4, '\xff'));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(RawValue("Software\\Tests\\tree\\A", "currency", &type),
        QByteArray("\x05\x00\x40\xe2\x01\x00\x00\x00\x00\x00", 10));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(RawValue("Software\\Tests\\tree\\A", "none"), "<no value>");
}

TEST_P(RegData, DefaultValuesAndNamesWithSeparatorsLoadUnderTheirOwnNames)
{
    FStorage.WriteString("\\", "root default");
    FStorage.WriteInteger("\\plain", 1);
    FStorage.SetRootSection("S");
    ASSERT_GE(FStorage.FindKeyByName("a/b", true), 0);
    FStorage.KeyWrapper().SetAsInteger(5);
    ASSERT_GE(FStorage.FindKeyByName("c\\d", true), 0);
    FStorage.KeyWrapper().SetAsString("x");
    FStorage.WriteString("\\S\\e", "y");
    FStorage.SetRootSection(QString());

    QStringList added;
    FOther.SetOnKeyAdd([&](TObject*, const QString& key) { added.append(key); });
    EXPECT_EQ(RoundTrip(),
        (QStringList { "S\\a/b=3:5", "S\\c\\d=1:x", "S\\e=1:y", "[S]", "\\=1:root default", "\\plain=3:1" }));
    added.sort();
    EXPECT_EQ(added, (QStringList { "", "a/b", "c\\d", "e", "plain" }));
}

TEST_P(RegData, SaveReplacesWhatTheRootKeyHeld)
{
    FStorage.WriteString("old\\gone", "x");
    FStorage.WriteString("\\gone too", "x");
    FStorage.Save();
    FStorage.ClearAll();
    FStorage.Save();
    EXPECT_EQ(CountOf("Software\\Tests\\tree", true), 0u);
    EXPECT_EQ(CountOf("Software\\Tests\\tree", false), 0u);
    EXPECT_TRUE(RoundTrip().isEmpty());

    FStorage.SectionAdd("empty\\inner");
    FStorage.WriteInteger("full\\k", 1);
    // A section holding only empty sections still gets its (empty) key.
    EXPECT_EQ(RoundTrip(), (QStringList { "[empty]", "[full]", "full\\k=3:1" }));
    FStorage.SetOptions(TrsStorageOptions { soSaveEmptySection });
    EXPECT_EQ(RoundTrip(), (QStringList { "[empty\\inner]", "[empty]", "[full]", "full\\k=3:1" }));
}

TEST_P(RegData, RootPathAndRootKeyAreTakenAsTheRegistryNamesThem)
{
    FData.SetRootPath("\\/Software\\Tests\\tree/\\\\");
    EXPECT_EQ(FData.RootPath(), "Software\\Tests\\tree");
    FStorage.WriteInteger("k", 5);
    EXPECT_EQ(RoundTrip(), QStringList { "\\k=3:5" });

    FData.RootKeyAssign(HKEY_USERS);
    EXPECT_EQ(FData.RootKey(), rkUsers);
    FData.RootKeyAssign(0x12345678);
    EXPECT_EQ(FData.RootKey(), rkUsers);
    EXPECT_EQ(TrsRegData().RootKey(), rkLocalMachine);

    // Nothing to load: no error, nothing added.
    FOtherData.SetRootPath("Software\\Tests\\missing");
    FOther.Load();
    EXPECT_TRUE(Dump(FOther).isEmpty());
    FOtherData.SetRootPath("");
    FOther.WriteInteger("k", 1);
    FOther.Save();
    FOther.Load();
    EXPECT_TRUE(Dump(FOther).isEmpty());
}

TEST_P(RegData, ARemoteComputerCannotBeReached)
{
    FData.SetRemoteComputerName("elsewhere");
    FStorage.WriteInteger("k", 5);
    try {
        FStorage.Save();
        FAIL() << "no error";
    } catch (const TrsException& error) {
        EXPECT_EQ(error.Message(), "TrsRegData error: Open/Create key. (6) The handle is invalid.");
    }
    FStorage.Load();
    EXPECT_TRUE(Dump(FStorage).isEmpty());
}

TEST_P(RegData, ASubkeyThatCannotBeOpenedStopsAWideLoadAndIsSkippedByAnEightBitOne)
{
    FStorage.WriteInteger("\\top", 1);
    FStorage.WriteInteger("a\\k", 2);
    FStorage.WriteInteger("locked\\k", 3);
    FStorage.WriteInteger("z\\k", 4);
    FStorage.Save();
    TFailingRegistry registry;
    registry.FFailOpen = "locked";
    FOtherData.SetRegistryApi(&registry);
    if (GetParam()) {
        try {
            FOther.Load();
            FAIL() << "no error";
        } catch (const TrsException& error) {
            EXPECT_EQ(error.Message(), "TrsRegData error: Open key. (5) Access is denied.");
        }
        // Subkeys are read from the highest index down: z came first.
        EXPECT_EQ(Dump(FOther), (QStringList { "[locked]", "[z]", "\\top=3:1", "z\\k=3:4" }));
    } else {
        FOther.Load();
        EXPECT_EQ(
            Dump(FOther), (QStringList { "[a]", "[locked]", "[z]", "\\top=3:1", "a\\k=3:2", "z\\k=3:4" }));
    }
    // Every handle was closed: the hive is written back and read anew.
    FOtherData.SetRegistryApi(nullptr);
    FOther.Load();
    EXPECT_EQ(Dump(FOther).size(), 7);
}

TEST_P(RegData, KeysThatCannotBeCreatedAreReported)
{
    TFailingRegistry registry;
    FData.SetRegistryApi(&registry);
    FStorage.WriteInteger("sub\\k", 1);
    registry.FFailCreate = "Software\\Tests\\tree";
    registry.FFailCreateOf = ERROR_ACCESS_DENIED;
    try {
        FStorage.Save();
        FAIL() << "no error";
    } catch (const TrsException& error) {
        EXPECT_EQ(error.Message(), "TrsRegData error: Open/Create key. (5) Access is denied.");
    }
    registry.FFailCreate = "sub";
    registry.FFailCreateOf = ERROR_BADDB;
    try {
        FStorage.Save();
        FAIL() << "no error";
    } catch (const TrsException& error) {
        EXPECT_EQ(error.Message(),
            "TrsRegData error: Create key. (1009) The configuration registry database is corrupt.");
    }
    EXPECT_EQ(FStorage.RootSection(), "");

    // A name the registry refuses is reported before the saved tree is touched.
    FData.SetRegistryApi(nullptr);
    registry.FFailCreate.clear();
    FStorage.Save();
    FStorage.WriteInteger(QString(256, u'n') + "\\k", 2);
    try {
        FStorage.Save();
        FAIL() << "no error";
    } catch (const TrsException& error) {
        EXPECT_EQ(error.Message(), "TrsRegData error: Create key. (87) The parameter is incorrect.");
    }
    FOther.Load();
    EXPECT_EQ(Dump(FOther), (QStringList { "[sub]", "sub\\k=3:1" }));
}

TEST_P(RegData, ReportsProgressOfLoadAndSave)
{
    for (int i = 0; i < 4; ++i)
        FStorage.WriteInteger(QStringLiteral("s%1\\k").arg(i), i);
    QList<int> saved;
    FData.SetOnProgress([&](TObject*, int percent) { saved.append(percent); });
    FStorage.Save();
    EXPECT_EQ(saved, (QList<int> { 0, 25, 50, 75, 100 }));
    QList<int> loaded;
    FOtherData.SetOnProgress([&](TObject*, int percent) { loaded.append(percent); });
    FOther.Load();
    EXPECT_EQ(loaded, (QList<int> { 25, 50, 75, 100 }));
}

TEST(RegDataProperties, RootKeyRootPathAndUnicodeArePublished)
{
    TrsRegData data;
    const QMetaProperty rootKey = GetPropInfo(&data, u"RootKey");
    ASSERT_EQ(PropKind(rootKey), tkEnumeration);
    EXPECT_EQ(GetEnumNames(rootKey).value(1), "rkCurrentUser");
    EXPECT_EQ(GetEnumValue(rootKey, u"rkUsers"), 3);
    EXPECT_TRUE(SetOrdProp(&data, rootKey, 1));
    EXPECT_EQ(data.RootKey(), rkCurrentUser);
    EXPECT_TRUE(SetStrProp(&data, GetPropInfo(&data, u"RootPath"), "\\mirovane3\\"));
    EXPECT_EQ(data.RootPath(), "mirovane3");
    EXPECT_TRUE(SetOrdProp(&data, GetPropInfo(&data, u"Unicode"), 1));
    EXPECT_TRUE(data.Unicode());
}

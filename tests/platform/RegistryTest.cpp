#include "platform/Registry.h"
#include "platform/RegText.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every test gets a Wine prefix of its own.
class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FPrefix.isValid());
        qputenv("WINEPREFIX", FPrefix.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("WINEPREFIX"); }

    QString Path(const QString& name) const { return FPrefix.filePath(name); }
    QByteArray FileBytes(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void CopySample(const char* sample, const QString& name) const
    {
        QFile file(QStringLiteral(MIROVANE_TEST_DATA "/") + sample);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        WriteFile(name, file.readAll());
    }

    QTemporaryDir FPrefix;
};

HKEY Create(HKEY root, const char16_t* path, REGSAM access = KEY_ALL_ACCESS)
{
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr), ERROR_SUCCESS);
    return key;
}

LONG SetString(HKEY key, const char16_t* name, QStringView text)
{
    const QByteArray data = RegStringBytes(text, true);
    return RegSetValueExW(
        key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.constData()), DWORD(data.size()));
}

QString GetString(HKEY key, const char16_t* name)
{
    BYTE data[512];
    DWORD size = sizeof(data);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    return RegBytesText(QByteArrayView(data, size)).chopped(1);
}

} // namespace

TEST_F(Registry, CreatesTheUserFileWithWineHeaderWhenTheLastHandleCloses)
{
    DWORD disposition = 0;
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"mirovane3\\sub", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                  &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    HKEY second = Create(HKEY_CURRENT_USER, u"mirovane3");
    EXPECT_EQ(SetString(key, u"name", u"välue"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(QFile::exists(Path("user.reg")));
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
    const QByteArray file = FileBytes("user.reg");
    EXPECT_TRUE(file.startsWith("WINE REGISTRY Version 2\n"
                                ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
                                "\n#arch=win64\n"
                                "\n[mirovane3\\\\sub] "));
    EXPECT_TRUE(file.endsWith("\n\"name\"=\"v\\xe4lue\"\n"));
    EXPECT_FALSE(file.contains("[mirovane3]"));
    EXPECT_EQ(QDir(FPrefix.path()).entryList(QDir::Files), QStringList { "user.reg" });

    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"MIROVANE3\\Sub", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key, u"NAME"), u"välue");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(FileBytes("user.reg"), file);
}

TEST_F(Registry, KeepsEveryOtherLineOfTheFileAsWineWroteIt)
{
    CopySample("user.reg", "user.reg");
    const QByteArray original = FileBytes("user.reg");
    HKEY key = Create(HKEY_CURRENT_USER, u"mirovane3\\sub");
    EXPECT_EQ(SetString(key, u"added", u"x"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    const QByteArray saved = FileBytes("user.reg");
    // The only change is a new key block (sub had no line of its own before).
    const QByteArray block = saved.mid(saved.indexOf("\n[mirovane3\\\\sub] "));
    const QByteArray added = block.left(block.indexOf("\n[", 1));
    EXPECT_TRUE(added.endsWith("\n\"added\"=\"x\"\n"));
    QByteArray rest = saved;
    rest.remove(saved.indexOf(added), added.size());
    EXPECT_EQ(rest, original);
}

TEST_F(Registry, ReturnsWindowsErrorCodesWithTheirMessages)
{
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(0x1234, u"x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"\\lead", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegConnectRegistryW(u"\\\\elsewhere", HKEY_LOCAL_MACHINE, &key), ERROR_BAD_NETPATH);
    EXPECT_EQ(RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE);

    key = Create(HKEY_CURRENT_USER, u"errors");
    EXPECT_EQ(SetString(key, u"a", u"1234567"), ERROR_SUCCESS);
    BYTE data[4];
    DWORD size = sizeof(data);
    EXPECT_EQ(RegQueryValueExW(key, u"a", nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(RegQueryValueExW(key, u"none", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    char16_t name[2];
    DWORD length = 1;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 2;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegDeleteValueW(key, u"none"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    EXPECT_EQ(SysErrorMessage(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
    EXPECT_EQ(SysErrorMessage(ERROR_ACCESS_DENIED), "Access is denied.");
    EXPECT_EQ(SysErrorMessage(ERROR_BAD_NETPATH), "The network path was not found.");
    EXPECT_EQ(SysErrorMessage(ERROR_BADDB), "The configuration registry database is corrupt.");
}

TEST_F(Registry, RefusesWhatTheAccessRightsDoNotAllow)
{
    HKEY parent = Create(HKEY_CURRENT_USER, u"rights\\child");
    RegCloseKey(parent);
    HKEY reader = 0;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"rights", 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(SetString(reader, u"v", u"x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(reader, u"v"), ERROR_ACCESS_DENIED);
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyExW(reader, u"new", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        RegCreateKeyExW(reader, u"child", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(
        RegEnumKeyExW(key, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    DWORD count = 7;
    EXPECT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                  nullptr, nullptr, nullptr),
        ERROR_ACCESS_DENIED);
    // A key with subkeys stays; a deleted key's handle reports it.
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"rights"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(reader, u"child"), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, u"v", u"x"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    RegCloseKey(reader);
}

TEST_F(Registry, NeverOverwritesAFileThatIsNotAWineRegistryFile)
{
    const QByteArray foreign = "\xef\xbb\xbfWINE REGISTRY Version 2\n[mirovane3]\n\"v\"=\"x\"\n";
    WriteFile("user.reg", foreign);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"mirovane3", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, u"mirovane3", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_BADDB);
    EXPECT_EQ(SetString(HKEY_CURRENT_USER, u"v", u"x"), ERROR_BADDB);
    EXPECT_EQ(FileBytes("user.reg"), foreign);
    // Other hives are not affected.
    key = Create(HKEY_LOCAL_MACHINE, u"Software\\x");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(QFile::exists(Path("system.reg")));

    // A file that stops being one while a hive is open is left alone too.
    QFile::remove(Path("user.reg"));
    key = Create(HKEY_CURRENT_USER, u"mirovane3");
    EXPECT_EQ(SetString(key, u"v", u"x"), ERROR_SUCCESS);
    WriteFile("user.reg", "garbage\n");
    EXPECT_EQ(RegCloseKey(key), ERROR_BADDB);
    EXPECT_EQ(FileBytes("user.reg"), "garbage\n");
}

TEST_F(Registry, ReadsTheFileAgainOnceEveryHandleIsClosed)
{
    CopySample("user.reg", "user.reg");
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"mirovane3\\sub\\deeper", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key, u"depth"), u"two levels");
    QByteArray changed = FileBytes("user.reg");
    changed.replace("\"two levels\"", "\"changed by Wine\"");
    WriteFile("user.reg", changed);
    EXPECT_EQ(GetString(key, u"depth"), u"two levels");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(FileBytes("user.reg"), changed);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"mirovane3\\sub\\deeper", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key, u"depth"), u"changed by Wine");
    RegCloseKey(key);
}

TEST_F(Registry, MapsTheRootKeysOntoTheirFiles)
{
    RegCloseKey(Create(HKEY_CLASSES_ROOT, u".bts"));
    RegCloseKey(Create(HKEY_USERS, u".Default\\Control Panel"));
    RegCloseKey(Create(HKEY_CURRENT_CONFIG, u"memory only"));
    EXPECT_TRUE(FileBytes("system.reg").contains("\n[Software\\\\Classes\\\\.bts] "));
    EXPECT_TRUE(FileBytes("userdef.reg").contains(";; All keys relative to REGISTRY\\\\User\\\\.Default\n"));
    EXPECT_TRUE(FileBytes("userdef.reg").contains("\n[Control Panel] "));
    EXPECT_EQ(QDir(FPrefix.path()).entryList(QDir::Files), (QStringList { "system.reg", "userdef.reg" }));
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_CONFIG, u"Memory Only", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    DWORD subKeys = 0;
    EXPECT_EQ(RegQueryInfoKeyW(HKEY_USERS, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                  nullptr, nullptr, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
}

TEST_F(Registry, EnumeratesInNameOrderAndReportsLongestLengths)
{
    HKEY key = Create(HKEY_CURRENT_USER, u"order");
    for (const char16_t* name : { u"b", u"_x", u"A", u"ccc" })
        RegCloseKey(Create(key, name));
    EXPECT_EQ(SetString(key, u"long name", u"four"), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, nullptr, u""), ERROR_SUCCESS);
    QStringList names;
    char16_t name[260];
    for (DWORD i = 0;; ++i) {
        DWORD length = 260;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.append(QString::fromUtf16(name, length));
    }
    EXPECT_EQ(names, (QStringList { "_x", "A", "b", "ccc" }));
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
    EXPECT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                  &maxName, &maxData, nullptr, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    EXPECT_EQ(maxSubKey, 3u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 9u);
    EXPECT_EQ(maxData, 10u);
    DWORD length = 260;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 0u);
    RegCloseKey(key);
}

TEST_F(Registry, ConvertsStringDataInTheEightBitForms)
{
    HKEY key = 0;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, "ansi", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const char text[] = "caf\xe9";
    EXPECT_EQ(RegSetValueExA(key, "n\xe4me", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text)),
        ERROR_SUCCESS);
    EXPECT_EQ(GetString(key, u"näme"), u"café");
    BYTE data[16];
    DWORD size = sizeof(data);
    EXPECT_EQ(RegQueryValueExA(key, "N\xc4ME", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(data), int(size)), QByteArray(text, sizeof(text)));
    char name[8];
    DWORD length = sizeof(name);
    size = sizeof(data);
    EXPECT_EQ(RegEnumValueA(key, 0, name, &length, nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(name, int(length)), "n\xe4me");
    EXPECT_EQ(size, 5u);
    RegCloseKey(key);
}

TEST_F(Registry, DoesNotWriteAFileWhileAWineServerHoldsThePrefix)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is needed to hold the server's lock from another process";
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(FPrefix.path()).constData(), &info), 0);
    const QString serverDir = QStringLiteral("/tmp/.wine-%1/server-%2-%3")
                                  .arg(::getuid())
                                  .arg(qulonglong(info.st_dev), 0, 16)
                                  .arg(qulonglong(info.st_ino), 0, 16);
    ASSERT_TRUE(QDir().mkpath(serverDir));
    QProcess server;
    server.start(python,
        { "-c",
            "import fcntl,sys,time\n"
            "f=open(sys.argv[1],'w')\n"
            "fcntl.lockf(f,fcntl.LOCK_EX)\n"
            "print('locked',flush=True)\n"
            "sys.stdin.read()\n",
            serverDir + "/lock" });
    ASSERT_TRUE(server.waitForReadyRead(10000));

    HKEY key = Create(HKEY_CURRENT_USER, u"mirovane3");
    EXPECT_EQ(SetString(key, u"v", u"x"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(QFile::exists(Path("user.reg")));

    server.closeWriteChannel();
    server.waitForFinished(10000);
    QDir(serverDir).removeRecursively();
    // The change was kept and is written once the server is gone.
    key = Create(HKEY_CURRENT_USER, u"mirovane3");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(FileBytes("user.reg").contains("\n\"v\"=\"x\"\n"));
}

TEST_F(Registry, WritesClassesAndLeavesVolatileKeysOutOfTheFile)
{
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"kept", 0, u"My \"Class\"", REG_OPTION_NON_VOLATILE,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    HKEY gone = 0;
    ASSERT_EQ(RegCreateKeyExW(
                  key, u"gone", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &gone, nullptr),
        ERROR_SUCCESS);
    HKEY child = 0;
    EXPECT_EQ(RegCreateKeyExW(gone, u"stable", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &child, nullptr),
        ERROR_CHILD_MUST_BE_VOLATILE);
    char16_t keyClass[4];
    DWORD length = 4;
    EXPECT_EQ(RegQueryInfoKeyW(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                  nullptr, nullptr, nullptr),
        ERROR_MORE_DATA);
    EXPECT_EQ(length, 10u);
    RegCloseKey(gone);
    RegCloseKey(key);
    const QByteArray file = FileBytes("user.reg");
    EXPECT_TRUE(file.contains("\n[kept] ")) << file.constData();
    EXPECT_TRUE(file.contains("\n#class=\"My \\\"Class\\\"\"\n"));
    EXPECT_FALSE(file.contains("gone"));
}

#include "TestPrinters.h"
#include "backends/TrsRegData.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Sample = QStringLiteral(MIROVANE_SOURCE_DIR "/tests/platform/data/user.reg");

// Every section as "[path]" and every key as "section\name=type:value", buffers
// in hex, sorted.
QStringList Dump(TrsStorage& storage)
{
    QStringList lines;
    storage.SetRootSection(QString());
    for (int i = storage.SectionFirst(); i >= 0; i = storage.SectionNext())
        lines.append("[" + storage.SectionWrapper().FullName() + "]");
    for (int i = storage.KeyFirst(); i >= 0; i = storage.KeyNext()) {
        TrsKeyWrapper& key = storage.KeyWrapper();
        QByteArray bytes(key.GetAsBuffer(nullptr, 0), '\0');
        key.GetAsBuffer(bytes.data(), int(bytes.size()));
        const QString text = key.KeyType() == ktBuffer ? QString::fromLatin1(bytes.toHex()) : key.AsString();
        lines.append(QStringLiteral("%1\\%2=%3:%4")
                         .arg(key.SectionFullName(), key.Name())
                         .arg(key.KeyType())
                         .arg(text));
    }
    lines.sort();
    return lines;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class RegDataWithWineFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FPrefix.isValid());
        qputenv("WINEPREFIX", FPrefix.path().toLocal8Bit());
        ASSERT_TRUE(QFile::copy(Sample, FPrefix.filePath("user.reg")));
        QFile::setPermissions(FPrefix.filePath("user.reg"), QFile::ReadOwner | QFile::WriteOwner);
        FData.SetRootKey(rkCurrentUser);
        FData.SetRootPath("mirovane3");
        FData.SetUnicode(true);
        FStorage.SetStorageData(&FData);
    }
    void TearDown() override
    {
        FStorage.SetStorageData(nullptr);
        qunsetenv("WINEPREFIX");
    }

    QTemporaryDir FPrefix;
    TrsRegData FData;
    TrsStorage FStorage;
};

const QStringList MirovaneTree {
    "Brack[et]s \u00c4\u00d6\\x=3:1",
    "[Brack[et]s \u00c4\u00d6]",
    "[sub\\deeper]",
    "[sub]",
    "\\=2:000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f2021222324252627",
    "\\aDword=3:-559038737",
    "\\anExpand=1:%SystemRoot%\\system32;%PATH%",
    "\\copyrighttag.Value=1:(c) 2026 \"\u00dcn\u00efcode\" back\\slash",
    "\\ctl \"q\" \\b=1:tab\there\nnl \u00e99 \u00e9z \U0001F600 [x]",
    "\\emptyString=1:",
    "sub\\deeper\\depth=1:two levels",
};

} // namespace

TEST_F(RegDataWithWineFile, LoadsTheMirovaneKeyAsWineWroteIt)
{
    FStorage.Load();
    EXPECT_EQ(Dump(FStorage), MirovaneTree);
    // The value whose name holds a separator is a key of the top level.
    FStorage.SetRootSection(QString());
    EXPECT_EQ(FStorage.SectionCount(), 2);
    EXPECT_EQ(FStorage.KeyCount(), 6);
    // Merging the same key again updates those keys in place.
    FStorage.Merge();
    EXPECT_EQ(Dump(FStorage), MirovaneTree);
}

TEST_F(RegDataWithWineFile, SavingUnderAnotherKeyLeavesTheRestOfTheFileAsItWas)
{
    const QByteArray original = ReadFile(FPrefix.filePath("user.reg"));
    FStorage.Load();
    FData.SetRootPath("mirovane3 copy");
    FStorage.Save();

    const QByteArray saved = ReadFile(FPrefix.filePath("user.reg"));
    const qsizetype begin = saved.indexOf("\n[mirovane3 copy");
    ASSERT_GE(begin, 0);
    qsizetype end = begin;
    while ((end = saved.indexOf("\n[", end + 1)) >= 0 && saved.mid(end).startsWith("\n[mirovane3 copy"))
        ;
    QByteArray rest = saved;
    rest.remove(begin, end - begin);
    EXPECT_EQ(rest, original);

    TrsStorage copy;
    TrsRegData copyData;
    copyData.SetRootKey(rkCurrentUser);
    copyData.SetRootPath("mirovane3 copy");
    copyData.SetUnicode(true);
    copy.SetStorageData(&copyData);
    copy.Load();
    EXPECT_EQ(Dump(copy), MirovaneTree);
    copy.SetStorageData(nullptr);
}

TEST_F(RegDataWithWineFile, AFileThatIsNotAWineRegistryFileIsNeitherReadNorOverwritten)
{
    QFile file(FPrefix.filePath("user.reg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray foreign = "\xef\xbb\xbf" + ReadFile(Sample);
    file.write(foreign);
    file.close();
    FStorage.Load();
    EXPECT_TRUE(Dump(FStorage).isEmpty());
    FStorage.WriteInteger("k", 1);
    try {
        FStorage.Save();
        FAIL() << "no error";
    } catch (const TrsException& error) {
        EXPECT_EQ(error.Message(),
            "TrsRegData error: Open/Create key. (1009) The configuration registry database is corrupt.");
    }
    EXPECT_EQ(ReadFile(FPrefix.filePath("user.reg")), foreign);
}

// Where Wine is installed: a fresh prefix, a tree saved into its user.reg
// through our registry, and Wine's own reg tool reading it back.
TEST(RegDataUnderWine, WineReadsTheTreeWeSaved)
{
    const QString wine = QStandardPaths::findExecutable("wine64").isEmpty()
        ? QStandardPaths::findExecutable("wine")
        : QStandardPaths::findExecutable("wine64");
    const QString wineserver = QStandardPaths::findExecutable("wineserver");
    if (wine.isEmpty() || wineserver.isEmpty())
        GTEST_SKIP() << "Wine is not installed";
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEPREFIX", prefix.path());
    environment.insert("WINEDEBUG", "-all");
    environment.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    environment.remove("DISPLAY");
    const auto run = [&](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        process.waitForFinished(90000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    run(wine, { "wineboot", "-i" });
    run(wineserver, { "-w" });
    ASSERT_TRUE(QFile::exists(prefix.filePath("user.reg")));

    qputenv("WINEPREFIX", prefix.path().toLocal8Bit());
    TrsStorage storage;
    TrsRegData data;
    data.SetRootKey(rkCurrentUser);
    data.SetRootPath("mirovane3");
    data.SetUnicode(true);
    storage.SetStorageData(&data);
    storage.WriteString("\\text", "two words");
    storage.WriteInteger("\\number", 42);
    storage.WriteBuffer("section\\bytes", "\x01\xab", 2);
    storage.Save();
    storage.SetStorageData(nullptr);
    qunsetenv("WINEPREFIX");

    const QString output = run(wine, { "reg", "query", "HKEY_CURRENT_USER\\mirovane3", "/s" });
    run(wineserver, { "-k" });
    const QStringList lines = output.split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
    QStringList found;
    for (const QString& line : lines)
        found.append(line.simplified());
    EXPECT_TRUE(found.contains("text REG_SZ two words")) << output.toStdString();
    EXPECT_TRUE(found.contains("number REG_DWORD 0x2a")) << output.toStdString();
    EXPECT_TRUE(found.contains("HKEY_CURRENT_USER\\mirovane3\\section")) << output.toStdString();
    EXPECT_TRUE(found.contains("bytes REG_BINARY 01AB")) << output.toStdString();
}

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

namespace {

// A Wine program on the PATH or where Debian's wine64 package puts it.
QString FindWineProgram(const QStringList& names)
{
    for (const QString& name : names) {
        QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(name, { QStringLiteral("/usr/lib/wine") });
        if (!found.isEmpty())
            return found;
    }
    return {};
}

// Wine programs run in their own prefix, without a display or standard
// input. The server is shut down when this goes, so no Wine process
// outlives the test.
class TWine {
public:
    TWine(const QString& wine, const QString& wineserver, const QString& prefix)
        : FWine(wine)
        , FWineServer(wineserver)
        , FEnvironment(QProcessEnvironment::systemEnvironment())
    {
        FEnvironment.insert("WINEPREFIX", prefix);
        FEnvironment.insert("WINEDEBUG", "-all");
        FEnvironment.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
        FEnvironment.remove("DISPLAY");
        FEnvironment.remove("WAYLAND_DISPLAY");
    }
    // The server may have ended by itself already; then -k reports an error.
    ~TWine() { Run(FWineServer, { "-k" }, 30000, false); }
    TWine(const TWine&) = delete;
    TWine& operator=(const TWine&) = delete;

    // The standard output of a Wine command; a failure when it does not
    // start, does not finish in time or ends with an error.
    QString Wine(const QStringList& arguments, int timeoutMs) { return Run(FWine, arguments, timeoutMs); }
    QString Server(const QStringList& arguments, int timeoutMs)
    {
        return Run(FWineServer, arguments, timeoutMs);
    }

private:
    QString Run(const QString& program, const QStringList& arguments, int timeoutMs, bool checked = true)
    {
        QProcess process;
        process.setProcessEnvironment(FEnvironment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(program, arguments);
        const QString command = program + u' ' + arguments.join(u' ');
        if (!process.waitForFinished(timeoutMs)) {
            ADD_FAILURE() << "Wine does not answer: " << command.toStdString() << ": "
                          << process.errorString().toStdString();
            process.kill();
            process.waitForFinished(5000);
            return {};
        }
        if (checked && (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
            ADD_FAILURE() << command.toStdString() << " failed with exit code " << process.exitCode() << ": "
                          << process.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    QString FWine;
    QString FWineServer;
    QProcessEnvironment FEnvironment;
};

} // namespace

// Where Wine is installed: a fresh prefix, a tree saved into its user.reg
// through our registry, and Wine's own reg tool reading it back. Creating
// the prefix takes about 20 seconds on a busy machine.
TEST(RegDataUnderWine, WineReadsTheTreeWeSaved)
{
    const QString wine = FindWineProgram({ "wine64", "wine" });
    const QString wineserver = FindWineProgram({ "wineserver" });
    if (wine.isEmpty() || wineserver.isEmpty())
        GTEST_SKIP() << "Wine is not installed: no wine64 or wineserver on the PATH or in /usr/lib/wine";
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    TWine session(wine, wineserver, prefix.path());
    session.Wine({ "wineboot", "-i" }, 150000);
    session.Server({ "-w" }, 30000);
    ASSERT_TRUE(QFile::exists(prefix.filePath("user.reg"))) << "Wine made no prefix";

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

    const QString output = session.Wine({ "reg", "query", "HKEY_CURRENT_USER\\mirovane3", "/s" }, 30000);
    const QStringList lines = output.split(QRegularExpression("[\r\n]+"), Qt::SkipEmptyParts);
    QStringList found;
    for (const QString& line : lines)
        found.append(line.simplified());
    EXPECT_TRUE(found.contains("text REG_SZ two words")) << output.toStdString();
    EXPECT_TRUE(found.contains("number REG_DWORD 0x2a")) << output.toStdString();
    EXPECT_TRUE(found.contains("HKEY_CURRENT_USER\\mirovane3\\section")) << output.toStdString();
    EXPECT_TRUE(found.contains("bytes REG_BINARY 01AB")) << output.toStdString();
}

// A real full disk: a tmpfs of 16 KiB, filled up, as the output folder of
// the tool, in a mount namespace of its own so nothing outlives the test.
// The earlier template survives whole, the failure says "No space left on
// device", and nothing is left behind, for one file and for a batch.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Mounts the tmpfs on $1, puts the earlier template and a filler on it, runs
// the tool with the rest of the arguments, and keeps what the disk holds
// afterwards in $1.after before unmounting. "mount refused" when it cannot.
const char kScript[] = R"(
out=$1; shift
mount -t tmpfs -o size=16k tmpfs "$out" 2>/dev/null || { echo "mount refused"; exit 77; }
printf 'an earlier template\r\n' >"$out/t.bts"
cat /dev/zero >"$out/fill" 2>/dev/null
"$@" >"$out.stdout" 2>"$out.stderr"
echo $? >"$out.status"
mkdir "$out.after" && cp -a "$out"/. "$out.after"/
umount "$out"
)";

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FullDisk : public ::testing::TestWithParam<int> {
protected:
    QString Path(const QString& name) const { return FRoot.filePath(name); }

    QTemporaryDir FRoot;
};

TEST_P(FullDisk, KeepsTheEarlierTemplateAndSaysTheDiskIsFull)
{
    const int files = GetParam();
    ASSERT_TRUE(FRoot.isValid());
    ASSERT_TRUE(QDir().mkpath(Path("wine")) && QDir().mkpath(Path("out")));
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString name = i == 0 ? Path("t.xml") : Path(QStringLiteral("u%1.xml").arg(i));
        ASSERT_TRUE(QFile::copy(MIROVANE_SOURCE_DIR "/examples/old-plain-template.xml", name));
        inputs << name;
    }
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", Path("wine"));
    shell.setProcessEnvironment(env);
    shell.start("unshare",
        QStringList { "-m", "--propagation", "private", "sh", "-c", kScript, "sh", Path("out"), MIROVANE_TOOL,
            "convert", "-o", Path("out") }
            + inputs);
    ASSERT_TRUE(shell.waitForFinished(60000));
    const QByteArray shellOut = shell.readAllStandardOutput() + shell.readAllStandardError();
    if (shell.exitCode() == 77 || shell.exitStatus() != QProcess::NormalExit || shellOut.contains("unshare:"))
        GTEST_SKIP() << "this system refuses a tmpfs mount here: " << shellOut.toStdString();
    ASSERT_EQ(shell.exitCode(), 0) << shellOut.toStdString();

    EXPECT_EQ(Read(Path("out.status")), "1\n");
    EXPECT_EQ(Read(Path("out.after/t.bts")), "an earlier template\r\n");
    EXPECT_EQ(
        QDir(Path("out.after")).entryList(QDir::Files | QDir::Hidden), QStringList({ "fill", "t.bts" }));
    QString expected;
    for (const QString& input : inputs) {
        const QString target = Path("out/") + QFileInfo(input).completeBaseName() + ".bts";
        expected += input + ": Cannot create file \"" + target + "\". No space left on device\n";
    }
    if (files > 1)
        expected += QStringLiteral("0 converted, 0 skipped, %1 failed\n").arg(files);
    EXPECT_EQ(QString::fromLocal8Bit(Read(Path("out.stderr"))), expected);
    EXPECT_EQ(Read(Path("out.stdout")), "");
}

INSTANTIATE_TEST_SUITE_P(OneFileAndABatch, FullDisk, ::testing::Values(1, 3));

} // namespace

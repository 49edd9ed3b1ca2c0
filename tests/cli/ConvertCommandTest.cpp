#include "ToolFixture.h"
#include "support/SampleTemplates.h"

#include <QDirIterator>

namespace {

class ConvertCommandTest : public ToolFixture {
protected:
    // in/a.xml, in/B.XML, in/sub/c.Xml and a file that is no template.
    void WriteFolder()
    {
        WriteFile("in/a.xml", kPlainTemplate);
        WriteFile("in/B.XML", kPlainTemplate);
        WriteFile("in/sub/c.Xml", kPlainTemplate);
        WriteFile("in/notes.txt", "not a template");
    }
    QStringList FilesUnder(const QString& folder) const
    {
        QStringList files;
        QDirIterator it(Path(folder), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(Path(folder)).relativeFilePath(it.next());
        files.sort();
        return files;
    }
    QString Saved(const QString& name) const
    {
        return "New Profile Template File Saved as " + Path(name) + "\n";
    }
};

} // namespace

TEST_F(ConvertCommandTest, AFolderIsConvertedIntoAnotherFolderKeepingItsLayout)
{
    WriteFolder();
    ASSERT_EQ(Run({ "convert", "-r", "-o", Path("out"), Path("in") }), 0) << FErr.toStdString();
    EXPECT_EQ(FOut, Saved("out/B.bts") + Saved("out/a.bts") + Saved("out/sub/c.bts"));
    EXPECT_EQ(FErr, "3 converted, 0 skipped, 0 failed\n");
    EXPECT_EQ(FilesUnder("out"), QStringList({ "B.bts", "a.bts", "sub/c.bts" }));
    EXPECT_EQ(ReadFile("in/a.xml"), kPlainTemplate);
    const QByteArray written = ReadFile("out/a.bts");
    EXPECT_TRUE(written.contains("<jpegquality.Value>33</jpegquality.Value>"));
    EXPECT_EQ(ReadFile("out/sub/c.bts"), written);

    // Without --recursive the subfolder is left out; beside the originals
    // the line names the file only, as the window does.
    ASSERT_EQ(Run({ "convert", "--output-dir", Path("flat"), Path("in") }), 0);
    EXPECT_EQ(FilesUnder("flat"), QStringList({ "B.bts", "a.bts" }));
    ASSERT_EQ(Run({ "convert", Path("in") }), 0);
    EXPECT_EQ(FOut, "New Profile Template File Saved as B.bts\nNew Profile Template File Saved as a.bts\n");
    EXPECT_TRUE(QFile::exists(Path("in/a.bts")));

    // One file named: no summary; under an output folder by its own name.
    ASSERT_EQ(Run({ "convert", "-o", Path("single"), Path("in/sub/c.Xml") }), 0);
    EXPECT_EQ(FOut, Saved("single/c.bts"));
    EXPECT_EQ(FErr, "");
}

TEST_F(ConvertCommandTest, DryRunKeepExistingAndQuietChangeWhatIsWrittenAndPrinted)
{
    WriteFolder();
    ASSERT_EQ(Run({ "convert", "-rn", "-o", Path("out"), Path("in") }), 0) << FErr.toStdString();
    EXPECT_EQ(FOut,
        "Would save " + Path("out/B.bts") + "\nWould save " + Path("out/a.bts") + "\nWould save "
            + Path("out/sub/c.bts") + "\n");
    EXPECT_EQ(FErr, "3 converted, 0 skipped, 0 failed\n");
    EXPECT_FALSE(QFileInfo::exists(Path("out"))) << "a dry run creates no folder either";

    WriteFile("out/a.bts", "mine");
    ASSERT_EQ(Run({ "convert", "-r", "--keep-existing", "-o", Path("out"), Path("in") }), 0);
    EXPECT_EQ(FOut,
        Saved("out/B.bts") + Path("in/a.xml") + ": skipped, " + Path("out/a.bts") + " exists\n"
            + Saved("out/sub/c.bts"));
    EXPECT_EQ(FErr, "2 converted, 1 skipped, 0 failed\n");
    EXPECT_EQ(ReadFile("out/a.bts"), "mine");

    ASSERT_EQ(Run({ "convert", "-q", "-r", "-o", Path("out"), Path("in") }), 0);
    EXPECT_EQ(FOut, "");
    EXPECT_EQ(FErr, "3 converted, 0 skipped, 0 failed\n");
    EXPECT_NE(ReadFile("out/a.bts"), "mine") << "without --keep-existing a target is replaced";

    WriteFile("broken.xml", kBrokenTemplate);
    EXPECT_EQ(Run({ "convert", "-q", Path("in/a.xml"), Path("broken.xml") }), 1);
    EXPECT_EQ(FOut, "");
    EXPECT_TRUE(FErr.startsWith(Path("broken.xml") + ": TrsXMLData parser error: ")) << FErr.toStdString();
    EXPECT_TRUE(FErr.endsWith("\n1 converted, 0 skipped, 1 failed\n")) << FErr.toStdString();
}

TEST_F(ConvertCommandTest, NoTargetIsWrittenTwiceAndNoOriginalIsReplaced)
{
    WriteFile("a.xml", kPlainTemplate);
    WriteFile("other/a.xml", kBrokenTemplate);
    WriteFile("own.bts", kPlainTemplate);
    EXPECT_EQ(Run({ "convert", "-o", Path("out"), Path("a.xml"), Path("other/a.xml") }), 1);
    EXPECT_EQ(FOut, Saved("out/a.bts"));
    EXPECT_EQ(FErr,
        Path("other/a.xml") + ": " + Path("out/a.bts") + " is the new template of " + Path("a.xml")
            + " already.\n1 converted, 0 skipped, 1 failed\n");
    EXPECT_TRUE(ReadFile("out/a.bts").contains("<jpegquality.Value>33</jpegquality.Value>"));

    // The same file reached twice is one file, converted once.
    EXPECT_EQ(Run({ "convert", Path("a.xml"), Path("a.xml") }), 0);
    EXPECT_EQ(FOut, "New Profile Template File Saved as a.bts\n");
    EXPECT_EQ(FErr, "");

    EXPECT_EQ(Run({ "convert", Path("own.bts") }), 1);
    EXPECT_EQ(FErr, Path("own.bts") + ": own.bts is a template of this run and is not replaced.\n");
    EXPECT_EQ(ReadFile("own.bts"), kPlainTemplate);

    // Through links: a target that is a link to a template of the run, and
    // one file reached through a linked folder and by its own folder.
    WriteFile("b.xml", kPlainTemplate);
    ASSERT_TRUE(QFile::link(Path("a.xml"), Path("out/b.bts")));
    EXPECT_EQ(Run({ "convert", "-o", Path("out"), Path("a.xml"), Path("b.xml") }), 1);
    EXPECT_EQ(FErr,
        Path("b.xml") + ": " + Path("out/b.bts")
            + " is a template of this run and is not replaced.\n1 converted, 0 skipped, 1 failed\n");
    EXPECT_EQ(ReadFile("a.xml"), kPlainTemplate);
    ASSERT_TRUE(QFile::link(Path("other"), Path("via")));
    EXPECT_EQ(Run({ "convert", "-o", Path("linked"), Path("via/a.xml"), Path("other/a.xml") }), 1);
    EXPECT_TRUE(FErr.startsWith(Path("via/a.xml") + ": ")) << FErr.toStdString();
    EXPECT_EQ(FErr.count('\n'), 1) << "one file, one line and no summary: " << FErr.toStdString();
}

TEST_F(ConvertCommandTest, BadInputIsOneLineEachAndTheRunGoesOn)
{
    WriteFolder();
    WriteFile("blocker", "a file where a folder should be");
    WriteFile("good.xml", kPlainTemplate);

    // An output folder that cannot be created.
    EXPECT_EQ(Run({ "convert", "-o", Path("blocker/out"), Path("in/a.xml"), Path("good.xml") }), 1);
    EXPECT_EQ(FErr,
        Path("in/a.xml") + ": Cannot create folder \"" + Path("blocker") + "\". File exists\n"
            + Path("good.xml") + ": Cannot create folder \"" + Path("blocker")
            + "\". File exists\n0 converted, 0 skipped, 2 failed\n");

    // A target that is a folder, with and without --keep-existing.
    ASSERT_TRUE(QDir().mkpath(Path("out/a.bts")));
    EXPECT_EQ(Run({ "convert", "-o", Path("out"), Path("in") }), 1);
    EXPECT_EQ(FOut, Saved("out/B.bts"));
    EXPECT_TRUE(FErr.startsWith(Path("in/a.xml") + ": Cannot create file \"" + Path("out/a.bts") + "\". "))
        << FErr.toStdString();
    EXPECT_TRUE(FErr.endsWith("\n1 converted, 0 skipped, 1 failed\n")) << FErr.toStdString();
    EXPECT_EQ(Run({ "convert", "--keep-existing", "-o", Path("out"), Path("in") }), 1);
    EXPECT_EQ(FOut, Path("in/B.XML") + ": skipped, " + Path("out/B.bts") + " exists\n");
    EXPECT_TRUE(FErr.startsWith(Path("in/a.xml") + ": Cannot create file \"" + Path("out/a.bts") + "\". "))
        << "a folder in the way is no target to keep";
    EXPECT_TRUE(FErr.endsWith("\n0 converted, 1 skipped, 1 failed\n")) << FErr.toStdString();
    EXPECT_EQ(FilesUnder("out"), QStringList({ "B.bts" })) << "nothing half-written is left";

    // A file that vanishes between listing and reading.
    FBeforeRead = [this](const QString& path) {
        if (path.endsWith("B.XML"))
            QFile::remove(Path("in/B.XML"));
    };
    EXPECT_EQ(Run({ "convert", "-o", Path("vanished"), Path("in") }), 1);
    EXPECT_EQ(FOut, Saved("vanished/a.bts"));
    EXPECT_TRUE(FErr.startsWith(Path("in/B.XML") + ": Cannot open file \"" + Path("in/B.XML") + "\". "))
        << FErr.toStdString();
    EXPECT_EQ(FilesUnder("vanished"), QStringList({ "a.bts" }));
}

TEST_F(ConvertCommandTest, AProgressLineIsDrawnOnATerminalForMoreThanTwentyFiles)
{
    for (int i = 1; i <= 21; ++i)
        WriteFile(QStringLiteral("many/t%1.xml").arg(i, 2, 10, QLatin1Char('0')), kPlainTemplate);
    ASSERT_EQ(Run({ "convert", "-q", Path("many") }, true), 0);
    EXPECT_TRUE(FErr.startsWith("\r\x1b[K1/21 0% " + Path("many/t01.xml") + "\r\x1b[K2/21 4% "))
        << FErr.toStdString();
    EXPECT_TRUE(
        FErr.endsWith("21/21 95% " + Path("many/t21.xml") + "\r\x1b[K21 converted, 0 skipped, 0 failed\n"))
        << FErr.toStdString();

    ASSERT_EQ(Run({ "convert", "-q", Path("many") }, false), 0);
    EXPECT_EQ(FErr, "21 converted, 0 skipped, 0 failed\n") << "no progress where it is no terminal";
    QFile::remove(Path("many/t21.xml"));
    ASSERT_EQ(Run({ "convert", "-q", Path("many") }, true), 0);
    EXPECT_EQ(FErr, "20 converted, 0 skipped, 0 failed\n") << "nor for twenty files";
}

TEST_F(ConvertCommandTest, ABatchOfSeveralChunksReportsEveryFileOnceInOrder)
{
    // Three chunks of the batch writer, with a template that does not load
    // and a target that cannot be written in each.
    const int count = 600;
    const QList<int> unreadable { 3, 300, 599 };
    const QList<int> unwritable { 100, 256, 512 };
    QString out;
    QString err;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("t%1").arg(i, 3, 10, QLatin1Char('0'));
        WriteFile("many/" + name + ".xml", unreadable.contains(i) ? "no template" : kPlainTemplate);
        if (unwritable.contains(i)) {
            ASSERT_TRUE(QDir().mkpath(Path("out/" + name + ".bts")));
        }
        if (unreadable.contains(i) || unwritable.contains(i))
            err += Path("many/" + name + ".xml") + ": ";
        else
            out += Saved("out/" + name + ".bts");
    }
    ASSERT_EQ(Run({ "convert", "-o", Path("out"), Path("many") }), 1);
    EXPECT_EQ(FOut, out);
    // Each failure is one line, in the order of the files.
    QStringList lines = FErr.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeLast(), "594 converted, 0 skipped, 6 failed");
    QString failed;
    for (const QString& line : std::as_const(lines))
        failed += line.left(line.indexOf(": ") + 2);
    EXPECT_EQ(failed, err);
    EXPECT_EQ(FilesUnder("out").size(), count - 6) << "the new templates and no temporary file";
}

TEST_F(ConvertCommandTest, ProductSettingsComeFromTheChosenPrefixOrNotAtAll)
{
    WriteProductSettings({ { "\\mirovane3\\imageformat.Text", "From The Registry" } });
    const QString prefix = Path("wine");
    qputenv("WINEPREFIX", Path("elsewhere").toLocal8Bit());
    WriteFile("a.xml", kPlainTemplate);
    const QByteArray element = "<imageformat.Text>From The Registry</imageformat.Text>";

    ASSERT_EQ(Run({ "convert", Path("a.xml") }), 0);
    EXPECT_FALSE(ReadFile("a.bts").contains(element)) << "the empty prefix of $WINEPREFIX";
    ASSERT_EQ(Run({ "convert", "--wine-prefix", prefix, Path("a.xml") }), 0);
    EXPECT_TRUE(ReadFile("a.bts").contains(element));
    ASSERT_EQ(Run({ "--wine-prefix", prefix, "convert", Path("a.xml") }), 0) << "also before the command";
    EXPECT_TRUE(ReadFile("a.bts").contains(element));
    EXPECT_EQ(qgetenv("WINEPREFIX"), Path("elsewhere").toLocal8Bit()) << "the prefix is put back";
    ASSERT_EQ(Run({ "convert", "--wine-prefix", prefix, "--no-product-settings", Path("a.xml") }), 0);
    EXPECT_TRUE(
        ReadFile("a.bts").contains("<imageformat.Text>Merge All Documents to a Single Multipages TIFF<"));
}

// mirovane-templates run as a user runs it: a process in a folder of its
// own, as an ordinary user (setpriv drops root, which reads and writes
// whatever the permissions say), its whole standard output and error
// compared, so that a line Qt or a library prints on the real streams
// cannot hide. One table of cases, each run in the usual UTF-8 locale and
// in the plain C locale of cron jobs and containers.
#include "app/cli/TemplatesTool.h"
#include "support/ProcessAsUser.h"
#include "support/SampleTemplates.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

struct ToolCase {
    const char* Name;
    const char* Prepare; // shell commands run first, as the same user, in the folder
    const char* Arguments; // shell words after the tool's name
    const char* Out; // {D}: the folder; {usage}, {show}, {dump}: what those print
    const char* Err;
    int Status;
};

void PrintTo(const ToolCase& toolCase, std::ostream* out)
{
    *out << toolCase.Name;
}

const char* const kNotUtf8 = "The name is not valid UTF-8, so it cannot be opened; rename it, "
                             "e.g. with convmv -f latin1 -t utf8 --notest, and convert it again.";

// What the tool prints for ARGUMENTS, run inside this process.
QString InProcess(const QStringList& arguments)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    TemplatesTool tool(outStream, errStream);
    tool.Run(arguments);
    outStream.flush();
    return out;
}

class ToolAsAProcess : public ::testing::TestWithParam<std::tuple<ToolCase, const char*>> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FFolder.IsValid());
        // in/: templates beside hidden files, a hidden folder, a link to
        // one of them and a file that is none; latin1/: a name in Latin-1.
        Write("a.xml", kPlainTemplate);
        Write("b.xml", kPlainTemplate);
        Write("broken.xml", kBrokenTemplate);
        Write("in/a.xml", kPlainTemplate);
        Write("in/B.XML", kPlainTemplate);
        Write("in/._a.xml", "");
        Write("in/.hidden.xml", kPlainTemplate);
        Write("in/.git/d.xml", kPlainTemplate);
        Write("in/sub/c.xml", kPlainTemplate);
        Write("in/notes.txt", "not a template");
        ASSERT_TRUE(QFile::link("a.xml", Path("in/link.xml")));
        Write("latin1/ok.xml", kPlainTemplate);
        const QByteArray latin1 = QFile::encodeName(Path("latin1/")) + "caf\xe9.xml";
        FFolder.WriteRaw(latin1, kPlainTemplate);
        ASSERT_FALSE(QFile::exists(QFile::decodeName(latin1))) << "the name cannot come back from a QString";
        ASSERT_TRUE(QDir(Path("")).mkpath("wine"));
        FFolder.HandOver();
    }
    QString Path(const QString& name) const { return FFolder.Path() + u'/' + name; }
    void Write(const QString& name, const QByteArray& content)
    {
        FFolder.WriteRaw(QFile::encodeName(Path(name)), content);
    }
    QString Expected(const char* text) const
    {
        QString expected = QString::fromUtf8(text);
        expected.replace("{D}", FFolder.Path());
        expected.replace("{notutf8}", QString::fromUtf8(kNotUtf8));
        if (expected == "{usage}")
            return TemplatesTool::Usage();
        if (expected == "{show}" || expected == "{dump}")
            return InProcess({ expected.mid(1, 4), Path("a.xml"), "--no-product-settings" });
        return expected;
    }

    UserFolder FFolder;
};

} // namespace

TEST_P(ToolAsAProcess, PrintsItsOwnLinesOnlyAndEndsWithItsStatus)
{
    const auto& [toolCase, locale] = GetParam();
    const ProcessResult result = FFolder.Run(MIROVANE_TOOL, toolCase.Prepare, toolCase.Arguments,
        { QString::fromLatin1(locale), "WINEPREFIX=" + Path("wine") });
    EXPECT_EQ(result.Out, Expected(toolCase.Out));
    EXPECT_EQ(result.Err, Expected(toolCase.Err));
    EXPECT_EQ(result.Status, toolCase.Status);
}

INSTANTIATE_TEST_SUITE_P(EveryCommandAndItsUsualFailures, ToolAsAProcess,
    ::testing::Combine(
        ::testing::Values(ToolCase { "Help", "", "--help", "{usage}", "", 0 },
            ToolCase {
                "ConvertOne", "", "convert a.xml", "New Profile Template File Saved as a.bts\n", "", 0 },
            ToolCase { "ConvertTheSameFileNamedTwiceOnce", "", "convert a.xml ./a.xml",
                "New Profile Template File Saved as a.bts\n", "", 0 },
            ToolCase { "FolderLeavesOutHiddenFilesAndTakesALinkedFileOnce", "", "convert in",
                "New Profile Template File Saved as B.bts\nNew Profile Template File Saved as a.bts\n",
                "2 converted, 0 skipped, 0 failed\n", 0 },
            ToolCase { "RecursiveLeavesOutHiddenFolders", "", "convert -r -o out in",
                "New Profile Template File Saved as {D}/out/B.bts\nNew Profile Template File Saved as "
                "{D}/out/a.bts\nNew Profile Template File Saved as {D}/out/sub/c.bts\n",
                "3 converted, 0 skipped, 0 failed\n", 0 },
            ToolCase { "FileAndTheFolderHoldingItConvertItOnce", "", "convert in/a.xml in",
                "New Profile Template File Saved as a.bts\nNew Profile Template File Saved as B.bts\n",
                "2 converted, 0 skipped, 0 failed\n", 0 },
            ToolCase { "HiddenFileNamedIsConverted", "", "convert in/.hidden.xml",
                "New Profile Template File Saved as .hidden.bts\n", "", 0 },
            ToolCase { "Latin1NameInAFolderIsReportedAndCounted", "", "convert latin1",
                "New Profile Template File Saved as ok.bts\n",
                "latin1/caf\xef\xbf\xbd.xml: {notutf8}\n1 converted, 0 skipped, 1 failed\n", 1 },
            ToolCase { "Latin1NameNamedIsReportedNotMissing", "",
                "convert \"$(printf 'latin1/caf\\351.xml')\" a.xml",
                "New Profile Template File Saved as a.bts\n",
                "latin1/caf\xef\xbf\xbd.xml: {notutf8}\n1 converted, 0 skipped, 1 failed\n", 1 },
            ToolCase { "Latin1NameShown", "", "show \"$(printf 'latin1/caf\\351.xml')\"", "",
                "latin1/caf\xef\xbf\xbd.xml: {notutf8}\n", 1 },
            ToolCase { "BrokenTemplate", "", "convert broken.xml", "",
                "broken.xml: TrsXMLData parser error: Missing begin tag mark.\n", 1 },
            ToolCase { "Show", "", "show a.xml --no-product-settings", "{show}", "", 0 },
            ToolCase { "Dump", "", "dump a.xml --no-product-settings", "{dump}", "", 0 },
            ToolCase { "Export", "", "export out.bts", "",
                "mirovane-templates: no product settings were read; out.bts holds the configured values\n",
                0 },
            ToolCase { "Decrypt", "", "decrypt a.xml plain.xml", "", "", 0 },
            ToolCase { "Encrypt", "", "encrypt a.xml enc.xml", "", "", 0 },
            ToolCase { "DecryptMissing", "", "decrypt missing.xml out.xml", "",
                "missing.xml: Cannot open file \"{D}/missing.xml\". No such file or directory\n", 1 },
            ToolCase { "EncryptOntoItself", "", "encrypt a.xml a.xml", "",
                "a.xml: OUT must not be the template itself.\n", 1 },
            ToolCase { "UnknownCommand", "", "frobnicate", "",
                "mirovane-templates: unknown command \"frobnicate\"\nTry 'mirovane-templates --help'.\n", 2 },
            ToolCase { "ConvertWithoutFiles", "", "convert", "",
                "mirovane-templates: convert needs at least one FILE\nTry 'mirovane-templates --help'.\n",
                2 },
            ToolCase { "UnknownOption", "", "export --json out.bts", "",
                "mirovane-templates: Unknown option 'json'.\nTry 'mirovane-templates --help'.\n", 2 },
            ToolCase { "UnreadableTemplate", "cp a.xml locked.xml && chmod 0 locked.xml",
                "convert locked.xml a.xml", "New Profile Template File Saved as a.bts\n",
                "locked.xml: Cannot open file \"{D}/locked.xml\". Permission denied\n"
                "1 converted, 0 skipped, 1 failed\n",
                1 },
            ToolCase { "UnreadableFolder", "mkdir locked && cp a.xml locked/ && chmod 0 locked",
                "convert locked a.xml", "New Profile Template File Saved as a.bts\n",
                "locked: Cannot open folder \"{D}/locked\". Permission denied\n"
                "1 converted, 0 skipped, 1 failed\n",
                1 },
            ToolCase { "ReadOnlyOutputFolder", "mkdir ro && chmod 555 ro", "convert -o ro a.xml b.xml", "",
                "a.xml: Cannot create file \"{D}/ro/a.bts\". Permission denied\n"
                "b.xml: Cannot create file \"{D}/ro/b.bts\". Permission denied\n"
                "0 converted, 0 skipped, 2 failed\n",
                1 },
            ToolCase { "ReadOnlyFolderOfTheOriginal", "mkdir ro && cp a.xml ro/ && chmod 555 ro",
                "convert ro/a.xml b.xml", "New Profile Template File Saved as b.bts\n",
                "ro/a.xml: Cannot create file \"{D}/ro/a.bts\". Permission denied\n"
                "1 converted, 0 skipped, 1 failed\n",
                1 },
            ToolCase { "ReadOnlyEarlierNewTemplate", "cp a.xml c.xml && cp a.xml c.bts && chmod 444 c.bts",
                "convert c.xml a.xml", "New Profile Template File Saved as a.bts\n",
                "c.xml: Cannot create file \"{D}/c.bts\". Existing file {D}/c.bts is not writable\n"
                "1 converted, 0 skipped, 1 failed\n",
                1 }),
        ::testing::Values("LANG=C.UTF-8", "LC_ALL=C")),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).Name)
            + (std::string(std::get<1>(info.param)) == "LC_ALL=C" ? "_CLocale" : "_Utf8Locale");
    });

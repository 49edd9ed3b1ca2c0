#include "ToolFixture.h"
#include "app/cli/TreeDump.h"
#include "support/SampleTemplates.h"

using TemplatesToolTest = ToolFixture;

TEST_F(TemplatesToolTest, ConvertGoesOnAfterAFailureAndReportsIt)
{
    WriteFile("a.xml", kPlainTemplate);
    WriteFile("broken.xml", kBrokenTemplate);
    WriteFile("b.xml", kPlainTemplate);
    EXPECT_EQ(Run({ "convert", Path("a.xml"), Path("broken.xml"), Path("missing.xml"), Path("b.xml") }), 1);
    EXPECT_EQ(FOut, "New Profile Template File Saved as a.bts\nNew Profile Template File Saved as b.bts\n");
    const QStringList errors = FErr.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(errors.size(), 3) << FErr.toStdString();
    EXPECT_EQ(errors[2], "2 converted, 0 skipped, 2 failed");
    EXPECT_TRUE(errors[0].startsWith(Path("broken.xml") + ": TrsXMLData parser error: "))
        << errors[0].toStdString();
    EXPECT_TRUE(
        errors[1].startsWith(Path("missing.xml") + ": Cannot open file \"" + Path("missing.xml") + "\". "))
        << errors[1].toStdString();
    EXPECT_EQ(ReadFile("a.bts"), ReadFile("b.bts")) << "each file starts from a fresh form";
    EXPECT_FALSE(QFile::exists(Path("broken.bts")));
    EXPECT_EQ(Run({ "convert", Path("a.xml") }), 0);
}

TEST_F(TemplatesToolTest, DumpPrintsKeysBeforeSectionsWithTypesAndEscapes)
{
    WriteFile("a.xml", kPlainTemplate);
    ASSERT_EQ(Run({ "dump", Path("a.xml") }), 0) << FErr.toStdString();
    EXPECT_EQ(FOut,
        "section\tmirovane3\n"
        "key\t\\\\mirovane3\\\\jpegquality.Value\tktInteger\t33\n"
        "key\t\\\\mirovane3\\\\keep_structure.Checked\tktBoolean\tTrue\n"
        "key\t\\\\mirovane3\\\\keepratioaspect.State\tktString\tcbChecked\n"
        "key\t\\\\mirovane3\\\\notasetting\tktString\tx\n"
        "key\t\\\\mirovane3\\\\textsize.ItemIndex\tktInteger\t2\n");
    EXPECT_EQ(EscapeDumpText(QStringLiteral("a\\b\tc\rd\ne\x01")), "a\\\\b\\tc\\rd\\ne\\x01");
    EXPECT_EQ(KeyTypeName(10), "ktPointer");
}

TEST_F(TemplatesToolTest, DecryptAndEncryptKeepTheTreeAndNeverWriteTheSource)
{
    WriteFile("a.xml", kPlainTemplate);
    ASSERT_EQ(Run({ "dump", Path("a.xml") }), 0);
    const QString plainDump = FOut;
    ASSERT_EQ(Run({ "encrypt", Path("a.xml"), Path("enc.xml") }), 0) << FErr.toStdString();
    EXPECT_FALSE(ReadFile("enc.xml").contains("mirovane3"));
    ASSERT_EQ(Run({ "decrypt", Path("enc.xml"), Path("dec.xml") }), 0) << FErr.toStdString();
    ASSERT_EQ(Run({ "encrypt", Path("dec.xml"), Path("enc2.xml") }), 0) << FErr.toStdString();
    ASSERT_EQ(Run({ "dump", Path("enc2.xml") }), 0);
    EXPECT_EQ(FOut, plainDump);
    EXPECT_EQ(ReadFile("a.xml"), kPlainTemplate);

    // The plain UTF-16 file and the encrypted one convert like the 8-bit source.
    ASSERT_TRUE(ReadFile("dec.xml").startsWith("\xff\xfe")) << "a byte-order mark, then UTF-16LE";
    ASSERT_EQ(Run({ "convert", Path("a.xml"), Path("dec.xml"), Path("enc.xml") }), 0) << FErr.toStdString();
    EXPECT_EQ(ReadFile("dec.bts"), ReadFile("a.bts"));
    EXPECT_EQ(ReadFile("enc.bts"), ReadFile("a.bts"));
    EXPECT_TRUE(ReadFile("a.bts").contains("<jpegquality.Value>33</jpegquality.Value>"));

    EXPECT_EQ(Run({ "decrypt", Path("enc.xml"), Path("enc.xml") }), 1);
    EXPECT_TRUE(FErr.contains("OUT must not be the template itself."));
}

TEST_F(TemplatesToolTest, UsageErrorsExitWithTwoAndHelpAndVersionWithZero)
{
    EXPECT_EQ(Run({}), 2);
    EXPECT_TRUE(FErr.startsWith("mirovane-templates: no command given"));
    EXPECT_EQ(Run({ "convert" }), 2);
    EXPECT_EQ(Run({ "frobnicate" }), 2);
    EXPECT_EQ(Run({ "dump", "a", "b" }), 2);
    EXPECT_EQ(Run({ "--help" }), 0);
    EXPECT_TRUE(FOut.startsWith("Usage: mirovane-templates [OPTIONS] COMMAND"));
    EXPECT_EQ(Run({ "--version" }), 0);
    EXPECT_TRUE(FOut.startsWith("mirovane-templates "));
}

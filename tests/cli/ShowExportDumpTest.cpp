#include "ToolFixture.h"
#include "support/SampleTemplates.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Keys for every origin and every reason: two loaded settings, one the
// slider clamps, one a path names without a component, one no path names,
// one in a subsection and one in another top-level section.
const QByteArray kMixedTemplate = "<?xml version=\"1.0\" ?>\r\n"
                                  "<DOCUMENT>\r\n"
                                  "  <mirovane3>\r\n"
                                  "    <jpegquality.Value>33</jpegquality.Value>\r\n"
                                  "    <percentage.Value>400</percentage.Value>\r\n"
                                  "    <saveinfolder.Text>C:\\out</saveinfolder.Text>\r\n"
                                  "    <notasetting>x</notasetting>\r\n"
                                  "    <sub><textsize.ItemIndex>2</textsize.ItemIndex></sub>\r\n"
                                  "  </mirovane3>\r\n"
                                  "  <other><k>v</k></other>\r\n"
                                  "</DOCUMENT>\r\n";

using ShowCommandTest = ToolFixture;
using ExportCommandTest = ToolFixture;
using DumpCommandTest = ToolFixture;
using CommandLineTest = ToolFixture;

} // namespace

TEST_F(ShowCommandTest, TheTableGivesEachSettingItsOriginAndEachLostKeyItsReason)
{
    WriteProductSettings({ { "\\mirovane3\\imageformat.Text", "From The Registry" },
        { "\\mirovane3\\jpegquality.Value", "90" }, { "\\mirovane3\\saveinfolder.Text", "product" } });
    WriteFile("mixed.xml", kMixedTemplate);
    ASSERT_EQ(Run({ "show", Path("mixed.xml") }), 0) << FErr.toStdString();
    const QStringList lines = FOut.split('\n');
    ASSERT_EQ(lines.size(), 1 + 61 + 1 + 1 + 5 + 1) << FOut.toStdString();
    EXPECT_EQ(lines[0], "Setting                         Value                     Origin");
    EXPECT_EQ(lines[1], "copyrighttag.Value                                        default");
    EXPECT_EQ(lines[2], "jpegquality.Value               33                        template");
    EXPECT_EQ(lines[6], "percentage.Value                300                       template");
    EXPECT_EQ(lines[14], "textsize.ItemIndex              7                         default");
    EXPECT_EQ(lines[20], "imageformat.Text                From The Registry         product");
    EXPECT_EQ(lines[55], "saveinfolder.Text                                         default");
    EXPECT_EQ(lines[61], "tiffcolorcolordepth.Value       As Is                     default");
    EXPECT_EQ(lines[62], "");
    EXPECT_EQ(FOut.section('\n', 63),
        "Not carried over                      Reason   Stored\n"
        "\\\\mirovane3\\\\notasetting              unknown  x\n"
        "\\\\mirovane3\\\\percentage.Value         changed  400\n"
        "\\\\mirovane3\\\\saveinfolder.Text        unknown  C:\\\\out\n"
        "\\\\mirovane3\\\\sub\\\\textsize.ItemIndex  outside  2\n"
        "\\\\other\\\\k                            outside  v\n");
    EXPECT_FALSE(QFile::exists(Path("mixed.bts"))) << "show writes nothing";
}

TEST_F(ShowCommandTest, JsonHoldsTheSameReportAndFailuresAreReportedAsConvertDoes)
{
    WriteProductSettings({ { "\\mirovane3\\imageformat.Text", "From The Registry" } });
    WriteFile("mixed.xml", kMixedTemplate);
    ASSERT_EQ(Run({ "show", "--json", Path("mixed.xml") }), 0) << FErr.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(FOut.toUtf8()).object();
    EXPECT_EQ(root.value("file").toString(), Path("mixed.xml"));
    const QJsonArray settings = root.value("settings").toArray();
    ASSERT_EQ(settings.size(), 61);
    EXPECT_EQ(settings[1].toObject(),
        QJsonObject({ { "path", "jpegquality.Value" }, { "value", "33" }, { "origin", "template" } }));
    EXPECT_EQ(settings[19].toObject(),
        QJsonObject(
            { { "path", "imageformat.Text" }, { "value", "From The Registry" }, { "origin", "product" } }));
    const QJsonArray lost = root.value("not_carried").toArray();
    ASSERT_EQ(lost.size(), 5);
    EXPECT_EQ(lost[1].toObject(),
        QJsonObject(
            { { "key", "\\mirovane3\\percentage.Value" }, { "reason", "changed" }, { "stored", "400" } }));
    EXPECT_EQ(lost[4].toObject(),
        QJsonObject({ { "key", "\\other\\k" }, { "reason", "outside" }, { "stored", "v" } }));

    ASSERT_EQ(Run({ "show", "--no-product-settings", "--json", Path("mixed.xml") }), 0);
    EXPECT_EQ(QJsonDocument::fromJson(FOut.toUtf8())
                  .object()
                  .value("settings")
                  .toArray()[19]
                  .toObject()
                  .value("origin"),
        "default");

    WriteFile("broken.xml", kBrokenTemplate);
    EXPECT_EQ(Run({ "show", Path("broken.xml") }), 1);
    EXPECT_EQ(FOut, "");
    EXPECT_TRUE(FErr.startsWith(Path("broken.xml") + ": TrsXMLData parser error: ")) << FErr.toStdString();
}

TEST_F(ExportCommandTest, TheProductSettingsAreWrittenAsAConversionOfAnEmptyTemplateWould)
{
    WriteFile("empty.xml", "<?xml version=\"1.0\" ?>\r\n<DOCUMENT><mirovane3></mirovane3></DOCUMENT>\r\n");
    ASSERT_EQ(Run({ "export", Path("configured.bts") }), 0);
    EXPECT_EQ(FErr,
        "mirovane-templates: no product settings were read; " + Path("configured.bts")
            + " holds the configured values\n");
    ASSERT_EQ(Run({ "convert", Path("empty.xml") }), 0);
    EXPECT_EQ(ReadFile("configured.bts"), ReadFile("empty.bts"));

    WriteProductSettings({ { "\\mirovane3\\jpegquality.Value", "90" } });
    ASSERT_EQ(Run({ "export", Path("product.bts") }), 0);
    EXPECT_EQ(FOut, "");
    EXPECT_EQ(FErr, "");
    ASSERT_EQ(Run({ "convert", Path("empty.xml") }), 0);
    EXPECT_EQ(ReadFile("product.bts"), ReadFile("empty.bts"));
    EXPECT_TRUE(ReadFile("product.bts").contains("<jpegquality.Value>90</jpegquality.Value>"));

    ASSERT_EQ(Run({ "export", "--no-product-settings", Path("plain.bts") }), 0);
    EXPECT_EQ(ReadFile("plain.bts"), ReadFile("configured.bts"));
    EXPECT_FALSE(FErr.isEmpty());

    ASSERT_TRUE(QDir().mkpath(Path("folder.bts")));
    EXPECT_EQ(Run({ "export", Path("folder.bts") }), 1);
    EXPECT_TRUE(
        FErr.startsWith(Path("folder.bts") + ": Cannot create file \"" + Path("folder.bts") + "\". "));
}

TEST_F(DumpCommandTest, JsonNestsSectionsAndKeysWithTypesAndValues)
{
    WriteFile("a.xml", kPlainTemplate);
    ASSERT_EQ(Run({ "dump", "--json", Path("a.xml") }), 0) << FErr.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(FOut.toUtf8()).object();
    EXPECT_EQ(root.value("keys").toObject(), QJsonObject());
    const QJsonObject top = root.value("sections").toObject();
    ASSERT_EQ(top.keys(), QStringList({ "mirovane3" }));
    const QJsonObject section = top.value("mirovane3").toObject();
    EXPECT_EQ(section.value("sections").toObject(), QJsonObject());
    const QJsonObject keys = section.value("keys").toObject();
    EXPECT_EQ(keys.size(), 5);
    EXPECT_EQ(keys.value("jpegquality.Value").toObject(),
        QJsonObject({ { "type", "ktInteger" }, { "value", "33" } }));
    EXPECT_EQ(keys.value("keep_structure.Checked").toObject(),
        QJsonObject({ { "type", "ktBoolean" }, { "value", "True" } }));
    EXPECT_EQ(
        keys.value("notasetting").toObject(), QJsonObject({ { "type", "ktString" }, { "value", "x" } }));
}

TEST_F(CommandLineTest, EachCommandHasItsHelpAndRefusesUnknownOptions)
{
    for (const char* command : { "convert", "show", "export", "dump", "decrypt", "encrypt" }) {
        ASSERT_EQ(Run({ command, "--help" }), 0) << command;
        EXPECT_TRUE(FOut.startsWith(QStringLiteral("Usage: mirovane-templates %1 [OPTIONS] ").arg(command)))
            << FOut.toStdString();
        EXPECT_TRUE(FOut.contains("      --no-product-settings   start from")) << FOut.toStdString();
        EXPECT_EQ(Run({ command, "--frobnicate" }), 2) << command;
        EXPECT_EQ(
            FErr, "mirovane-templates: Unknown option 'frobnicate'.\nTry 'mirovane-templates --help'.\n");
    }
    ASSERT_EQ(Run({ "convert", "-h" }), 0);
    EXPECT_TRUE(FOut.contains("  -o, --output-dir DIR        write the new templates under DIR"))
        << FOut.toStdString();
    EXPECT_EQ(Run({ "--frobnicate" }), 2);
    EXPECT_EQ(Run({ "--wine-prefix" }), 2);
    EXPECT_EQ(
        FErr, "mirovane-templates: Missing value after '--wine-prefix'.\nTry 'mirovane-templates --help'.\n");
    EXPECT_EQ(Run({ "show" }), 2);
    EXPECT_EQ(FErr, "mirovane-templates: show needs exactly one FILE\nTry 'mirovane-templates --help'.\n");
    EXPECT_EQ(Run({ "export", "a", "b" }), 2);
    EXPECT_EQ(FErr, "mirovane-templates: export needs exactly one OUT\nTry 'mirovane-templates --help'.\n");
    ASSERT_EQ(Run({ "--help" }), 0);
    for (const char* command :
        { "convert PATH...", "show FILE", "export OUT", "dump FILE", "decrypt FILE OUT" })
        EXPECT_TRUE(FOut.contains(QStringLiteral("\n  %1 ").arg(command))) << command;
}

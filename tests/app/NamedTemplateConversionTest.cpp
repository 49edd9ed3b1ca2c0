#include "app/NamedTemplateConversion.h"
#include "app/FileNameBytes.h"
#include "app/TCatalogueSnapshot.h"
#include "app/Tupdateform.h"
#include "framework/TApplication.h"
#include "support/ProductSettings.h"
#include "support/SampleTemplates.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

namespace {

class NamedTemplateConversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        qputenv("WINEPREFIX", FDir.filePath("wine").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", FDir.filePath("config").toLocal8Bit());
        Application().SetUserInterface(&FUi);
        FForm = new Tupdateform();
        FStartUp = std::make_unique<TCatalogueSnapshot>(*FForm);
    }
    void TearDown() override
    {
        FStartUp.reset();
        FForm->Free();
        Application().SetUserInterface(nullptr);
        qunsetenv("WINEPREFIX");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    void WritePlainTemplate(const QString& name, const QByteArray& content = kPlainTemplate) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray ReadFile(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString CannotOpen(const QString& name) const
    {
        return QStringLiteral("Cannot open file \"%1\". ").arg(Path(name));
    }

    QTemporaryDir FDir;
    ScriptedUserInterface FUi;
    Tupdateform* FForm = nullptr;
    std::unique_ptr<TCatalogueSnapshot> FStartUp;
};

} // namespace

TEST_F(NamedTemplateConversion, OneFileShowsTheConfirmationOrTheErrorAsAClickWould)
{
    WritePlainTemplate("job.xml");
    ConvertTemplateBatch(*FForm, { Path("job.xml") }, *FStartUp);
    EXPECT_EQ(FUi.Messages, QStringList { "New Profile Template File Saved as job.bts" });
    EXPECT_TRUE(FUi.Errors.isEmpty());
    EXPECT_EQ(FForm->FindComponent(u"jpegquality")->property("Value").toString(), "33");

    ConvertTemplateBatch(*FForm, { Path("missing.xml") }, *FStartUp);
    EXPECT_EQ(FUi.Messages.size(), 1) << "no confirmation after an error";
    ASSERT_EQ(FUi.Errors.size(), 1);
    EXPECT_TRUE(FUi.Errors[0].startsWith(CannotOpen("missing.xml"))) << FUi.Errors[0].toStdString();
    EXPECT_FALSE(FUi.Errors[0].contains('\n')) << "the error alone, as the click shows it";
}

TEST_F(NamedTemplateConversion, SeveralFilesGoOnAfterAFailureAndEndInOneSummary)
{
    WritePlainTemplate("a.xml");
    WritePlainTemplate("c.template.xml");
    ConvertTemplateBatch(*FForm, { Path("a.xml"), Path("b.xml"), Path("c.template.xml") }, *FStartUp);
    EXPECT_TRUE(FUi.Messages.isEmpty());
    ASSERT_EQ(FUi.Errors.size(), 1) << "one box at the end";
    const QStringList lines = FUi.Errors[0].split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "New Profile Template File Saved as a.bts");
    EXPECT_TRUE(lines[1].startsWith("b.xml: " + CannotOpen("b.xml"))) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "New Profile Template File Saved as c.template.bts");
    EXPECT_TRUE(QFile::exists(Path("a.bts")));
    EXPECT_TRUE(QFile::exists(Path("c.template.bts")));

    ConvertTemplateBatch(*FForm, { Path("a.xml"), Path("c.template.xml") }, *FStartUp);
    EXPECT_EQ(FUi.Messages,
        QStringList { "New Profile Template File Saved as a.bts\n"
                      "New Profile Template File Saved as c.template.bts" })
        << "a summary without failures is a plain message";
    EXPECT_EQ(FUi.Errors.size(), 1);

    ConvertTemplateBatch(*FForm, {}, *FStartUp);
    EXPECT_EQ(FUi.Messages.size(), 1) << "nothing to convert shows nothing";
    EXPECT_EQ(FUi.Errors.size(), 1);
}

TEST_F(NamedTemplateConversion, EachFileOfABatchStartsFromTheStateAfterStartUpNotFromTheFileBefore)
{
    // Written before the form of this test existed, so read at its start-up.
    FStartUp.reset();
    FForm->Free();
    ASSERT_TRUE(QDir(FDir.path()).mkpath("wine"));
    WriteProductSettings({ { "\\mirovane3\\jpegquality.Value", "70" },
        { "\\mirovane3\\textcaption.Value", "From The Product" } });
    FForm = new Tupdateform();
    FStartUp = std::make_unique<TCatalogueSnapshot>(*FForm);

    const QByteArray sparse = kSparseTemplate;
    WritePlainTemplate("a.xml");
    WritePlainTemplate("sparse.xml", sparse);
    ConvertTemplateBatch(*FForm, { Path("sparse.xml") }, *FStartUp);
    const QByteArray alone = ReadFile("sparse.bts");
    ASSERT_TRUE(alone.contains("<jpegquality.Value>70</jpegquality.Value>")) << alone.constData();

    ConvertTemplateBatch(*FForm, { Path("a.xml"), Path("sparse.xml") }, *FStartUp);
    EXPECT_EQ(ReadFile("sparse.bts"), alone) << "dropped together";
    ConvertTemplateBatch(*FForm, { Path("a.xml") }, *FStartUp);
    ConvertTemplateBatch(*FForm, { Path("sparse.xml") }, *FStartUp);
    EXPECT_EQ(ReadFile("sparse.bts"), alone) << "dropped one after the other";

    // A click after a click goes on from the catalogue the click before left.
    FUi.Answers = QStringList { Path("a.xml"), Path("sparse.xml") };
    FForm->sBitBtn1Click();
    FForm->sBitBtn1Click();
    EXPECT_TRUE(ReadFile("sparse.bts").contains("<jpegquality.Value>33</jpegquality.Value>"));
}

TEST_F(NamedTemplateConversion, ANameThatIsNotUtf8IsReportedAsSuchNotAsMissing)
{
    const QByteArray latin1 = QFile::encodeName(Path("caf")) + "\xe9.xml";
    QFile file;
    ASSERT_TRUE(
        file.open(std::fopen(latin1.constData(), "wb"), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    file.write(kPlainTemplate);
    file.close();
    const QString decoded = QFile::decodeName(latin1);
    const QString expected = "Cannot open file \"" + decoded + "\". " + NotUtf8Message();

    ConvertTemplateBatch(*FForm, { decoded }, *FStartUp);
    EXPECT_EQ(FUi.Errors, QStringList { expected });
    WritePlainTemplate("a.xml");
    ConvertTemplateBatch(*FForm, { decoded, Path("a.xml") }, *FStartUp);
    ASSERT_EQ(FUi.Errors.size(), 2);
    EXPECT_EQ(FUi.Errors[1], "caf\uFFFD.xml: " + expected + "\nNew Profile Template File Saved as a.bts");
}

#include "app/NamedTemplateConversion.h"
#include "app/Tupdateform.h"
#include "framework/TApplication.h"
#include "support/SampleTemplates.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
    }
    void TearDown() override
    {
        FForm->Free();
        Application().SetUserInterface(nullptr);
        qunsetenv("WINEPREFIX");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    void WritePlainTemplate(const QString& name) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kPlainTemplate);
    }
    QString CannotOpen(const QString& name) const
    {
        return QStringLiteral("Cannot open file \"%1\". ").arg(Path(name));
    }

    QTemporaryDir FDir;
    ScriptedUserInterface FUi;
    Tupdateform* FForm = nullptr;
};

} // namespace

TEST_F(NamedTemplateConversion, OneFileShowsTheConfirmationOrTheErrorAsAClickWould)
{
    WritePlainTemplate("job.xml");
    ConvertTemplateBatch(*FForm, { Path("job.xml") });
    EXPECT_EQ(FUi.Messages, QStringList { "New Profile Template File Saved as job.bts" });
    EXPECT_TRUE(FUi.Errors.isEmpty());
    EXPECT_EQ(FForm->FindComponent(u"jpegquality")->property("Value").toString(), "33");

    ConvertTemplateBatch(*FForm, { Path("missing.xml") });
    EXPECT_EQ(FUi.Messages.size(), 1) << "no confirmation after an error";
    ASSERT_EQ(FUi.Errors.size(), 1);
    EXPECT_TRUE(FUi.Errors[0].startsWith(CannotOpen("missing.xml"))) << FUi.Errors[0].toStdString();
    EXPECT_FALSE(FUi.Errors[0].contains('\n')) << "the error alone, as the click shows it";
}

TEST_F(NamedTemplateConversion, SeveralFilesGoOnAfterAFailureAndEndInOneSummary)
{
    WritePlainTemplate("a.xml");
    WritePlainTemplate("c.template.xml");
    ConvertTemplateBatch(*FForm, { Path("a.xml"), Path("b.xml"), Path("c.template.xml") });
    EXPECT_TRUE(FUi.Messages.isEmpty());
    ASSERT_EQ(FUi.Errors.size(), 1) << "one box at the end";
    const QStringList lines = FUi.Errors[0].split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "New Profile Template File Saved as a.bts");
    EXPECT_TRUE(lines[1].startsWith("b.xml: " + CannotOpen("b.xml"))) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "New Profile Template File Saved as c.template.bts");
    EXPECT_TRUE(QFile::exists(Path("a.bts")));
    EXPECT_TRUE(QFile::exists(Path("c.template.bts")));

    ConvertTemplateBatch(*FForm, { Path("a.xml"), Path("c.template.xml") });
    EXPECT_EQ(FUi.Messages,
        QStringList { "New Profile Template File Saved as a.bts\n"
                      "New Profile Template File Saved as c.template.bts" })
        << "a summary without failures is a plain message";
    EXPECT_EQ(FUi.Errors.size(), 1);

    ConvertTemplateBatch(*FForm, {});
    EXPECT_EQ(FUi.Messages.size(), 1) << "nothing to convert shows nothing";
    EXPECT_EQ(FUi.Errors.size(), 1);
}

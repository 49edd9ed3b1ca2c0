#include "app/TemplateWriter.h"
#include "app/Tupdateform.h"
#include "framework/Exception.h"
#include "framework/TApplication.h"
#include "framework/TMemo.h"
#include "framework/TOpenDialog.h"
#include "support/ScriptedUserInterface.h"

#include "support/SampleTemplates.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class UpdateFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        Application().SetUserInterface(&FUi);
        FForm = new Tupdateform();
    }
    void TearDown() override
    {
        FForm->Free();
        Application().SetUserInterface(nullptr);
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    TStrings* SetList() const { return qobject_cast<TMemo*>(FForm->FindComponent(u"setlist"))->Lines(); }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir FDir;
    ScriptedUserInterface FUi;
    Tupdateform* FForm = nullptr;
};

} // namespace

TEST_F(UpdateFormTest, OpenDialogIsConfiguredAndCreatedLast)
{
    TOpenDialog* dialog = FForm->loadprofiledlg;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(FForm->Components(FForm->ComponentCount() - 1), dialog);
    EXPECT_EQ(dialog->Name(), "loadprofiledlg");
    EXPECT_EQ(dialog->Title(), "Select a Mirovane Template File");
    EXPECT_EQ(dialog->Filter(), "*.xml|*.xml");
    EXPECT_EQ(dialog->DefaultExt(), ".xml");
    EXPECT_EQ(dialog->FileName(), "Mirovane3Settings.XML");
    EXPECT_FALSE(dialog->Options() & TOpenDialog::ofFileMustExist);
    EXPECT_FALSE(dialog->Options() & TOpenDialog::ofPathMustExist);
    EXPECT_EQ(FForm->ClientWidth(), 582);
    EXPECT_EQ(FForm->ClientHeight(), 176);
    EXPECT_EQ(FForm->FindComponent(u"UPDATEFORM"), nullptr) << "the form does not own itself";
    EXPECT_NE(FForm->FindComponent(u"JPEGQUALITY"), nullptr);
}

TEST_F(UpdateFormTest, CancelledDialogWritesNothingAndChangesNoSetting)
{
    const QStringList before = NewTemplateLines(FForm, *SetList(), nullptr);
    FUi.Answers << QString();
    FForm->sBitBtn1Click();
    EXPECT_TRUE(FUi.Messages.isEmpty());
    EXPECT_TRUE(FUi.Errors.isEmpty());
    EXPECT_TRUE(QDir(FDir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(NewTemplateLines(FForm, *SetList(), nullptr), before);
}

TEST_F(UpdateFormTest, NewNameReplacesTheExtensionOfTheFileNamePartOnly)
{
    WriteFile("old.template.xml", kPlainTemplate);
    WriteFile("noext", kPlainTemplate);
    ASSERT_TRUE(QDir(FDir.path()).mkdir("dir.with.dots"));
    WriteFile("dir.with.dots/plain", kPlainTemplate);
    FUi.Answers << Path("old.template.xml") << Path("noext") << Path("dir.with.dots/plain");
    FForm->sBitBtn1Click();
    FForm->sBitBtn1Click();
    FForm->sBitBtn1Click();
    EXPECT_EQ(FUi.Messages, (QStringList { "New Profile Template File Saved as old.template.bts",
                                           "New Profile Template File Saved as noext.bts",
                                           "New Profile Template File Saved as plain.bts" }));
    EXPECT_TRUE(QFile::exists(Path("old.template.bts")));
    EXPECT_TRUE(QFile::exists(Path("noext.bts")));
    EXPECT_TRUE(QFile::exists(Path("dir.with.dots/plain.bts")));
}

TEST_F(UpdateFormTest, FailedWriteRaisesTheFileErrorAndConfirmsNothing)
{
    WriteFile("x.xml", kPlainTemplate);
    ASSERT_TRUE(QDir(FDir.path()).mkdir("x.bts")); // a folder stands where the file would go
    FUi.Answers << Path("x.xml");
    try {
        FForm->sBitBtn1Click();
        FAIL() << "the click should raise";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(Path("x.bts"))))
            << error.Message().toStdString();
    }
    EXPECT_TRUE(FUi.Messages.isEmpty());
    EXPECT_TRUE(QFileInfo(Path("x.bts")).isDir());
}

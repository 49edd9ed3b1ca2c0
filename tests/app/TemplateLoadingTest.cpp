#include "app/Tupdateform.h"
#include "backends/TrsRegData.h"
#include "backends/TrsXMLData.h"
#include "crypto/TrsAesEncryptor.h"
#include "framework/Exception.h"
#include "framework/TApplication.h"
#include "persist/TrsPropSaver.h"
#include "storage/TrsStorage.h"
#include "support/ProductSettings.h"
#include "support/SampleTemplates.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TemplateLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        ASSERT_TRUE(QDir(FDir.path()).mkdir("wine"));
        ASSERT_TRUE(QDir(FDir.path()).mkdir("config"));
        qputenv("WINEPREFIX", FDir.filePath("wine").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", FDir.filePath("config").toLocal8Bit());
        Application().SetUserInterface(&FUi);
    }
    void TearDown() override
    {
        Application().SetUserInterface(nullptr);
        qunsetenv("WINEPREFIX");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QString Value(Tupdateform& form, const char* component, const char* property)
    {
        return form.FindComponent(QString::fromLatin1(component))->property(property).toString();
    }
    static void ExpectRegistryWiring(Tupdateform& form)
    {
        EXPECT_EQ(form.rsStorage1->StorageData(), form.rsRegData1);
        EXPECT_EQ(form.rsPropSaver1->Storage(), form.rsStorage1);
        EXPECT_EQ(form.rsXMLData1->FileName(), "Mirovane3Settings.XML");
        EXPECT_EQ(form.rsXMLData1->FileDir(), fdUserProfile);
    }
    // Every file below the temporary folder and the working folder named
    // like the updater's own settings file.
    QStringList SettingsFiles() const
    {
        QStringList found;
        for (const QString& root : { FDir.path(), QDir::currentPath() }) {
            QDirIterator it(root, { "Mirovane3Settings.XML" }, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                found << it.next();
        }
        return found;
    }

    QTemporaryDir FDir;
    ScriptedUserInterface FUi;
};

} // namespace

TEST_F(TemplateLoadingTest, PlainTemplateFillsTheSettingsItHoldsAndIgnoresOthers)
{
    WriteFile("plain.xml", kPlainTemplate);
    Tupdateform* form = new Tupdateform();
    const QString configuredFormat = Value(*form, "imageformat", "Text");
    TrsStorage& loaded = form->LoadTemplate(Path("plain.xml"));
    EXPECT_EQ(&loaded, form->rsStorage2);
    EXPECT_EQ(Value(*form, "jpegquality", "Value"), "33");
    EXPECT_EQ(form->FindComponent(u"textsize")->property("ItemIndex").toInt(), 2);
    EXPECT_EQ(form->FindComponent(u"keepratioaspect")->property("State").toInt(), 1);
    EXPECT_EQ(Value(*form, "imageformat", "Text"), configuredFormat) << "a missing key keeps the value";
    ExpectRegistryWiring(*form);
    form->Free();
}

TEST_F(TemplateLoadingTest, EncryptedTemplateLoadsThroughTheCipherAndHoldsNoRootTag)
{
    WriteFile("plain.xml", kPlainTemplate);
    Tupdateform* maker = new Tupdateform();
    maker->LoadTemplate(Path("plain.xml"));
    maker->SaveLoadedTree(Path("secret.xml"), true);
    maker->Free();
    const QByteArray encrypted = ReadAll(Path("secret.xml"));
    ASSERT_FALSE(encrypted.isEmpty());
    EXPECT_FALSE(encrypted.contains("mirovane3")) << "the whole tree sits in one enciphered key";

    Tupdateform* form = new Tupdateform();
    TrsStorage& loaded = form->LoadTemplate(Path("secret.xml"));
    EXPECT_EQ(&loaded, form->rsStorage1);
    EXPECT_EQ(Value(*form, "jpegquality", "Value"), "33");
    EXPECT_EQ(form->FindComponent(u"keep_structure")->property("Checked").toBool(), true);
    ExpectRegistryWiring(*form);
    form->Free();
}

TEST_F(TemplateLoadingTest, RootTagInCapitalsTakesTheEncryptedPath)
{
    QByteArray upper = kPlainTemplate;
    upper.replace("mirovane3", "MIROVANE3");
    WriteFile("upper.xml", upper);
    Tupdateform* form = new Tupdateform();
    TrsStorage& loaded = form->LoadTemplate(Path("upper.xml"));
    EXPECT_EQ(&loaded, form->rsStorage1) << "the tag test is exact about letter case";
    // A tree without the enciphered key passes the encryptor unchanged, and
    // section names ignore case, so the values still arrive.
    EXPECT_EQ(Value(*form, "jpegquality", "Value"), "33");
    ExpectRegistryWiring(*form);
    form->Free();
}

TEST_F(TemplateLoadingTest, FailedLoadsRestoreTheWiringAndNameTheProblem)
{
    WriteFile("broken.xml", kBrokenTemplate);
    Tupdateform* form = new Tupdateform();
    try {
        form->ConvertTemplate(Path("broken.xml"));
        ADD_FAILURE() << "a malformed template must not convert";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.Message().startsWith("TrsXMLData parser error:")) << error.Message().toStdString();
    }
    ExpectRegistryWiring(*form);
    EXPECT_FALSE(QFile::exists(Path("broken.bts")));

    try {
        form->ConvertTemplate(Path("missing.xml"));
        ADD_FAILURE() << "a missing template must not convert";
    } catch (const Exception& error) {
        EXPECT_TRUE(
            error.Message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(Path("missing.xml"))))
            << error.Message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(Path("missing.bts")));
    form->Free();
}

TEST_F(TemplateLoadingTest, TheChosenTemplateIsNeverWrittenAndNoSettingsFileAppears)
{
    WriteFile("plain.xml", kPlainTemplate);
    WriteFile("broken.xml", kBrokenTemplate);
    const QDateTime plainTime = QFileInfo(Path("plain.xml")).lastModified();
    const QDateTime brokenTime = QFileInfo(Path("broken.xml")).lastModified();
    QThread::msleep(20);
    Tupdateform* form = new Tupdateform();
    form->ConvertTemplate(Path("plain.xml"));
    EXPECT_THROW(form->ConvertTemplate(Path("broken.xml")), Exception);
    form->Show();
    EXPECT_TRUE(form->Close());
    form->Free();
    EXPECT_EQ(ReadAll(Path("plain.xml")), kPlainTemplate);
    EXPECT_EQ(QFileInfo(Path("plain.xml")).lastModified(), plainTime);
    EXPECT_EQ(ReadAll(Path("broken.xml")), kBrokenTemplate);
    EXPECT_EQ(QFileInfo(Path("broken.xml")).lastModified(), brokenTime);
    EXPECT_TRUE(SettingsFiles().isEmpty()) << SettingsFiles().join(", ").toStdString();
    EXPECT_FALSE(QFile::exists(Path("wine/user.reg"))) << "closing never writes the registry";
}

TEST_F(TemplateLoadingTest, RegistrySettingsFillWhatATemplateLacks)
{
    WriteProductSettings({ { "\\mirovane3\\jpegquality.Value", "90" },
        { "\\mirovane3\\imageformat.Text", "From The Registry" } });
    const QByteArray userReg = ReadAll(Path("wine/user.reg"));
    ASSERT_TRUE(userReg.startsWith("WINE REGISTRY Version 2"));

    WriteFile("plain.xml", kPlainTemplate);
    Tupdateform* form = new Tupdateform();
    EXPECT_EQ(Value(*form, "jpegquality", "Value"), "90");
    EXPECT_EQ(Value(*form, "imageformat", "Text"), "From The Registry");
    form->ConvertTemplate(Path("plain.xml"));
    EXPECT_EQ(Value(*form, "jpegquality", "Value"), "33");
    EXPECT_EQ(Value(*form, "imageformat", "Text"), "From The Registry");
    EXPECT_TRUE(
        ReadAll(Path("plain.bts")).contains("<imageformat.Text>From The Registry</imageformat.Text>"));
    form->Show();
    form->Close();
    form->Free();
    EXPECT_EQ(ReadAll(Path("wine/user.reg")), userReg) << "the registry is never written";
}

TEST_F(TemplateLoadingTest, UserRegThatIsNoWineFileLeavesTheConfiguredValuesAndStaysUntouched)
{
    Tupdateform* configured = new Tupdateform();
    const QString jpeg = Value(*configured, "jpegquality", "Value");
    configured->Free();
    WriteFile("wine/user.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\mirovane3]\r\n");
    Tupdateform* form = new Tupdateform();
    EXPECT_EQ(Value(*form, "jpegquality", "Value"), jpeg);
    form->Show();
    form->Close();
    form->Free();
    EXPECT_EQ(ReadAll(Path("wine/user.reg")), QByteArray("REGEDIT4\r\n[HKEY_CURRENT_USER\\mirovane3]\r\n"));
}

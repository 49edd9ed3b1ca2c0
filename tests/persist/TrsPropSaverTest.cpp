#include "persist/TrsPropSaver.h"
#include "backends/TrsXMLData.h"
#include "crypto/TrsAesEncryptor.h"
#include "framework/Exception.h"
#include "framework/TApplication.h"
#include "framework/TForm.h"
#include "storage/TrsStorage.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A form with a few published properties of the kinds the saver moves.
class TSampleForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
    Q_PROPERTY(int Count READ Count WRITE SetCount)

public:
    using TForm::TForm;
    bool Flag() const { return FFlag; }
    void SetFlag(bool value) { FFlag = value; }
    int Count() const { return FCount; }
    void SetCount(int value) { FCount = value; }

private:
    bool FFlag = false;
    int FCount = 0;
};

class TSampleModule : public TDataModule {
    Q_OBJECT

public:
    using TDataModule::TDataModule;
};

struct SaverFixture : ::testing::Test {
    TSampleForm* form = new TSampleForm();
    TrsStorage* storage = new TrsStorage(form);
    TrsPropSaver* saver = new TrsPropSaver(form);

    void SetUp() override
    {
        form->SetName("sampleform");
        saver->SetStorage(storage);
        saver->SetRootSection("settings");
        saver->SetOptions({ poStoreDefValues });
    }
    void TearDown() override { form->Free(); }
};

} // namespace

TEST_F(SaverFixture, MissingKeysTakeTheDefaultAndDisabledOrDirectedLinesAreHonoured)
{
    saver->SetProperties({ "Count,\"3\",\"\",", "Flag" });
    saver->LoadValues();
    EXPECT_EQ(form->Count(), 3) << "a missing key takes the default text, converted";
    EXPECT_FALSE(form->Flag()) << "a missing key without default leaves the property";

    form->SetFlag(true);
    saver->SetProperties({ "Flag,\"\",\"\",DPD", "Count,\"\",\"\",EPR" });
    storage->SetRootSection("settings");
    storage->WriteString("Flag", "True");
    storage->WriteInteger("Count", 9);
    saver->SaveValues();
    storage->SetRootSection("settings");
    EXPECT_FALSE(storage->KeyExist("Flag")) << "a disabled line's key is deleted on save";
    EXPECT_EQ(storage->ReadInteger("Count", 0), 9) << "a read-only line is never written";
    saver->LoadValues();
    EXPECT_EQ(form->Count(), 9) << "a read-only line is loaded";

    saver->SetProperties({ "Count,\"\",\"\",EPW" });
    storage->WriteInteger("Count", 11);
    saver->LoadValues();
    EXPECT_EQ(form->Count(), 9) << "a write-only line is not loaded";
}

TEST_F(SaverFixture, DefaultsAreComparedIgnoringCaseWithoutStoreDefValues)
{
    saver->SetOptions({});
    saver->SetProperties({ "Flag,\"TRUE\",\"\",", "Count,\"\",\"\"," });
    form->SetFlag(true);
    form->SetCount(0);
    storage->WriteString("\\settings\\Flag", "stale");
    saver->SaveValues();
    EXPECT_FALSE(storage->KeyExist("\\settings\\Flag"));
    EXPECT_TRUE(storage->KeyExist("\\settings\\Count")) << "0 differs from the empty default";
}

TEST_F(SaverFixture, PathThatDoesNotResolveStoresNothingAndDeletesItsKey)
{
    saver->SetProperties({ "Count", "nosuch.Value", "Flag.Nothing" });
    form->SetCount(7);
    storage->WriteString("\\settings\\nosuch.Value", "old");
    storage->WriteString("\\settings\\Flag.Nothing", "old");
    saver->SaveValues();
    EXPECT_EQ(storage->ReadInteger("\\settings\\Count", 0), 7);
    EXPECT_FALSE(storage->KeyExist("\\settings\\nosuch.Value"));
    EXPECT_FALSE(storage->KeyExist("\\settings\\Flag.Nothing"))
        << "a line that stores nothing never stores the previous line's value";
}

TEST_F(SaverFixture, PreparedRootSectionAddsSeparatorsWhereMissing)
{
    const std::pair<const char*, const char*> cases[] = {
        { "", "\\" },
        { "a", "\\a\\" },
        { "/a/", "/a/" },
        { "\\a/b", "\\a/b\\" },
        { "a\\", "\\a\\" },
    };
    for (const auto& [root, prepared] : cases) {
        saver->SetRootSection(root);
        EXPECT_EQ(saver->PreparedRootSection(), prepared) << root;
    }
}

TEST_F(SaverFixture, EventsFireOnceAroundAFailingLoad)
{
    QStringList events;
    saver->OnBeforeLoad = [&](QObject*) { events << "before"; };
    saver->OnAfterLoad = [&](QObject*) { events << "after"; };
    saver->SetProperties({ "Count" });
    storage->WriteString("\\settings\\Count", "not a number");
    EXPECT_THROW(saver->LoadValues(), Exception);
    EXPECT_EQ(events, (QStringList { "before", "after" }));
    EXPECT_FALSE(saver->States().Contains(psLoadValues));
}

TEST_F(SaverFixture, HookedHandlersChainAndAreGivenBack)
{
    ScriptedUserInterface ui;
    Application().SetUserInterface(&ui);
    QStringList calls;
    form->OnCreate = [&](QObject*) { calls << QString("form OnCreate sees Count %1").arg(form->Count()); };
    form->OnCloseQuery = [&](QObject*, bool& canClose) {
        calls << "form OnCloseQuery";
        canClose = false;
    };
    saver->SetProperties({ "Count" });
    storage->WriteInteger("\\settings\\Count", 5);
    saver->SetWhenLoad(wlOnCreate);
    saver->SetWhenSave(wsOnClose);
    form->AfterConstruction();
    EXPECT_EQ(calls, QStringList { "form OnCreate sees Count 5" }) << "values are in place first";

    form->Show();
    form->SetCount(8);
    EXPECT_FALSE(form->Close());
    EXPECT_EQ(storage->ReadInteger("\\settings\\Count", 0), 5) << "a refused close saves nothing";

    saver->SetWhenSave(wsManual);
    form->OnCloseQuery = [&](QObject*, bool&) { calls << "form OnCloseQuery allows"; };
    saver->SetWhenSave(wsOnClose);
    EXPECT_TRUE(form->Close());
    EXPECT_EQ(storage->ReadInteger("\\settings\\Count", 0), 8);

    saver->Free();
    calls.clear();
    bool canClose = true;
    form->OnCloseQuery(form, canClose);
    EXPECT_EQ(calls, QStringList { "form OnCloseQuery allows" }) << "the saver gave the handler back";
    ASSERT_TRUE(bool(form->OnCreate));
    calls.clear();
    form->OnCreate(form);
    EXPECT_EQ(calls.size(), 1) << "the form's own handler is back";
    Application().SetUserInterface(nullptr);
}

TEST_F(SaverFixture, ErrorsInHookedHandlersAreShownAndStopped)
{
    ScriptedUserInterface ui;
    Application().SetUserInterface(&ui);
    saver->SetProperties({ "Count" });
    storage->WriteString("\\settings\\Count", "x");
    saver->SetWhenLoad(wlOnCreate);
    EXPECT_NO_THROW(form->AfterConstruction());
    EXPECT_EQ(ui.Errors.size(), 1);
    Application().SetUserInterface(nullptr);
}

TEST(TrsPropSaver, DataModuleOwnerAcceptsOnlyCreateAndDestroyEvents)
{
    TSampleModule* module = new TSampleModule();
    TrsPropSaver* saver = new TrsPropSaver(module);
    saver->SetWhenLoad(wlOnCreate);
    saver->SetWhenLoad(wlOnShow);
    EXPECT_EQ(saver->WhenLoad(), wlOnCreate);
    saver->SetWhenSave(wsOnClose);
    EXPECT_EQ(saver->WhenSave(), wsManual);
    saver->SetWhenSave(wsOnDestroy);
    EXPECT_EQ(saver->WhenSave(), wsOnDestroy);
    module->Free();
}

TEST_F(SaverFixture, PlacementOptionsAndStoreFormPlacementAreCoupled)
{
    TrsPropSaver fresh(nullptr);
    EXPECT_TRUE(fresh.Options().Contains(poStoreFormPlacement));
    fresh.SetFormPlacementOptions({});
    EXPECT_FALSE(fresh.Options().Contains(poStoreFormPlacement));
    fresh.SetOptions({ poStoreDefValues });
    EXPECT_TRUE(fresh.FormPlacementOptions().IsEmpty());
    fresh.SetOptions({ poStoreDefValues, poStoreFormPlacement });
    EXPECT_EQ(fresh.FormPlacementOptions(), (TrsPropSaverFormPlacements { pfpPlacement, pfpSize, pfpState }));
}

TEST_F(SaverFixture, FormPlacementWritesTenFieldsAndIgnoresOtherCounts)
{
    saver->SetFormPlacementOptions({ pfpPlacement, pfpSize, pfpState });
    form->SetPosition(TForm::poScreenCenter);
    form->SetLeft(10);
    form->SetTop(20);
    form->SetWidth(300);
    form->SetHeight(200);
    const QString before = saver->FormPlacement();
    EXPECT_EQ(before.count(u','), 9) << before.toStdString();
    saver->SetFormPlacement("0,1,-1,-1,-1,-1,5,6,105");
    EXPECT_EQ(saver->FormPlacement(), before) << "nine fields change nothing";
    EXPECT_EQ(form->Position(), TForm::poScreenCenter);

    saver->SetFormPlacement("0,3,-1,-1,-1,-1,50,60,450,360");
    EXPECT_EQ(form->Left(), 50);
    EXPECT_EQ(form->Top(), 60);
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 300);
    EXPECT_EQ(form->WindowState(), TForm::wsMaximized);
    EXPECT_EQ(form->Position(), TForm::poDesigned) << "a centred form keeps the stored place";
    EXPECT_THROW(saver->SetFormPlacement("0,1,a,-1,-1,-1,5,6,105,106"), EConvertError);
}

TEST_F(SaverFixture, PathsReachTheStorageComponentsOwnProperties)
{
    auto* config = new TrsStorage(form);
    config->SetName("config");
    auto* xmlData = new TrsXMLData(form);
    xmlData->SetName("xmldata");
    auto* aes = new TrsAesEncryptor(form);
    aes->SetName("aes");
    config->SetStorageData(xmlData);
    config->SetEncryptor(aes);
    xmlData->SetXMLOptions({ doEncodeTab, doEncodeCRLF });
    aes->SetMode(cmCBC);
    saver->SetProperties({ "config.Encryptor", "config.StorageData", "config.Options", "xmldata.XMLOptions",
        "xmldata.Template", "aes.Mode" });
    saver->SaveValues();

    storage->SetRootSection("settings");
    EXPECT_EQ(storage->ReadString("config.Encryptor", ""), "aes") << "a component goes by its name";
    EXPECT_EQ(storage->ReadString("config.StorageData", ""), "xmldata");
    EXPECT_EQ(storage->ReadString("config.Options", ""), "[soSaveOnClose]");
    EXPECT_EQ(storage->ReadString("xmldata.XMLOptions", ""), "[doEncodeTab,doEncodeCRLF]");
    EXPECT_EQ(
        storage->ReadString("xmldata.Template", ""), TrsXMLData::DefaultTemplate().join("\r\n") + "\r\n");
    EXPECT_EQ(storage->ReadString("aes.Mode", ""), "cmCBC");

    config->SetEncryptor(nullptr);
    config->SetStorageData(nullptr);
    config->SetOptions({});
    xmlData->SetXMLOptions({});
    xmlData->SetTemplate({});
    aes->SetMode(cmECB);
    storage->WriteString("config.Options", "[soSaveEmptySection,soSaveOnClose]");
    saver->LoadValues();
    EXPECT_EQ(config->Encryptor(), aes) << "a component is found by its name";
    EXPECT_EQ(config->StorageData(), xmlData);
    EXPECT_EQ(config->Options(), (TrsStorageOptions { soSaveOnClose, soSaveEmptySection }));
    EXPECT_EQ(xmlData->XMLOptions(), (TrsXMLDataOptions { doEncodeTab, doEncodeCRLF }));
    EXPECT_EQ(xmlData->Template(), TrsXMLData::DefaultTemplate());
    EXPECT_EQ(aes->Mode(), cmCBC);
    config->SetEncryptor(nullptr);
    config->SetStorageData(nullptr);
}

#include "TrsPropSaverTest.moc"

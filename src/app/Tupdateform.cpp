#include "app/Tupdateform.h"

#include "app/SettingsCatalogue.h"
#include "app/TemplateWriter.h"
#include "backends/TrsRegData.h"
#include "backends/TrsXMLData.h"
#include "crypto/TrsAesEncryptor.h"
#include "framework/Exception.h"
#include "framework/FileNames.h"
#include "framework/TApplication.h"
#include "framework/TMemo.h"
#include "framework/TOpenDialog.h"
#include "framework/TStrings.h"
#include "framework/TextFile.h"
#include "persist/TrsPropSaver.h"
#include "storage/TrsStorage.h"

namespace {
const QString kSettingsFileName = QStringLiteral("Mirovane3Settings.XML");
const QString kRootSection = QStringLiteral("mirovane3");
const QString kEncryptorKey = QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr");
} // namespace

Tupdateform::Tupdateform(TComponent* owner, TProductSettings productSettings)
    : TForm(owner)
{
    SetName(QStringLiteral("updateform"));
    SetCaption(QStringLiteral("updateform"));
    SetClientWidth(582);
    SetClientHeight(176);
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetFont(QStringLiteral("Candara"), 16);
    CreateSettingsCatalogue(this);
    CreateStorageComponents(productSettings);
    CreateOpenDialog();
    AfterConstruction();
    // Bound only now, the registry storage has loaded nothing; the wiring
    // is the configured one from here on.
    rsStorage1->SetStorageData(rsRegData1);
}

void Tupdateform::CreateStorageComponents(TProductSettings productSettings)
{
    rsXMLData1 = new TrsXMLData(this);
    rsXMLData1->SetName(QStringLiteral("rsXMLData1"));
    rsXMLData1->SetFileName(kSettingsFileName);
    rsXMLData1->SetFileDir(fdCustom);
    rsXMLData1->SetOptions({});
    rsXMLData1->SetUnicode(true);

    rsRegData1 = new TrsRegData(this);
    rsRegData1->SetName(QStringLiteral("rsRegData1"));
    rsRegData1->SetRootKey(rkCurrentUser);
    rsRegData1->SetRootPath(kRootSection);
    rsRegData1->SetUnicode(true);

    rsAesEncryptor1 = new TrsAesEncryptor(this);
    rsAesEncryptor1->SetName(QStringLiteral("rsAesEncryptor1"));
    rsAesEncryptor1->SetEncryptAll(true);
    rsAesEncryptor1->SetMode(cmECB);
    rsAesEncryptor1->SetKeyBits(ck256);
    rsAesEncryptor1->SetKey(kEncryptorKey);

    rsStorage1 = new TrsStorage(this);
    rsStorage1->SetName(QStringLiteral("rsStorage1"));
    rsStorage1->SetEncryptor(rsAesEncryptor1);
    rsStorage1->SetStorageData(productSettings == TProductSettings::Read ? rsRegData1 : nullptr);
    rsStorage1->SetRootSection(kRootSection);
    rsStorage1->SetOptions({});
    rsStorage1->SetActive(true);

    // The settings file storage does not save when it closes: the updater
    // writes no settings file of its own, and above all never writes back
    // into a template it has loaded.
    rsStorage2 = new TrsStorage(this);
    rsStorage2->SetName(QStringLiteral("rsStorage2"));
    rsStorage2->SetStorageData(rsXMLData1);
    rsStorage2->SetRootSection(kRootSection);
    rsStorage2->SetOptions({});
    rsStorage2->SetActive(true);

    rsPropSaver1 = new TrsPropSaver(this);
    rsPropSaver1->SetName(QStringLiteral("rsPropSaver1"));
    rsPropSaver1->SetFormPlacementOptions({});
    rsPropSaver1->SetStorage(rsStorage1);
    rsPropSaver1->SetOptions({ poStoreDefValues });
    rsPropSaver1->SetRootSection(kRootSection);
    rsPropSaver1->SetProperties(SettingPathList());
    rsPropSaver1->SetWhenLoad(wlOnCreate);
    rsPropSaver1->SetWhenSave(wsOnClose);
}

void Tupdateform::CreateOpenDialog()
{
    loadprofiledlg = new TOpenDialog(this);
    loadprofiledlg->SetName(QStringLiteral("loadprofiledlg"));
    loadprofiledlg->SetTitle(QStringLiteral("Select a Mirovane Template File"));
    loadprofiledlg->SetFilter(QStringLiteral("*.xml|*.xml"));
    loadprofiledlg->SetDefaultExt(QStringLiteral(".xml"));
    loadprofiledlg->SetFileName(kSettingsFileName);
}

void Tupdateform::sBitBtn1Click()
{
    if (!loadprofiledlg->Execute())
        return;
    const QString newName = ConvertTemplate(loadprofiledlg->FileName());
    Application().ShowMessage(ConfirmationText(newName));
}

QString Tupdateform::ConvertTemplate(const QString& fileName)
{
    LoadTemplate(fileName);
    const QString newName = ChangeFileExt(fileName, QStringLiteral(".bts"));
    WriteNewTemplate(newName);
    return newName;
}

QString Tupdateform::ConfirmationText(const QString& newFileName)
{
    return QStringLiteral("New Profile Template File Saved as ") + ExtractFileName(newFileName);
}

TrsStorage& Tupdateform::LoadTemplate(const QString& fileName)
{
    auto* tempcheck = qobject_cast<TMemo*>(FindComponent(u"tempcheck"));
    tempcheck->Lines()->Clear();
    tempcheck->Lines()->SetText(ReadTextFile(fileName));
    const bool plain = tempcheck->Lines()->Text().contains(QStringLiteral("<mirovane3>"));
    TrsStorage* storage = plain ? rsStorage2 : rsStorage1;
    try {
        storage->Clear();
        storage->SetStorageData(rsXMLData1);
        rsPropSaver1->SetStorage(storage);
        rsXMLData1->SetFileName(fileName);
        rsXMLData1->SetFileDir(fdCustom);
        storage->Load();
        rsPropSaver1->LoadValues();
    } catch (...) {
        // The registry wiring comes back before the error is shown, so
        // nothing can write into the chosen file on the way out.
        RestoreRegistryWiring();
        throw;
    }
    RestoreRegistryWiring();
    FLoadedStorage = storage;
    return *storage;
}

void Tupdateform::RestoreRegistryWiring()
{
    rsXMLData1->SetFileDir(fdUserProfile);
    rsStorage1->SetStorageData(rsRegData1);
    rsPropSaver1->SetStorage(rsStorage1);
    rsXMLData1->SetFileName(kSettingsFileName);
}

void Tupdateform::SaveLoadedTree(const QString& fileName, bool encrypted)
{
    if (!FLoadedStorage)
        throw Exception(QStringLiteral("No template has been loaded."));
    TrsStorage* storage = FLoadedStorage;
    TrsStorageData* previousData = storage->StorageData();
    TrsEncryptor* previousEncryptor = storage->Encryptor();
    TComponent holder;
    auto* target = new TrsXMLData(&holder);
    target->SetFileName(fileName);
    target->SetFileDir(fdCustom);
    target->SetOptions({});
    target->SetUnicode(true);
    auto restore = [&] {
        storage->SetStorageData(previousData);
        storage->SetEncryptor(previousEncryptor);
    };
    try {
        storage->SetEncryptor(encrypted ? rsAesEncryptor1 : nullptr);
        storage->SetStorageData(target);
        storage->Save();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void Tupdateform::WriteNewTemplate(const QString& fileName)
{
    ::WriteNewTemplate(fileName, this);
}

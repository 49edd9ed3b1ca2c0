// Tupdateform: the main form of the template updater. It creates and owns
// every component a conversion uses, in a fixed order: the settings
// catalogue, the six storage components, and the open dialog last.
//
// Wired for the registry, rsPropSaver1 fills the catalogue from the
// product's settings under HKEY_CURRENT_USER\mirovane3 (deciphered by
// rsAesEncryptor1) when the form is created, and copies the catalogue back
// into that storage's tree, in memory only, when the form is asked to
// close. A conversion re-wires the components for one load of the chosen
// template, plain or encrypted, and always puts the registry wiring back.
// The chosen template file is never written. GUI thread only.
#pragma once

#include "framework/TForm.h"

#include <QString>

class TOpenDialog;
class TrsAesEncryptor;
class TrsPropSaver;
class TrsRegData;
class TrsStorage;
class TrsXMLData;

// Whether a new form fills its catalogue from the product's registry
// settings (as the window does) or keeps the configured values only.
enum class TProductSettings { Read, Skip };

class Tupdateform : public TForm {
    Q_OBJECT

public:
    explicit Tupdateform(
        TComponent* owner = nullptr, TProductSettings productSettings = TProductSettings::Read);

    // The conversion flow of the button: the open dialog, then
    // ConvertTemplate and the confirmation. Errors propagate to the caller,
    // which shows them; a cancelled dialog does nothing.
    void sBitBtn1Click();

    // Loads FILENAME's settings into the catalogue and writes the catalogue
    // beside it with the extension ".bts"; returns the new file's name.
    QString ConvertTemplate(const QString& fileName);
    // "New Profile Template File Saved as " and the name without folder.
    static QString ConfirmationText(const QString& newFileName);

    // The loading steps of one conversion: picks the plain or the
    // encrypted storage by the file's text, loads the file through it, lets
    // the saver fill the catalogue, and restores the registry wiring, also
    // when a step fails. Returns the storage that holds the loaded tree.
    TrsStorage& LoadTemplate(const QString& fileName);
    // Writes the tree that LoadTemplate loaded last to FILENAME as an XML
    // storage file, plain or enciphered as the updater enciphers.
    void SaveLoadedTree(const QString& fileName, bool encrypted);
    // Writes the catalogue as a new template under FILENAME.
    void WriteNewTemplate(const QString& fileName);

    TrsXMLData* rsXMLData1 = nullptr;
    TrsRegData* rsRegData1 = nullptr;
    TrsAesEncryptor* rsAesEncryptor1 = nullptr;
    TrsStorage* rsStorage1 = nullptr;
    TrsStorage* rsStorage2 = nullptr;
    TrsPropSaver* rsPropSaver1 = nullptr;
    TOpenDialog* loadprofiledlg = nullptr;

private:
    void CreateStorageComponents(TProductSettings productSettings);
    void CreateOpenDialog();
    void RestoreRegistryWiring();

    TrsStorage* FLoadedStorage = nullptr;
};

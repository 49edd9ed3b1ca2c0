// Tupdateform: the main form of the template updater. It creates and owns
// every component a conversion uses, in a fixed order: the settings
// catalogue, the storage components, and the open dialog last. A click on
// its one button runs sBitBtn1Click: pick an old template, load its
// settings into the catalogue, write the catalogue as a ".bts" template
// beside it and confirm. The window itself is a view over this model.
// GUI thread only.
#pragma once

#include "framework/TForm.h"

#include <QString>

class TOpenDialog;

class Tupdateform : public TForm {
    Q_OBJECT

public:
    explicit Tupdateform(TComponent* owner = nullptr);

    // The conversion flow of the button. Errors propagate to the caller,
    // which shows them; a cancelled dialog does nothing.
    void sBitBtn1Click();

    // Loads the chosen template's settings into the catalogue.
    void LoadTemplate(const QString& fileName);
    // Writes the catalogue as a new template under FILENAME.
    void WriteNewTemplate(const QString& fileName);

    TOpenDialog* loadprofiledlg = nullptr;

private:
    void CreateOpenDialog();
};

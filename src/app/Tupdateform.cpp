#include "app/Tupdateform.h"

#include "app/SettingsCatalogue.h"
#include "app/TemplateWriter.h"
#include "framework/FileNames.h"
#include "framework/TApplication.h"
#include "framework/TOpenDialog.h"

Tupdateform::Tupdateform(TComponent* owner) : TForm(owner)
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
    CreateOpenDialog();
    AfterConstruction();
}

void Tupdateform::CreateOpenDialog()
{
    loadprofiledlg = new TOpenDialog(this);
    loadprofiledlg->SetName(QStringLiteral("loadprofiledlg"));
    loadprofiledlg->SetTitle(QStringLiteral("Select a Mirovane Template File"));
    loadprofiledlg->SetFilter(QStringLiteral("*.xml|*.xml"));
    loadprofiledlg->SetDefaultExt(QStringLiteral(".xml"));
    loadprofiledlg->SetFileName(QStringLiteral("Mirovane3Settings.XML"));
}

void Tupdateform::sBitBtn1Click()
{
    if (!loadprofiledlg->Execute())
        return;
    const QString chosen = loadprofiledlg->FileName();
    LoadTemplate(chosen);
    const QString newName = ChangeFileExt(chosen, QStringLiteral(".bts"));
    WriteNewTemplate(newName);
    Application().ShowMessage(QStringLiteral("New Profile Template File Saved as ") + ExtractFileName(newName));
}

void Tupdateform::LoadTemplate(const QString& fileName)
{
    Q_UNUSED(fileName);
}

void Tupdateform::WriteNewTemplate(const QString& fileName)
{
    ::WriteNewTemplate(fileName, this);
}

#include "framework/TOpenDialog.h"

#include "framework/TApplication.h"
#include "framework/TUserInterface.h"

bool TOpenDialog::Execute()
{
    TUserInterface* ui = Application().UserInterface();
    return ui && ui->ExecuteOpenDialog(*this);
}

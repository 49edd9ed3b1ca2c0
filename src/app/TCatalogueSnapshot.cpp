#include "app/TCatalogueSnapshot.h"

#include "app/SettingsCatalogue.h"
#include "app/Tupdateform.h"
#include "persist/TrsPropSaver.h"

TCatalogueSnapshot::TCatalogueSnapshot(Tupdateform& form)
    : FForm(form)
{
    for (const QString& path : SettingPathList()) {
        // A path that names no component has nothing to put back.
        QVariant value;
        if (form.rsPropSaver1->GetPublishProperty(path, value))
            FValues.append({ path, value });
    }
}

void TCatalogueSnapshot::Restore() const
{
    for (const auto& [path, value] : FValues)
        FForm.rsPropSaver1->SetPublishProperty(path, value);
}

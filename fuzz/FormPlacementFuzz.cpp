// Fuzz target: TrsPropSaver::SetFormPlacement on a saver owned by a form.
// The first byte picks the placement options and the form's position; the
// rest is the stored placement text (Latin-1). Whatever was set must read
// back as ten fields.
#include "framework/Exception.h"
#include "framework/TForm.h"
#include "persist/TrsPropSaver.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const quint8 flags = data[0];
    const QString value = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    auto* form = new TForm();
    auto* saver = new TrsPropSaver(form);
    TrsPropSaverFormPlacements options;
    if (flags & 1)
        options.Include(pfpPlacement);
    if (flags & 2)
        options.Include(pfpSize);
    if (flags & 4)
        options.Include(pfpState);
    saver->SetFormPlacementOptions(options);
    if (flags & 8) {
        TrsPropSaverOptions saverOptions = saver->Options();
        saverOptions.Include(poNotRestoreMinimizedFormPlacement);
        saver->SetOptions(saverOptions);
    }
    form->SetPosition((flags & 16) ? TForm::poScreenCenter : TForm::poDesigned);
    try {
        saver->SetFormPlacement(value);
        (void)saver->FormPlacement();
    } catch (const Exception&) {
    }
    form->Free();
    return 0;
}

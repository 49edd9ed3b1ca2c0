// A main form built for one file and freed on every way out, so each file
// starts from the configured catalogue and the product's settings, never
// from what the previous file left.
#pragma once

#include "app/Tupdateform.h"

class TFreshForm {
public:
    explicit TFreshForm(TProductSettings productSettings)
        : FForm(new Tupdateform(nullptr, productSettings))
    {
    }
    ~TFreshForm() { FForm->Free(); }
    TFreshForm(const TFreshForm&) = delete;
    TFreshForm& operator=(const TFreshForm&) = delete;

    Tupdateform* operator->() const { return FForm; }
    Tupdateform& operator*() const { return *FForm; }

private:
    Tupdateform* FForm;
};

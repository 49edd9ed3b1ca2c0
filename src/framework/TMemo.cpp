#include "framework/TMemo.h"

TMemo::TMemo(TComponent* owner)
    : TComponent(owner)
    , FLines(std::make_unique<TStrings>())
{
}

TMemo::~TMemo() = default;

void TMemo::SetLines(TStrings* lines)
{
    if (lines)
        FLines->Assign(*lines);
    else
        FLines->Clear();
}

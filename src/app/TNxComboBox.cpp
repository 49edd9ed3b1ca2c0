#include "app/TNxComboBox.h"

TNxComboBox::TNxComboBox(TComponent* owner)
    : TComponent(owner)
    , FItems(std::make_unique<TStrings>())
{
}

TNxComboBox::~TNxComboBox() = default;

void TNxComboBox::SetItems(TStrings* items)
{
    if (items)
        FItems->Assign(*items);
    else
        FItems->Clear();
}

void TNxComboBox::SetItemIndex(int index)
{
    FItemIndex = index;
    if (!IsLoading())
        ApplyItemIndex();
}

void TNxComboBox::Loaded()
{
    TComponent::Loaded();
    ApplyItemIndex();
}

void TNxComboBox::ApplyItemIndex()
{
    if (FItemIndex >= 0 && FItemIndex < FItems->Count())
        FText = FItems->Strings(FItemIndex);
}

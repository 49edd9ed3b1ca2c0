#include "app/TNextInspector.h"

#include "app/TNxPropertyItem.h"

#include <algorithm>

TNextInspector::TNextInspector(TComponent* owner)
    : TComponent(owner)
{
}

void TNextInspector::AddItem(TNxPropertyItem* item, TNxPropertyItem* parent)
{
    if (!item || IndexOf(item) >= 0)
        return;
    if (item->FInspector && item->FInspector != this)
        return;
    item->FInspector = this;
    item->FParentItem = IndexOf(parent) >= 0 ? parent : nullptr;
    FItems.push_back(item);
    FreeNotification(item);
}

int TNextInspector::IndexOf(const TNxPropertyItem* item) const
{
    const auto found = std::find(FItems.begin(), FItems.end(), item);
    return found == FItems.end() ? -1 : int(found - FItems.begin());
}

void TNextInspector::ItemValueChanged(TNxPropertyItem* item)
{
    ++FChangeCount;
    if (OnChange)
        OnChange(this, item);
}

void TNextInspector::BeginEditing(TNxPropertyItem* item)
{
    EndEditing();
    if (IndexOf(item) < 0)
        return;
    FEditingItem = item;
    FEditText = item->Value();
    item->EditingStarted();
}

void TNextInspector::EndEditing()
{
    TNxPropertyItem* item = FEditingItem;
    if (!item)
        return;
    FEditingItem = nullptr;
    item->SetValue(FEditText);
}

void TNextInspector::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove) {
        // Compare addresses only: a deleted item may already be half gone.
        std::erase_if(FItems, [component](TNxPropertyItem* item) { return item == component; });
        if (FEditingItem == component)
            FEditingItem = nullptr;
        for (TNxPropertyItem* item : FItems)
            if (item->FParentItem == component)
                item->FParentItem = nullptr;
    }
    TComponent::Notification(component, operation);
}

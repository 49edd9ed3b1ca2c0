// TNextInspector: the (never visible) property grid that holds the setting
// items as a tree in one flat list. The items are owned by the form, not by
// the inspector; it only keeps them in order and forgets an item when the
// item is destroyed (and an item forgets a destroyed inspector). Items tell
// it when their value changes; it counts and forwards that. It also models
// the in-place editor: text being edited reaches its item on EndEditing().
// Not thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/Events.h"

#include <QString>
#include <functional>
#include <vector>

class TNxPropertyItem;

// (Sender, Item): ITEM's value has changed.
using TNxItemEvent = std::function<void(TObject* Sender, TNxPropertyItem* Item)>;

class TNextInspector : public TComponent {
    Q_OBJECT

public:
    explicit TNextInspector(TComponent* owner = nullptr);

    // Appends ITEM to the flat list under PARENT (null for the top level).
    // A parent is added before its children, so a child follows its parent.
    void AddItem(TNxPropertyItem* item, TNxPropertyItem* parent = nullptr);
    int Count() const { return int(FItems.size()); }
    TNxPropertyItem* Items(int index) const { return FItems.at(size_t(index)); }
    // -1 when ITEM is not in the list (null included).
    int IndexOf(const TNxPropertyItem* item) const;

    // Called by an item after each value write.
    void ItemValueChanged(TNxPropertyItem* item);
    int ChangeCount() const { return FChangeCount; }
    TNxItemEvent OnChange;

    // Opens the in-place editor on ITEM with its current value; an edit
    // already open is applied first.
    void BeginEditing(TNxPropertyItem* item);
    void SetEditText(const QString& text) { FEditText = text; }
    TNxPropertyItem* EditingItem() const { return FEditingItem; }
    // Applies an open in-place edit to its item and closes the editor;
    // does nothing when no edit is open.
    void EndEditing();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TNxPropertyItem*> FItems;
    TNxPropertyItem* FEditingItem = nullptr;
    QString FEditText;
    int FChangeCount = 0;
};

// TNxToolbarItem: a setting item shown as a row of toggle buttons, which it
// owns. Its value text lists the captions of the pressed buttons separated
// by ","; writing it presses exactly the buttons named. Not thread-safe.
#pragma once

#include "app/TNxPropertyItem.h"
#include "framework/Events.h"

#include <functional>
#include <vector>

struct TNxToolButton {
    QString Caption;
    bool Down = false;
    bool Indeterminate = false;
};

// (Sender, ButtonIndex)
using TNxButtonClickEvent = std::function<void(TObject* Sender, int ButtonIndex)>;

class TNxToolbarItem : public TNxPropertyItem {
    Q_OBJECT
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool FlatStyle READ FlatStyle WRITE SetFlatStyle)

public:
    using TNxPropertyItem::TNxPropertyItem;

    QString GetAsString() const override;
    void SetAsString(const QString& value) override;

    int AddButton(const QString& caption);
    int ButtonCount() const { return int(FButtons.size()); }
    // INDEX must lie in 0..ButtonCount()-1.
    const TNxToolButton& Buttons(int index) const { return FButtons.at(size_t(index)); }

    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool allowAllUp) { FAllowAllUp = allowAllUp; }
    bool FlatStyle() const { return FFlatStyle; }
    void SetFlatStyle(bool flatStyle) { FFlatStyle = flatStyle; }

    TNxButtonClickEvent OnButtonClick;

protected:
    TNxToolButton& Button(int index) { return FButtons.at(size_t(index)); }
    void ButtonClicked(int index);

private:
    std::vector<TNxToolButton> FButtons;
    bool FAllowAllUp = true;
    bool FFlatStyle = false;
};

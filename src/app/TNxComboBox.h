// TNxComboBox: a stand-alone drop-down edit whose Text is the setting's
// value. It owns its Items. Writing ItemIndex stores it and, outside
// loading and only inside Items, copies that entry to Text; after loading
// the same happens once. Not thread-safe.
#pragma once

#include "app/NxTypes.h"
#include "framework/Component.h"
#include "framework/TStrings.h"

#include <memory>

class TNxComboBox : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(TStrings* Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(NxTypes::TNxEditOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)

public:
    explicit TNxComboBox(TComponent* owner = nullptr);
    ~TNxComboBox() override;

    QString Text() const { return FText; }
    void SetText(const QString& text) { FText = text; }
    TStrings* Items() const { return FItems.get(); }
    // Copies the texts; the list object stays the control's own.
    void SetItems(TStrings* items);
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int index);
    TNxEditOptions Options() const { return FOptions; }
    void SetOptions(TNxEditOptions options) { FOptions = options; }
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int count) { FDropDownCount = count; }

protected:
    void Loaded() override;

private:
    void ApplyItemIndex();

    QString FText;
    std::unique_ptr<TStrings> FItems;
    int FItemIndex = -1;
    TNxEditOptions FOptions;
    int FDropDownCount = 8;
};

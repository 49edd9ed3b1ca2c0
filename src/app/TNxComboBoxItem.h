// TNxComboBoxItem: a text item with a list of choices (Lines, owned).
// Writing ItemIndex stores the index and, only when it lies inside Lines,
// writes the chosen line (as DisplayMode maps it) to Value. Writing Value
// stores the text only. So Value and ItemIndex may disagree, and Value need
// not be a choice; configured values rely on that. Not thread-safe.
#pragma once

#include "app/NxTypes.h"
#include "app/TNxPopupItem.h"
#include "framework/TStrings.h"

#include <memory>

class TNxComboBoxItem : public TNxPopupItem {
    Q_OBJECT
    Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(TDisplayMode DisplayMode READ DisplayMode WRITE SetDisplayMode)
    Q_PROPERTY(TComboBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(NxTypes::TNxEditOptions EditOptions READ EditOptions WRITE SetEditOptions)
    Q_PROPERTY(bool AutoDropDown READ AutoDropDown WRITE SetAutoDropDown)
    Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
    Q_PROPERTY(int LineHeight READ LineHeight WRITE SetLineHeight)

public:
    enum TDisplayMode { dmDefault, dmNameList, dmValueList, dmIndentList };
    Q_ENUM(TDisplayMode)
    enum TComboBoxStyle { cbDropDown, cbDropDownList };
    Q_ENUM(TComboBoxStyle)

    explicit TNxComboBoxItem(TComponent* owner = nullptr);
    ~TNxComboBoxItem() override;

    TStrings* Lines() const { return FLines.get(); }
    // Copies the texts; the list object stays the item's own.
    void SetLines(TStrings* lines);
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int index);
    // The value that line INDEX stands for under DisplayMode.
    QString LineValue(int index) const;

    TDisplayMode DisplayMode() const { return FDisplayMode; }
    void SetDisplayMode(TDisplayMode mode) { FDisplayMode = mode; }
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle style) { FStyle = style; }
    TNxEditOptions EditOptions() const { return FEditOptions; }
    void SetEditOptions(TNxEditOptions options) { FEditOptions = options; }
    bool AutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool autoDropDown) { FAutoDropDown = autoDropDown; }
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int count) { FDropDownCount = count; }
    int LineHeight() const { return FLineHeight; }
    void SetLineHeight(int height) { FLineHeight = height; }

private:
    std::unique_ptr<TStrings> FLines;
    int FItemIndex = -1;
    TDisplayMode FDisplayMode = dmDefault;
    TComboBoxStyle FStyle = cbDropDown;
    TNxEditOptions FEditOptions;
    bool FAutoDropDown = false;
    int FDropDownCount = 8;
    int FLineHeight = 16;
};

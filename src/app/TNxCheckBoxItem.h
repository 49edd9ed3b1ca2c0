// TNxCheckBoxItem: a setting item holding a TCheckBoxState, mirrored by its
// one toggle button "true" (pressed exactly when checked, indeterminate
// exactly when grayed). Its value text is the state's word under TextKind;
// writing the value compares the text exactly, letter case counting, and
// any text that is not the checked or grayed word unchecks it. Not
// thread-safe.
#pragma once

#include "app/NxTypes.h"
#include "app/TNxToolbarItem.h"

class TNxCheckBoxItem : public TNxToolbarItem {
    Q_OBJECT
    Q_PROPERTY(NxTypes::TCheckBoxState State READ State WRITE SetState)
    Q_PROPERTY(TTextKind TextKind READ TextKind WRITE SetTextKind)
    Q_PROPERTY(QString TrueText READ TrueText WRITE SetTrueText)
    Q_PROPERTY(QString FalseText READ FalseText WRITE SetFalseText)
    Q_PROPERTY(QString GrayedText READ GrayedText WRITE SetGrayedText)
    Q_PROPERTY(TCheckStyle Style READ Style WRITE SetStyle)

public:
    enum TTextKind { tkTrueFalse, tkYesNo, tkEnabledDisabled, tkCustom };
    Q_ENUM(TTextKind)
    enum TCheckStyle { csCheckBox, csButton };
    Q_ENUM(TCheckStyle)

    explicit TNxCheckBoxItem(TComponent* owner = nullptr);

    bool GetAsBoolean() const override;
    int GetAsInteger() const override;
    QString GetAsString() const override;
    void SetAsBoolean(bool value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString& value) override;

    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState state);
    // The word for STATE under the current TextKind.
    QString StateText(TCheckBoxState state) const;

    TTextKind TextKind() const { return FTextKind; }
    void SetTextKind(TTextKind kind) { FTextKind = kind; }
    QString TrueText() const { return FTrueText; }
    void SetTrueText(const QString& text) { FTrueText = text; }
    QString FalseText() const { return FFalseText; }
    void SetFalseText(const QString& text) { FFalseText = text; }
    QString GrayedText() const { return FGrayedText; }
    void SetGrayedText(const QString& text) { FGrayedText = text; }
    TCheckStyle Style() const { return FStyle; }
    void SetStyle(TCheckStyle style) { FStyle = style; }

private:
    TCheckBoxState FState = cbUnchecked;
    TTextKind FTextKind = tkTrueFalse;
    QString FTrueText;
    QString FFalseText;
    QString FGrayedText;
    TCheckStyle FStyle = csCheckBox;
};

#include "app/TNxCheckBoxItem.h"

TNxCheckBoxItem::TNxCheckBoxItem(TComponent* owner)
    : TNxToolbarItem(owner)
{
    AddButton(QStringLiteral("true"));
}

bool TNxCheckBoxItem::GetAsBoolean() const
{
    return FState == cbChecked;
}

int TNxCheckBoxItem::GetAsInteger() const
{
    return FState == cbChecked ? 1 : 0;
}

QString TNxCheckBoxItem::GetAsString() const
{
    return StateText(FState);
}

void TNxCheckBoxItem::SetAsBoolean(bool value)
{
    SetState(value ? cbChecked : cbUnchecked);
}

void TNxCheckBoxItem::SetAsInteger(int value)
{
    SetState(value != 0 ? cbChecked : cbUnchecked);
}

void TNxCheckBoxItem::SetAsString(const QString& value)
{
    if (value == StateText(cbChecked))
        SetState(cbChecked);
    else if (value == StateText(cbGrayed))
        SetState(cbGrayed);
    else
        SetState(cbUnchecked);
}

void TNxCheckBoxItem::SetState(TCheckBoxState state)
{
    FState = state;
    Button(0).Down = state == cbChecked;
    Button(0).Indeterminate = state == cbGrayed;
    Changed();
    ButtonClicked(0);
}

QString TNxCheckBoxItem::StateText(TCheckBoxState state) const
{
    struct Words {
        const char16_t *unchecked, *checked, *grayed;
    };
    static const Words kWords[] = {
        { u"false", u"true", u"grayed" },
        { u"no", u"yes", u"indeterminate" },
        { u"disabled", u"enabled", u"grayed" },
    };
    const Words& fixed = kWords[FTextKind == tkCustom ? 0 : int(FTextKind)];
    const bool custom = FTextKind == tkCustom;
    switch (state) {
    case cbChecked:
        return custom && !FTrueText.isEmpty() ? FTrueText : QString::fromUtf16(fixed.checked);
    case cbGrayed:
        return custom && !FGrayedText.isEmpty() ? FGrayedText : QString::fromUtf16(fixed.grayed);
    default:
        return custom && !FFalseText.isEmpty() ? FFalseText : QString::fromUtf16(fixed.unchecked);
    }
}

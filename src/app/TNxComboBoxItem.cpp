#include "app/TNxComboBoxItem.h"

TNxComboBoxItem::TNxComboBoxItem(TComponent* owner)
    : TNxPopupItem(owner)
    , FLines(std::make_unique<TStrings>())
{
}

TNxComboBoxItem::~TNxComboBoxItem() = default;

void TNxComboBoxItem::SetLines(TStrings* lines)
{
    if (lines)
        FLines->Assign(*lines);
    else
        FLines->Clear();
}

void TNxComboBoxItem::SetItemIndex(int index)
{
    FItemIndex = index;
    if (index >= 0 && index < FLines->Count())
        SetValue(LineValue(index));
}

QString TNxComboBoxItem::LineValue(int index) const
{
    const QString& line = FLines->Strings(index);
    const qsizetype equals = line.indexOf(u'=');
    switch (FDisplayMode) {
    case dmNameList:
        return equals < 0 ? line : line.left(equals);
    case dmValueList:
    case dmIndentList:
        return equals < 0 ? QString() : line.mid(equals + 1);
    default:
        return line;
    }
}

#include "app/TNxToolbarItem.h"

#include <QStringList>

QString TNxToolbarItem::GetAsString() const
{
    QStringList pressed;
    for (const TNxToolButton& button : FButtons)
        if (button.Down)
            pressed.append(button.Caption);
    return pressed.join(u',');
}

void TNxToolbarItem::SetAsString(const QString& value)
{
    const QStringList names = value.split(u',');
    for (TNxToolButton& button : FButtons)
        button.Down = names.contains(button.Caption);
    Changed();
}

int TNxToolbarItem::AddButton(const QString& caption)
{
    FButtons.push_back({ caption, false, false });
    return ButtonCount() - 1;
}

void TNxToolbarItem::ButtonClicked(int index)
{
    if (OnButtonClick)
        OnButtonClick(this, index);
}

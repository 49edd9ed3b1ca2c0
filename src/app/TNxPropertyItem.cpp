#include "app/TNxPropertyItem.h"

#include "app/TNextInspector.h"

TNxPropertyItem::TNxPropertyItem(TComponent* owner)
    : TComponent(owner)
{
}

bool TNxPropertyItem::GetAsBoolean() const
{
    return false;
}

QDateTime TNxPropertyItem::GetAsDateTime() const
{
    return {};
}

double TNxPropertyItem::GetAsFloat() const
{
    return 0.0;
}

int TNxPropertyItem::GetAsInteger() const
{
    return 0;
}

QString TNxPropertyItem::GetAsString() const
{
    return {};
}

void TNxPropertyItem::SetAsBoolean(bool)
{
    Changed();
}

void TNxPropertyItem::SetAsDateTime(const QDateTime&)
{
    Changed();
}

void TNxPropertyItem::SetAsFloat(double)
{
    Changed();
}

void TNxPropertyItem::SetAsInteger(int)
{
    Changed();
}

void TNxPropertyItem::SetAsString(const QString&)
{
    Changed();
}

int TNxPropertyItem::ParentIndex() const
{
    return FInspector && FParentItem ? FInspector->IndexOf(FParentItem) : -1;
}

void TNxPropertyItem::Changed()
{
    if (FInspector)
        FInspector->ItemValueChanged(this);
}

void TNxPropertyItem::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove) {
        if (component == FInspector)
            FInspector = nullptr;
        if (component == FParentItem)
            FParentItem = nullptr;
    }
    TComponent::Notification(component, operation);
}

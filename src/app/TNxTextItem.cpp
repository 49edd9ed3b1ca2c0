#include "app/TNxTextItem.h"

#include "app/NxValueText.h"

QDateTime TNxTextItem::GetAsDateTime() const
{
    return TextToDateTime(FValue);
}

double TNxTextItem::GetAsFloat() const
{
    double value = 0.0;
    TryTextToFloat(FValue, value);
    return value;
}

int TNxTextItem::GetAsInteger() const
{
    int value = 0;
    TryTextToInt(FValue, value);
    return value;
}

QString TNxTextItem::GetAsString() const
{
    return FValue;
}

void TNxTextItem::SetAsDateTime(const QDateTime& value)
{
    FValue = DateTimeToText(value);
    Changed();
}

void TNxTextItem::SetAsFloat(double value)
{
    FValue = FloatToText(value);
    Changed();
}

void TNxTextItem::SetAsInteger(int value)
{
    FValue = QString::number(value);
    Changed();
}

void TNxTextItem::SetAsString(const QString& value)
{
    FValue = value;
    Changed();
}

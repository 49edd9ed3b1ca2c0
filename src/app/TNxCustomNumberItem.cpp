#include "app/TNxCustomNumberItem.h"

#include "app/NxValueText.h"

#include <algorithm>
#include <cmath>
#include <limits>

double TNxCustomNumberItem::GetAsFloat() const
{
    return FNumber;
}

int TNxCustomNumberItem::GetAsInteger() const
{
    // Clamped before the conversion, which is undefined out of range.
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max();
    return std::isnan(FNumber) ? 0 : int(std::clamp(std::round(FNumber), low, high));
}

QString TNxCustomNumberItem::GetAsString() const
{
    return TNxTextItem::GetAsString();
}

void TNxCustomNumberItem::SetAsFloat(double value)
{
    if (FMax > FMin)
        value = std::clamp(value, FMin, FMax);
    FNumber = value;
    TNxTextItem::SetAsString(FloatToText(value));
}

void TNxCustomNumberItem::SetAsInteger(int value)
{
    SetAsFloat(value);
}

void TNxCustomNumberItem::SetAsString(const QString& value)
{
    FNumber = 0.0;
    TryTextToFloat(value, FNumber);
    TNxTextItem::SetAsString(value);
}

#include "app/TNxTrackBarItem.h"

#include "app/NxValueText.h"
#include "framework/Exception.h"

#include <algorithm>
#include <cmath>

double TNxTrackBarItem::GetAsFloat() const
{
    return FPosition;
}

int TNxTrackBarItem::GetAsInteger() const
{
    return FPosition;
}

QString TNxTrackBarItem::GetAsString() const
{
    return QString::number(FPosition);
}

void TNxTrackBarItem::SetAsFloat(double value)
{
    // Rounded and clamped as a double first: converting an out-of-range or
    // NaN double to int is undefined. NaN changes nothing.
    if (!std::isnan(value))
        SetPosition(int(std::clamp(std::round(value), double(FMin), double(FMax))));
}

void TNxTrackBarItem::SetAsInteger(int value)
{
    SetPosition(value);
}

void TNxTrackBarItem::SetAsString(const QString& value)
{
    int position = 0;
    if (!TryTextToInt(value, position))
        RaiseInvalidInteger(value);
    SetPosition(position);
}

void TNxTrackBarItem::SetPosition(int position)
{
    position = std::clamp(position, FMin, FMax);
    if (position == FPosition)
        return;
    FPosition = position;
    Changed();
}

void TNxTrackBarItem::SetMin(int min)
{
    if (min >= 0 && min < FMax)
        FMin = min;
    if (FPosition < FMin)
        SetPosition(FMin);
}

void TNxTrackBarItem::SetMax(int max)
{
    if (max > FMin)
        FMax = max;
    if (FPosition > FMax)
        SetPosition(FMax);
}

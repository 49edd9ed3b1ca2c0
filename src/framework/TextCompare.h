// The one case-insensitive comparison of names used everywhere: section and
// key names, component and property names. Equality and ordering agree, so a
// sorted array searched with it finds every name that compares equal.
// Unicode simple case folding; ASCII takes a fast path. Thread-safe.
#pragma once

#include <QString>
#include <QStringView>

// <0, 0 or >0 as A sorts before, with or after B ignoring letter case.
int CompareText(QStringView a, QStringView b);

// True when A and B are the same name ignoring letter case.
inline bool SameText(QStringView a, QStringView b)
{
    return CompareText(a, b) == 0;
}

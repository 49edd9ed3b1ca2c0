// Text conversions of the setting items' typed accessors. Integers accept an
// optional sign and decimal digits only; floating and date-time texts follow
// the default QLocale (QLocale::setDefault), as the user's format settings.
// Thread-safe as long as nobody changes the default locale meanwhile.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

// False, leaving VALUE alone, when TEXT is not a 32-bit integer.
bool TryTextToInt(QStringView text, int& value);
bool TryTextToFloat(QStringView text, double& value);
QString FloatToText(double value);
// An invalid QDateTime when TEXT is no date-time.
QDateTime TextToDateTime(QStringView text);
// Empty for an invalid date-time.
QString DateTimeToText(const QDateTime& value);

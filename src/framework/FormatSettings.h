// Text forms of numbers and dates under a set of format settings: the
// decimal separator and the date and time patterns of the user's locale by
// default, or fixed settings passed by the caller. Parsers raise
// EConvertError with the platform's messages. The functions are
// thread-safe; changing the default settings is not.
#pragma once

#include "framework/VariantTypes.h"

#include <QChar>
#include <QString>
#include <QStringView>

struct TFormatSettings {
    QChar DecimalSeparator = u'.';
    QChar DateSeparator = u'/';
    QChar TimeSeparator = u':';
    // Date pattern letters: d, dd (day), m, mm (month), yy, yyyy (year);
    // "/" stands for DateSeparator. The order of d, m and y is also the
    // order in which StrToDateTime expects the parts.
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    // Time pattern letters: h, hh, n, nn (minutes), s, ss, z, zzz; ":" stands
    // for TimeSeparator.
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");

    // The settings of QLocale::system().
    static TFormatSettings System();
};

// The process's default settings: those of the user's locale until
// SetDefaultFormatSettings replaces them.
const TFormatSettings& DefaultFormatSettings();
void SetDefaultFormatSettings(const TFormatSettings& settings);

// General form with up to 15 significant digits: fixed notation unless the
// decimal exponent is above 15 or below -4 ("1E15", "1E-5").
QString FloatToStr(double value, const TFormatSettings& fs = DefaultFormatSettings());
// The same text written to OUT, which holds at least FloatTextMax units;
// returns how many it wrote. For writers that format into their own buffer.
constexpr qsizetype FloatTextMax = 32;
qsizetype FloatToText(double value, char16_t* out, const TFormatSettings& fs = DefaultFormatSettings());
// Up to four decimals without trailing zeros, no currency symbol.
QString CurrToStr(TCurrency value, const TFormatSettings& fs = DefaultFormatSettings());
// Date in ShortDateFormat, then a blank and the time in LongTimeFormat
// unless the time of day is exactly midnight.
QString DateTimeToStr(TDateTime value, const TFormatSettings& fs = DefaultFormatSettings());

// Decimal or hexadecimal ("$1F", "0x1F") integers, blanks around allowed.
qint32 StrToInt(QStringView text);
qint64 StrToInt64(QStringView text);
double StrToFloat(QStringView text, const TFormatSettings& fs = DefaultFormatSettings());
TCurrency StrToCurr(QStringView text, const TFormatSettings& fs = DefaultFormatSettings());
// A date in the order of ShortDateFormat, optionally followed by a time
// (hours, minutes, optional seconds and milliseconds); or a time alone.
TDateTime StrToDateTime(QStringView text, const TFormatSettings& fs = DefaultFormatSettings());

#include "framework/FormatSettings.h"

#include "framework/Exception.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

const QDate DateTimeEpoch(1899, 12, 30);
constexpr qint64 MSecsPerDay = 86400000;

// Translates a Qt date pattern ("dd/MM/yyyy", "M/d/yy") into the settings'
// letters; the first non-letter becomes the date separator.
void ApplyQtDateFormat(const QString& qtFormat, TFormatSettings& fs)
{
    QString pattern;
    bool separatorSeen = false;
    for (qsizetype i = 0; i < qtFormat.size();) {
        const QChar c = qtFormat[i];
        qsizetype run = 1;
        while (i + run < qtFormat.size() && qtFormat[i + run] == c)
            ++run;
        i += run;
        if (c == u'd' || c == u'M') {
            if (run <= 2) // day and month names have no numeric form here
                pattern += QString(int(run), c == u'd' ? u'd' : u'm');
        } else if (c == u'y') {
            pattern += run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
        } else if (!c.isLetter() && c != u'\'') {
            if (!separatorSeen) {
                fs.DateSeparator = c;
                separatorSeen = true;
            }
            pattern += u'/';
        }
    }
    while (pattern.endsWith(u'/'))
        pattern.chop(1);
    if (pattern.contains(u'd') && pattern.contains(u'm') && pattern.contains(u'y'))
        fs.ShortDateFormat = pattern;
}

TFormatSettings& DefaultSettingsStorage()
{
    static TFormatSettings settings = TFormatSettings::System();
    return settings;
}

[[noreturn]] void RaiseInvalidFloat(QStringView text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

[[noreturn]] void RaiseInvalidDateTime(QStringView text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
}

} // namespace

TFormatSettings TFormatSettings::System()
{
    const QLocale locale = QLocale::system();
    TFormatSettings fs;
    const QString decimalPoint = locale.decimalPoint();
    if (decimalPoint.size() == 1)
        fs.DecimalSeparator = decimalPoint[0];
    ApplyQtDateFormat(locale.dateFormat(QLocale::ShortFormat), fs);
    // Times are shown in 24-hour form with the locale's separator.
    for (QChar c : locale.timeFormat(QLocale::LongFormat)) {
        if (!c.isLetter() && !c.isSpace()) {
            fs.TimeSeparator = c;
            break;
        }
    }
    return fs;
}

const TFormatSettings& DefaultFormatSettings()
{
    return DefaultSettingsStorage();
}

void SetDefaultFormatSettings(const TFormatSettings& settings)
{
    DefaultSettingsStorage() = settings;
}

// ---------------------------------------------------------------------------
// Numbers to text

namespace {

char16_t* AppendAscii(char16_t* out, const char* text, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        *out++ = char16_t(uchar(text[i]));
    return out;
}

char16_t* AppendRepeated(char16_t* out, char16_t unit, int count)
{
    for (int i = 0; i < count; ++i)
        *out++ = unit;
    return out;
}

} // namespace

// std::to_chars with the precision gives the digits printf's "%.14e" gives
// (the exact binary value rounded to nearest, ties to even), without the
// locale and the stream machinery.
qsizetype FloatToText(double value, char16_t* out, const TFormatSettings& fs)
{
    char16_t* const begin = out;
    if (std::isnan(value))
        return AppendAscii(out, "NAN", 3) - begin;
    if (std::isinf(value))
        return value < 0 ? AppendAscii(out, "-INF", 4) - begin : AppendAscii(out, "INF", 3) - begin;
    if (value == 0)
        return AppendAscii(out, "0", 1) - begin;
    char buffer[32];
    const char* const end
        = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14)
              .ptr;
    // buffer: d.dddddddddddddde[+-]x...
    char digits[15];
    digits[0] = buffer[0];
    std::memcpy(digits + 1, buffer + 2, 14);
    int exponent = 0;
    for (const char* p = buffer + 18; p < end; ++p)
        exponent = exponent * 10 + (*p - '0');
    if (buffer[17] == '-')
        exponent = -exponent;
    int count = 15;
    while (count > 1 && digits[count - 1] == '0')
        --count;
    if (value < 0)
        *out++ = u'-';
    const char16_t separator = fs.DecimalSeparator.unicode();
    if (exponent >= 15 || exponent < -4) {
        *out++ = char16_t(digits[0]);
        if (count > 1) {
            *out++ = separator;
            out = AppendAscii(out, digits + 1, count - 1);
        }
        char number[8];
        *out++ = u'E';
        const char* numberEnd = std::to_chars(number, number + sizeof number, exponent).ptr;
        return AppendAscii(out, number, numberEnd - number) - begin;
    }
    if (exponent < 0) {
        *out++ = u'0';
        *out++ = separator;
        out = AppendRepeated(out, u'0', -exponent - 1);
        return AppendAscii(out, digits, count) - begin;
    }
    if (count <= exponent + 1) {
        out = AppendAscii(out, digits, count);
        return AppendRepeated(out, u'0', exponent + 1 - count) - begin;
    }
    out = AppendAscii(out, digits, exponent + 1);
    *out++ = separator;
    return AppendAscii(out, digits + exponent + 1, count - exponent - 1) - begin;
}

QString FloatToStr(double value, const TFormatSettings& fs)
{
    char16_t text[FloatTextMax];
    return QString(reinterpret_cast<const QChar*>(text), FloatToText(value, text, fs));
}

QString CurrToStr(TCurrency value, const TFormatSettings& fs)
{
    const quint64 magnitude = value.Value < 0 ? 0 - quint64(value.Value) : quint64(value.Value);
    QString text = value.Value < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / 10000);
    if (const quint64 fraction = magnitude % 10000) {
        QString decimals = QStringLiteral("%1").arg(fraction, 4, 10, QChar(u'0'));
        while (decimals.endsWith(u'0'))
            decimals.chop(1);
        text += fs.DecimalSeparator + decimals;
    }
    return text;
}

// ---------------------------------------------------------------------------
// Date-times to text

namespace {

struct TDateTimeParts {
    QDate Date;
    int MSecs = 0; // time of day
};

// Beyond the year 9999 (and for NaN) there is no date to show.
constexpr double MaxDateTimeDays = 2958466.0;

TDateTimeParts Decode(double value)
{
    if (!(std::fabs(value) < MaxDateTimeDays))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(value));
    // The whole days count from the epoch; the fraction's magnitude is the
    // time of day, also before the epoch.
    const double days = std::trunc(value);
    qint64 msecs = std::llround(std::fabs(value - days) * MSecsPerDay);
    msecs = std::min<qint64>(msecs, MSecsPerDay - 1);
    return TDateTimeParts { DateTimeEpoch.addDays(qint64(days)), int(msecs) };
}

QString Padded(int value, qsizetype width)
{
    return QStringLiteral("%1").arg(value, int(width), 10, QChar(u'0'));
}

// Expands the runs of pattern letters; "/" and ":" become the separators.
QString FormatPattern(const QString& pattern, const TDateTimeParts& parts, const TFormatSettings& fs)
{
    const int msecs = parts.MSecs;
    QString text;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c)
            ++run;
        i += run;
        const qsizetype width = run >= 2 ? 2 : 1;
        if (c == u'd')
            text += Padded(parts.Date.day(), width);
        else if (c == u'm')
            text += Padded(parts.Date.month(), width);
        else if (c == u'y')
            text += run <= 2 ? Padded(parts.Date.year() % 100, 2) : Padded(parts.Date.year(), 4);
        else if (c == u'h')
            text += Padded(msecs / 3600000, width);
        else if (c == u'n')
            text += Padded(msecs / 60000 % 60, width);
        else if (c == u's')
            text += Padded(msecs / 1000 % 60, width);
        else if (c == u'z')
            text += Padded(msecs % 1000, run >= 3 ? 3 : 1);
        else if (c == u'/')
            text += QString(int(run), fs.DateSeparator);
        else if (c == u':')
            text += QString(int(run), fs.TimeSeparator);
        else
            text += QString(int(run), pattern[i - 1]);
    }
    return text;
}

} // namespace

QString DateTimeToStr(TDateTime value, const TFormatSettings& fs)
{
    const TDateTimeParts parts = Decode(value.Value);
    QString text = FormatPattern(fs.ShortDateFormat, parts, fs);
    if (parts.MSecs != 0)
        text += u' ' + FormatPattern(fs.LongTimeFormat, parts, fs);
    return text;
}

// ---------------------------------------------------------------------------
// Text to numbers

namespace {

int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Decimal or hexadecimal ("$1F", "0x1F") with an optional sign; false when
// the text is not such a number or it does not fit. Hexadecimal digits give
// the bit pattern, so "$FFFFFFFF" is -1 as a 32-bit integer.
bool ParseInteger(QStringView text, bool is32, qint64& result)
{
    text = text.trimmed();
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text = text.mid(1);
    int base = 10;
    const qsizetype prefix = text.startsWith(u'$') ? 1 : text.startsWith(u"0x", Qt::CaseInsensitive) ? 2 : 0;
    if (prefix > 0) {
        base = 16;
        text = text.mid(prefix);
    }
    if (text.isEmpty())
        return false;
    quint64 magnitude = 0;
    for (QChar c : text) {
        const int digit = DigitValue(c);
        if (digit < 0 || digit >= base)
            return false;
        if (magnitude > (std::numeric_limits<quint64>::max() - quint64(digit)) / quint64(base))
            return false;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    const qint64 max = is32 ? std::numeric_limits<qint32>::max() : std::numeric_limits<qint64>::max();
    if (base == 16) {
        if (is32 && magnitude > 0xFFFFFFFFu)
            return false;
        magnitude = is32 ? quint64(qint64(qint32(quint32(magnitude)))) : magnitude;
    } else if (magnitude > quint64(max) + (negative ? 1 : 0)) {
        return false;
    }
    const qint64 value = negative ? qint64(0 - magnitude) : qint64(magnitude);
    if (is32 && (value < std::numeric_limits<qint32>::min() || value > max))
        return false;
    result = value;
    return true;
}

// A decimal number in the settings' form (only their decimal separator, an
// optional exponent), rewritten for from_chars; empty when malformed.
std::string NormalizedDecimal(QStringView text, QChar decimalSeparator)
{
    text = text.trimmed();
    std::string ascii;
    bool digits = false;
    bool separator = false;
    bool exponent = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 128 && c.isDigit()) {
            digits = true;
            ascii += char(c.unicode());
        } else if ((c == u'+' || c == u'-') && (i == 0 || text[i - 1].toLower() == u'e')) {
            if (c == u'-')
                ascii += '-';
        } else if (c == decimalSeparator && !separator && !exponent) {
            separator = true;
            ascii += '.';
        } else if (c.toLower() == u'e' && digits && !exponent) {
            exponent = true;
            digits = false;
            ascii += 'e';
        } else {
            return std::string();
        }
    }
    return digits ? ascii : std::string();
}

} // namespace

qint32 StrToInt(QStringView text)
{
    qint64 value;
    if (!ParseInteger(text, true, value))
        RaiseInvalidInteger(text.toString());
    return qint32(value);
}

qint64 StrToInt64(QStringView text)
{
    qint64 value;
    if (!ParseInteger(text, false, value))
        RaiseInvalidInteger(text.toString());
    return value;
}

double StrToFloat(QStringView text, const TFormatSettings& fs)
{
    const std::string ascii = NormalizedDecimal(text, fs.DecimalSeparator);
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ascii.empty() || error != std::errc() || end != ascii.data() + ascii.size())
        RaiseInvalidFloat(text);
    return value;
}

TCurrency StrToCurr(QStringView text, const TFormatSettings& fs)
{
    // long double carries the 19 digits a currency value can have.
    const std::string ascii = NormalizedDecimal(text, fs.DecimalSeparator);
    long double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ascii.empty() || error != std::errc() || end != ascii.data() + ascii.size())
        RaiseInvalidFloat(text);
    const long double scaled = std::nearbyint(value * 10000.0L);
    if (!(scaled >= -9223372036854775808.0L && scaled < 9223372036854775808.0L))
        RaiseInvalidFloat(text);
    return TCurrency { qint64(scaled) };
}

// ---------------------------------------------------------------------------
// Text to date-times

namespace {

// Splits "a<sep>b<sep>c" into numbers; false on anything else.
bool SplitNumbers(QStringView text, QChar separator, QList<int>& numbers)
{
    numbers.clear();
    for (QStringView part : text.split(separator)) {
        bool ok = false;
        const int value = part.trimmed().toInt(&ok);
        if (!ok || part.trimmed().startsWith(u'-') || part.trimmed().startsWith(u'+'))
            return false;
        numbers.append(value);
    }
    return true;
}

// Two-digit years fall within 50 years of the current one.
int ExpandYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    const int threshold = QDate::currentDate().year() - 50;
    int full = threshold / 100 * 100 + year;
    if (full < threshold)
        full += 100;
    return full;
}

bool ParseDate(QStringView text, const TFormatSettings& fs, QDate& date)
{
    QList<int> numbers;
    if (!SplitNumbers(text, fs.DateSeparator, numbers) || numbers.size() < 2 || numbers.size() > 3)
        return false;
    const QList<QStringView> parts = text.split(fs.DateSeparator);
    const QString order = fs.ShortDateFormat.toLower();
    int day = 0;
    int month = 0;
    int year = QDate::currentDate().year();
    qsizetype yearDigits = 4;
    // The parts come in the order in which d, m and y occur in the pattern.
    struct TPart {
        qsizetype At;
        int* Target;
    };
    TPart ranked[3]
        = { { order.indexOf(u'd'), &day }, { order.indexOf(u'm'), &month }, { order.indexOf(u'y'), &year } };
    std::sort(
        std::begin(ranked), std::end(ranked), [](const TPart& a, const TPart& b) { return a.At < b.At; });
    int index = 0;
    for (const TPart& part : ranked) {
        if (part.Target == &year) {
            if (numbers.size() == 2)
                continue; // day and month only: the current year
            yearDigits = parts[index].trimmed().size();
        }
        *part.Target = numbers[index++];
    }
    date = QDate(ExpandYear(year, yearDigits), month, day);
    return date.isValid();
}

bool ParseTime(QStringView text, const TFormatSettings& fs, int& msecs)
{
    qsizetype dot = text.indexOf(fs.DecimalSeparator);
    if (dot < 0)
        dot = text.indexOf(u'.');
    int millis = 0;
    if (dot >= 0) {
        bool ok = false;
        millis = text.mid(dot + 1).trimmed().toInt(&ok);
        if (!ok || millis < 0 || millis > 999)
            return false;
        text = text.left(dot);
    }
    QList<int> numbers;
    if (!SplitNumbers(text, fs.TimeSeparator, numbers) || numbers.size() < 2 || numbers.size() > 3)
        return false;
    const int seconds = numbers.size() == 3 ? numbers[2] : 0;
    if (numbers[0] > 23 || numbers[1] > 59 || seconds > 59)
        return false;
    msecs = ((numbers[0] * 60 + numbers[1]) * 60 + seconds) * 1000 + millis;
    return true;
}

} // namespace

TDateTime StrToDateTime(QStringView text, const TFormatSettings& fs)
{
    const QStringView trimmed = text.trimmed();
    const qsizetype blank = trimmed.indexOf(u' ');
    QStringView datePart = blank < 0 ? trimmed : trimmed.left(blank);
    QStringView timePart = blank < 0 ? QStringView() : trimmed.mid(blank + 1).trimmed();
    if (blank < 0 && datePart.contains(fs.TimeSeparator) && !datePart.contains(fs.DateSeparator)) {
        timePart = datePart;
        datePart = QStringView();
    }
    QDate date = DateTimeEpoch;
    int msecs = 0;
    if (!datePart.isEmpty() && !ParseDate(datePart, fs, date))
        RaiseInvalidDateTime(text);
    if (!timePart.isEmpty() && !ParseTime(timePart, fs, msecs))
        RaiseInvalidDateTime(text);
    const double days = double(DateTimeEpoch.daysTo(date));
    const double time = double(msecs) / MSecsPerDay;
    // Before the epoch the time of day still counts forward from midnight.
    return TDateTime { days < 0 ? days - time : days + time };
}

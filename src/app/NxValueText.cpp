#include "app/NxValueText.h"

#include <QLocale>
#include <limits>

bool TryTextToInt(QStringView text, int& value)
{
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == u'-';
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+'))
        ++i;
    if (i == text.size())
        return false;
    // Accumulate the magnitude as a negative number, which holds INT_MIN.
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > qint64(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (!negative && magnitude > std::numeric_limits<int>::max())
        return false;
    value = int(negative ? -magnitude : magnitude);
    return true;
}

bool TryTextToFloat(QStringView text, double& value)
{
    bool ok = false;
    const double parsed = QLocale().toDouble(text, &ok);
    if (ok)
        value = parsed;
    return ok;
}

QString FloatToText(double value)
{
    return QLocale().toString(value, 'g', QLocale::FloatingPointShortest);
}

QDateTime TextToDateTime(QStringView text)
{
    return QLocale().toDateTime(text.toString(), QLocale::ShortFormat);
}

QString DateTimeToText(const QDateTime& value)
{
    return value.isValid() ? QLocale().toString(value, QLocale::ShortFormat) : QString();
}

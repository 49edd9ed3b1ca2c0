// Text forms of floats, currency and date-times under fixed format settings,
// and the parsers back.
#include "framework/FormatSettings.h"
#include "framework/Exception.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TFormatSettings German()
{
    TFormatSettings fs;
    fs.DecimalSeparator = u',';
    fs.DateSeparator = u'.';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.LongTimeFormat = "hh:nn:ss";
    return fs;
}

TFormatSettings American()
{
    TFormatSettings fs;
    fs.ShortDateFormat = "m/d/yyyy";
    fs.LongTimeFormat = "h:nn:ss";
    return fs;
}

} // namespace

TEST(FormatSettings, FloatToStrUsesFifteenSignificantDigits)
{
    const TFormatSettings fs;
    const std::pair<double, const char*> cases[] = {
        { 0, "0" },
        { 1, "1" },
        { -2.5, "-2.5" },
        { 0.1, "0.1" },
        { 1.0 / 3, "0.333333333333333" },
        { 123456789012345.0, "123456789012345" },
        { 1e15, "1E15" },
        { 1.5e20, "1.5E20" },
        { 0.0001, "0.0001" },
        { 0.00001, "1E-5" },
        { -1.25e-7, "-1.25E-7" },
        { 100, "100" },
        { 0.30000000000000004, "0.3" },
        // Halfway cases round to the even digit; three-digit exponents.
        { 1234567890123455.0, "1.23456789012346E15" },
        { 1234567890123465.0, "1.23456789012346E15" },
        { -0.0, "0" },
        { 5e-324, "4.94065645841247E-324" },
        { 2.2250738585072014e-308, "2.2250738585072E-308" },
        { -1.7976931348623157e308, "-1.79769313486232E308" },
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(FloatToStr(value, fs), QString::fromLatin1(text)) << value;
    EXPECT_EQ(FloatToStr(1234.5, German()), "1234,5");
    EXPECT_EQ(FloatToStr(std::nan(""), fs), "NAN");
    EXPECT_EQ(FloatToStr(-INFINITY, fs), "-INF");
}

TEST(FormatSettings, CurrToStrShowsUpToFourDecimals)
{
    EXPECT_EQ(CurrToStr(TCurrency { 70000 }, German()), "7");
    EXPECT_EQ(CurrToStr(TCurrency { 15000 }, German()), "1,5");
    EXPECT_EQ(CurrToStr(TCurrency { -12345 }, German()), "-1,2345");
    EXPECT_EQ(CurrToStr(TCurrency { 1 }, TFormatSettings()), "0.0001");
    EXPECT_EQ(CurrToStr(TCurrency { std::numeric_limits<qint64>::min() }, TFormatSettings()),
        "-922337203685477.5808");
}

TEST(FormatSettings, DateTimeToStrOmitsMidnight)
{
    EXPECT_EQ(DateTimeToStr(TDateTime { 36525 }, German()), "31.12.1999");
    EXPECT_EQ(DateTimeToStr(TDateTime { 36525.75 }, German()), "31.12.1999 18:00:00");
    EXPECT_EQ(DateTimeToStr(TDateTime { 2.5 }, American()), "1/1/1900 12:00:00");
    EXPECT_EQ(DateTimeToStr(TDateTime { 0 }, American()), "12/30/1899");
    EXPECT_EQ(DateTimeToStr(TDateTime { -1.25 }, German()), "29.12.1899 06:00:00");
    EXPECT_THROW(DateTimeToStr(TDateTime { 1e300 }, German()), EConvertError);
    EXPECT_THROW(DateTimeToStr(TDateTime { std::nan("") }, German()), EConvertError);
}

TEST(FormatSettings, IntegerParsersAcceptDecimalAndHexAndRejectOverflow)
{
    EXPECT_EQ(StrToInt(u" 42 "), 42);
    EXPECT_EQ(StrToInt(u"-2147483648"), std::numeric_limits<qint32>::min());
    EXPECT_EQ(StrToInt(u"$FF"), 255);
    EXPECT_EQ(StrToInt(u"0x7fffffff"), 0x7fffffff);
    EXPECT_EQ(StrToInt(u"$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64(u"-9223372036854775808"), std::numeric_limits<qint64>::min());
    for (const char16_t* text : { u"2147483648", u"", u"-", u"1.5", u"12a", u"$", u"$1FFFFFFFF" }) {
        try {
            StrToInt(text);
            ADD_FAILURE() << QString::fromUtf16(text).toStdString();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf16(text)));
        }
    }
    EXPECT_THROW(StrToInt64(u"9223372036854775808"), EConvertError);
}

TEST(FormatSettings, FloatAndCurrencyParsersUseTheDecimalSeparator)
{
    EXPECT_EQ(StrToFloat(u"1,5", German()), 1.5);
    EXPECT_EQ(StrToFloat(u"-2,5E3", German()), -2500);
    EXPECT_EQ(StrToFloat(u"1e-2", TFormatSettings()), 0.01);
    EXPECT_EQ(StrToCurr(u"922337203685477,5807", German()).Value, std::numeric_limits<qint64>::max());
    EXPECT_EQ(StrToCurr(u"0,00005", German()).Value, 0) << "halves to even";
    EXPECT_EQ(StrToCurr(u"0,00015", German()).Value, 2);
    for (const char16_t* text : { u"1.5", u"", u"e5", u"1,5,5", u"1 5", u"--1" }) {
        try {
            StrToFloat(text, German());
            ADD_FAILURE() << QString::fromUtf16(text).toStdString();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                QStringLiteral("'%1' is not a valid floating point value").arg(QString::fromUtf16(text)));
        }
    }
    EXPECT_THROW(StrToCurr(u"1e300", TFormatSettings()), EConvertError);
}

TEST(FormatSettings, DateTimeParserFollowsTheDateOrder)
{
    EXPECT_EQ(StrToDateTime(u"31.12.1999", German()).Value, 36525);
    EXPECT_EQ(StrToDateTime(u"31.12.1999 18:00", German()).Value, 36525.75);
    EXPECT_EQ(StrToDateTime(u"12/31/1999 6:00:00", American()).Value, 36525.25);
    EXPECT_EQ(StrToDateTime(u"12:00", German()).Value, 0.5);
    EXPECT_DOUBLE_EQ(StrToDateTime(u"29.12.1899 06:00:00", German()).Value, -1.25);
    for (const QString& text :
        { QString("31.13.1999"), QString("1999"), QString("31.12.1999 25:00"), QString("x") }) {
        try {
            StrToDateTime(text, German());
            ADD_FAILURE() << text.toStdString();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid date and time").arg(text));
        }
    }
    for (double value : { 36525.0, 36525.75, 1.5, 45000.123 }) {
        const QString text = DateTimeToStr(TDateTime { value }, German());
        EXPECT_NEAR(StrToDateTime(text, German()).Value, value, 1.0 / 86400) << text.toStdString();
    }
}

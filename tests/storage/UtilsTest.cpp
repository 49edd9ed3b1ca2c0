#include "framework/FormatSettings.h"
#include "storage/StorageUtils.h"
#include "storage/TrsException.h"

#include <gtest/gtest.h>

TEST(UtilsClassifyNumber, SignsSeparatorsAndDigitCountsDecideTheClass)
{
    const QChar dot(u'.');
    EXPECT_EQ(ClassifyNumber(u"", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"-", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"+", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u".", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"1-", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"1 ", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"1.2.3", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"0", dot), ncInteger);
    EXPECT_EQ(ClassifyNumber(u"+123", dot), ncInteger);
    EXPECT_EQ(ClassifyNumber(u"-5.", dot), ncFloat);
    EXPECT_EQ(ClassifyNumber(u"12345678901234567890123.5", dot), ncFloat);
    EXPECT_EQ(ClassifyNumber(u"1,5", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"1,5", QChar(u',')), ncFloat);
}

TEST(UtilsClassifyNumber, DefaultSeparatorComesFromTheFormatSettings)
{
    const TFormatSettings saved = DefaultFormatSettings();
    TFormatSettings comma = saved;
    comma.DecimalSeparator = u',';
    SetDefaultFormatSettings(comma);
    EXPECT_EQ(ClassifyNumber(u"1,5"), ncFloat);
    EXPECT_EQ(ClassifyNumber(u"1.5"), ncNone);
    SetDefaultFormatSettings(saved);
}

TEST(UtilsClassifyNumber, LimitsOfThirtyTwoAndSixtyFourBitIntegers)
{
    const QChar dot(u'.');
    EXPECT_EQ(ClassifyNumber(u"2147483647", dot), ncInteger);
    EXPECT_EQ(ClassifyNumber(u"+2147483647", dot), ncInteger);
    EXPECT_EQ(ClassifyNumber(u"2147483648", dot), ncInt64);
    EXPECT_EQ(ClassifyNumber(u"-2147483648", dot), ncInteger);
    EXPECT_EQ(ClassifyNumber(u"-2147483649", dot), ncInt64);
    EXPECT_EQ(ClassifyNumber(u"0000000001", dot), ncInteger);
    EXPECT_EQ(ClassifyNumber(u"9223372036854775807", dot), ncInt64);
    EXPECT_EQ(ClassifyNumber(u"9223372036854775808", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"-9223372036854775808", dot), ncInt64);
    EXPECT_EQ(ClassifyNumber(u"-9223372036854775809", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"9999999999999999999", dot), ncNone);
    EXPECT_EQ(ClassifyNumber(u"10000000000000000000", dot), ncNone);
}

TEST(UtilsPath, NextPathPartWalksComponentsAndStopsAtSeparators)
{
    const QStringView path = u"\\A/B\\\\c";
    qsizetype position = 0;
    EXPECT_EQ(NextPathPart(path, position), u"");
    EXPECT_EQ(position, 0);
    position = 1;
    EXPECT_EQ(NextPathPart(path, position), u"A");
    EXPECT_EQ(position, 2);
    ++position;
    EXPECT_EQ(NextPathPart(path, position), u"B");
    EXPECT_EQ(position, 4);
    ++position;
    EXPECT_EQ(NextPathPart(path, position), u"");
    ++position;
    EXPECT_EQ(NextPathPart(path, position), u"c");
    EXPECT_EQ(position, path.size());
    position = path.size() + 5;
    EXPECT_EQ(NextPathPart(path, position), u"");
    EXPECT_EQ(position, path.size());
    EXPECT_TRUE(IsPathDelimiter(u'/'));
    EXPECT_TRUE(IsPathDelimiter(u'\\'));
    EXPECT_FALSE(IsPathDelimiter(u':'));
}

TEST(UtilsText, SwapByteOrderStopsAtTheFirstZeroUnit)
{
    char16_t units[] = {0x4100, 0x0042, 0x0000, 0x4300};
    SwapByteOrder(units, 4);
    EXPECT_EQ(units[0], 0x0041);
    EXPECT_EQ(units[1], 0x4200);
    EXPECT_EQ(units[3], 0x4300);
    QString text = QString::fromUtf16(u"\u4100\u6200");
    SwapByteOrder(text);
    EXPECT_EQ(text, u"Ab");
}

TEST(UtilsText, WideCharsAreUnitsAboveTwoHundredFiftyFive)
{
    EXPECT_FALSE(HasWideChars(u""));
    EXPECT_FALSE(HasWideChars(u"caf\u00e9\u00ff"));
    EXPECT_TRUE(HasWideChars(u"x\u0100"));
}

TEST(UtilsFloat, SameFloatToleratesLessThanOneMillisecond)
{
    const double ms = 1.0 / 86400000.0;
    EXPECT_TRUE(SameFloat(45000.5, 45000.5 + 0.5 * ms));
    EXPECT_FALSE(SameFloat(45000.5, 45000.5 + 2 * ms));
    EXPECT_FALSE(SameFloat(0.0, -2 * ms));
}

TEST(UtilsError, KindsMapToTheirPrefixesByTheLowSevenBits)
{
    const auto messageOf = [](int kind) {
        try {
            RaiseStorageError(kind, QStringLiteral("detail"));
        } catch (const TrsException& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(messageOf(0), u"TrsStorage get key value error: detail");
    EXPECT_EQ(messageOf(1), u"TrsXMLData parser error: detail");
    EXPECT_EQ(messageOf(2), u"TrsStorage set key value error: detail");
    EXPECT_EQ(messageOf(3), u"TrsSearch prepare search error: detail");
    EXPECT_EQ(messageOf(4), u"TrsSearch error: detail");
    EXPECT_EQ(messageOf(5), u"TrsRegData error: detail");
    EXPECT_EQ(messageOf(6), u"Storage library error: detail");
    EXPECT_EQ(messageOf(128 + 1), u"TrsXMLData parser error: detail");
    EXPECT_EQ(messageOf(ekGeneral), u"Storage library error: detail");
}

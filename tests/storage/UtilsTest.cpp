#include "framework/FormatSettings.h"
#include "storage/StorageUtils.h"
#include "storage/TrsException.h"

#include <QStringList>
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
    QStringList parts;
    qsizetype position = 0;
    for (; position < path.size(); ++position)
        parts.append(NextPathPart(path, position).toString());
    EXPECT_EQ(parts.join(u'|').toStdString(), "|A|B||c");
    EXPECT_EQ(position, path.size() + 1);
    position = path.size() + 5;
    EXPECT_TRUE(NextPathPart(path, position).isEmpty());
    EXPECT_EQ(position, path.size());
    EXPECT_FALSE(IsPathDelimiter(u':'));
}

TEST(UtilsText, SwapByteOrderStopsAtTheFirstZeroUnit)
{
    char16_t units[] = { 0x4100, 0x0042, 0x0000, 0x4300 };
    SwapByteOrder(units, 4);
    EXPECT_EQ(units[0], 0x0041);
    EXPECT_EQ(units[1], 0x4200);
    EXPECT_EQ(units[3], 0x4300);
    QString text = QString::fromUtf16(u"\u4100\u6200");
    SwapByteOrder(text);
    EXPECT_EQ(text, u"Ab");
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

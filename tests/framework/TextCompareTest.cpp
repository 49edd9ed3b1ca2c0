#include "framework/AnsiCodePage.h"
#include "framework/TextCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(TextCompare, IgnoresLetterCaseInAsciiAndBeyond)
{
    EXPECT_EQ(CompareText(u"Mirovane3", u"MIROVANE3"), 0);
    EXPECT_TRUE(SameText(u"Straße", u"STRASSE") == false); // simple folding only
    EXPECT_TRUE(SameText(u"Ärger", u"äRGER"));
    EXPECT_TRUE(SameText(u"ΣΊΣΥΦΟΣ", u"σίσυφοσ"));
    EXPECT_LT(CompareText(u"a", u"B"), 0);
    EXPECT_GT(CompareText(u"b", u"A"), 0);
    EXPECT_LT(CompareText(u"ab", u"ABC"), 0);
    EXPECT_EQ(CompareText(u"", u""), 0);
}

TEST(TextCompare, OrderingAgreesWithEqualityForMixedNames)
{
    // A sorted array is searched with the same comparison, so sorting must
    // be a strict weak order that puts equal names together.
    std::vector<QString> names { "b", "Ä", "a", "_x", "B", "ä", "Z", "é", "E", "A1", "a0" };
    std::sort(names.begin(), names.end(),
              [](const QString& l, const QString& r) { return CompareText(l, r) < 0; });
    for (size_t i = 1; i < names.size(); ++i)
        EXPECT_LE(CompareText(names[i - 1], names[i]), 0) << names[i - 1].toStdString();
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = 0; j < names.size(); ++j)
            EXPECT_EQ(CompareText(names[i], names[j]) == 0, SameText(names[j], names[i]));
}

TEST(AnsiCodePage, RoundTripsWindows1252AndWritesQuestionMarkOutsideIt)
{
    const QString text = QStringLiteral("caf\u00e9 \u20ac 100");
    const QByteArray bytes = AnsiEncode(text);
    EXPECT_EQ(bytes, QByteArray("caf\xe9 \x80 100"));
    EXPECT_EQ(AnsiDecode(bytes), text);
    EXPECT_EQ(AnsiEncode(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
    EXPECT_TRUE(AnsiEncode(u"").isEmpty());
}

#include "storage/HexText.h"

#include <QList>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>(i * 7 + 1));
    return bytes;
}

// Restores the process-wide encoder parameters whatever a test does.
struct HexStateGuard {
    ~HexStateGuard()
    {
        SetHexLineBreak(QByteArrayLiteral("\r\n"));
        SetHexStartColumn(0);
        SetHexCompact(false);
    }
};

} // namespace

TEST(HexText, FiftyThreeBytesWrapIntoLinesOfTwentySixAndTwentySeven)
{
    HexStateGuard guard;
    const QByteArray text = HexEncode(Bytes(53));
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(",\r"));
    EXPECT_EQ(lines[0].size(), 26 * 3 + 1);
    EXPECT_EQ(lines[1].size(), 27 * 3 - 1);
    EXPECT_EQ(HexDecode(QByteArrayView(text)), Bytes(53));
    EXPECT_EQ(HexEncode(QByteArray("\x0a\xff", 2)), QByteArray("0A,FF"));
    // 54 bytes: the second line is full, so a third line holds two bytes.
    EXPECT_EQ(HexEncode(Bytes(54)).count('\n'), 2);
}

TEST(HexText, StartColumnShortensFirstLineAndIsResetAfterUse)
{
    HexStateGuard guard;
    SetHexStartColumn(30);
    const QList<QByteArray> lines = HexEncode(Bytes(40)).split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 16 * 3 + 1);
    EXPECT_EQ(HexStartColumn(), 0);
}

TEST(HexText, LineBreakWithoutCarriageReturnAllowsOneMoreColumn)
{
    HexStateGuard guard;
    SetHexLineBreak(QByteArrayLiteral("\n    "));
    const QList<QByteArray> lines = HexEncode(Bytes(60)).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].size(), 26 * 3);
    // The indentation after the LF counts toward the next line's width.
    EXPECT_EQ(lines[1].size(), 4 + 25 * 3);
    EXPECT_EQ(HexLineBreak(), QByteArray("\n    "));
}

TEST(HexText, CompactFormIsDigitsOnlyAndResetsItsFlagButNotTheColumn)
{
    HexStateGuard guard;
    SetHexStartColumn(12);
    SetHexCompact(true);
    EXPECT_EQ(HexEncode(Bytes(30)), Bytes(30).toHex().toUpper());
    EXPECT_FALSE(HexCompact());
    EXPECT_EQ(HexStartColumn(), 12);
}

TEST(HexText, ShapeTestCountsDigitsAndCommas)
{
    EXPECT_TRUE(IsHexText(u"0A"));
    EXPECT_TRUE(IsHexText(u"0A,FF,\r\n10"));
    EXPECT_TRUE(IsHexText(u"0a0b0c"));
    EXPECT_FALSE(IsHexText(u"A"));
    EXPECT_FALSE(IsHexText(u""));
    EXPECT_FALSE(IsHexText(u"0A, FF"));
    EXPECT_FALSE(IsHexText(u"0G"));
    EXPECT_FALSE(IsHexText(u",,"));
    EXPECT_FALSE(IsHexText(u"0A0B0,"));
    EXPECT_FALSE(IsHexText(u"0A\u0130"));
    for (int count = 1; count < 80; ++count)
        EXPECT_TRUE(IsHexText(QByteArrayView(HexEncode(Bytes(count))))) << count;
}

TEST(HexText, DecodeSkipsSeparatorsAndRejectsLoneDigits)
{
    EXPECT_EQ(HexDecode(u"0a, FF\\\r\n10"), QByteArray("\x0a\xff\x10", 3));
    EXPECT_TRUE(HexDecode(u"0A1").isEmpty());
    EXPECT_TRUE(HexDecode(u"0 A").isEmpty());
    EXPECT_TRUE(HexDecode(u"0AZZ").isEmpty());
    EXPECT_TRUE(HexDecode(u"\u0130A").isEmpty());
}

// Long texts take the decoder's fast path; a separator or a bad character
// at any place, including inside a group of pairs, must still be seen.
TEST(HexText, DecodeFindsEverySeparatorAndBadCharacterInLongTexts)
{
    SetHexCompact(true);
    const QByteArray bytes = Bytes(21);
    const QByteArray digits = HexEncode(bytes);
    for (qsizetype at = 0; at <= digits.size(); at += 2) {
        QByteArray separated = digits;
        separated.insert(at, ", \\\r\n");
        EXPECT_EQ(HexDecode(QByteArrayView(separated)), bytes) << at;
        EXPECT_EQ(HexDecode(QString::fromLatin1(separated)), bytes) << at;
    }
    for (qsizetype at = 0; at < digits.size(); ++at) {
        for (const char bad : { 'G', ',', '\0', '\xc1' }) {
            QByteArray broken = digits;
            broken[at] = bad;
            // A separator in place of a digit leaves a lone digit behind.
            EXPECT_TRUE(HexDecode(QByteArrayView(broken)).isEmpty()) << at << int(bad);
        }
        QString wide = QString::fromLatin1(digits);
        wide[at] = QChar(0x130); // beyond 8 bits: must not pass as "0"
        EXPECT_TRUE(HexDecode(wide).isEmpty()) << at;
    }
}

TEST(HexText, ShapedDecodeIsTheDecodeOfTextThatPassesTheShapeTest)
{
    SetHexCompact(false);
    const QString wrapped = QString::fromLatin1(HexEncode(Bytes(60)));
    EXPECT_EQ(HexDecodeShaped(wrapped), Bytes(60));
    for (const QString& text : { QStringLiteral("0A"), QStringLiteral("0a0B0c0D0e0F1011"),
             QStringLiteral("0A,0B\r\n0C"), QStringLiteral("0A0B,0C"), QStringLiteral("0A0B0C,0D"),
             QStringLiteral("0A 0B"), QStringLiteral("0A\\0B"), QStringLiteral("0A,,,,0B"),
             QStringLiteral(",0A,"), QStringLiteral("0A0B0C0D0E,0F"), QStringLiteral("0A1"),
             QStringLiteral(""), QStringLiteral(",") }) {
        const QByteArray expected = IsHexText(text) ? HexDecode(text) : QByteArray();
        EXPECT_EQ(HexDecodeShaped(text), expected) << text.toStdString();
    }
}

namespace {

// The wrapped form byte by byte, as the width rule states it: a line break
// after the byte that takes the column past the width when at least two
// bytes remain.
QByteArray WrappedByRule(const QByteArray& bytes, const QByteArray& lineBreak, int startColumn)
{
    const qsizetype width = 77 - lineBreak.indexOf('\r');
    qsizetype column = startColumn + 1;
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        text += bytes.mid(i, 1).toHex().toUpper();
        if (i + 1 < bytes.size())
            text += ',';
        column += 3;
        if (column > width && bytes.size() - i - 1 >= 2) {
            text += lineBreak;
            column = lineBreak.size() - lineBreak.indexOf('\n');
        }
    }
    return text;
}

struct HexLayout {
    QByteArray LineBreak;
    int StartColumn;
    bool Compact;
};

class HexEncodeIntoTest : public testing::TestWithParam<HexLayout> { };

} // namespace

// Every length around the line widths, written where the caller says with
// the layout it passes; the process-wide parameters stay as they were and
// nothing is written past the room promised.
TEST_P(HexEncodeIntoTest, GivesTheRuleTextWithinItsRoomAndLeavesTheSharedStateAlone)
{
    HexStateGuard guard;
    const HexLayout layout = GetParam();
    SetHexStartColumn(5);
    for (int count = 0; count <= 120; ++count) {
        const QByteArray bytes = Bytes(count);
        const qsizetype room = HexEncodedMax(count, layout.LineBreak.size());
        QByteArray out(room + 8, '#');
        const char* end
            = HexEncodeInto(bytes, out.data(), layout.LineBreak, layout.StartColumn, layout.Compact);
        const QByteArray expected = layout.Compact
            ? bytes.toHex().toUpper()
            : WrappedByRule(bytes, layout.LineBreak, layout.StartColumn);
        ASSERT_EQ(QByteArray(out.constData(), end - out.constData()), expected) << count;
        ASSERT_EQ(out.mid(room), QByteArray(8, '#')) << count;
    }
    EXPECT_EQ(HexStartColumn(), 5);
    EXPECT_EQ(HexLineBreak(), QByteArray("\r\n"));
    EXPECT_FALSE(HexCompact());
}

INSTANTIATE_TEST_SUITE_P(Layouts, HexEncodeIntoTest,
    testing::Values(HexLayout { "\r\n", 0, false }, HexLayout { "\r\n", 30, false },
        HexLayout { "\r\n", 75, false }, HexLayout { "\r\n", 76, false }, HexLayout { "\r\n", 300, false },
        HexLayout { "\n    ", 11, false }, HexLayout { "", 0, false }, HexLayout { "\r", 2, false },
        HexLayout { "\r\n", 12, true }));

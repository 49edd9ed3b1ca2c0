#include "framework/TStrings.h"
#include "framework/TMemo.h"

#include <gtest/gtest.h>

TEST(TStrings, TextJoinsEveryLineWithCrLfAndSplitsAtAnyLineBreak)
{
    TStrings lines;
    EXPECT_EQ(lines.Text(), "");
    lines.Add("a");
    lines.Add("");
    EXPECT_EQ(lines.Text(), "a\r\n\r\n");

    const std::pair<QString, QStringList> cases[] = {
        { "", {} },
        { "\r\n", { "" } },
        { "a\r\nb", { "a", "b" } },
        { "a\nb\rc\r\n", { "a", "b", "c" } },
        { "a\r\r\nb\n\n", { "a", "", "b", "" } },
    };
    for (const auto& [text, expected] : cases) {
        lines.SetText(text);
        EXPECT_EQ(lines.List(), expected) << text.toStdString();
    }
}

TEST(TStrings, AssignCopiesTheTextsAndKeepsTheObject)
{
    TStrings source(QStringList { "x", "y" });
    TMemo memo;
    TStrings* own = memo.Lines();
    memo.SetLines(&source);
    EXPECT_EQ(memo.Lines(), own);
    EXPECT_EQ(own->Count(), 2);
    EXPECT_EQ((*own)[1], "y");
    source.Clear();
    EXPECT_EQ(own->Strings(0), "x");
    memo.SetLines(nullptr);
    EXPECT_EQ(own->Count(), 0);
}

#include "persist/TrsProperty.h"

#include <gtest/gtest.h>

TEST(TrsProperty, NameAloneParsesToDefaultsAndWritesBackUnchanged)
{
    TrsProperty property;
    property.SetAsString("textsize.ItemIndex");
    EXPECT_EQ(property.Name, "textsize.ItemIndex");
    EXPECT_EQ(property.Params(), "EPD");
    EXPECT_TRUE(property.DefValue.isEmpty());
    EXPECT_TRUE(property.SubstName.isEmpty());
    EXPECT_EQ(property.NameInData(), "textsize.ItemIndex");
    EXPECT_EQ(property.AsString(), "textsize.ItemIndex");
}

TEST(TrsProperty, LineFormatRoundTripsDefaultsSubstituteNamesAndParams)
{
    TrsProperty property;
    property.Name = "keep_structure.Checked";
    property.DefValue = "True";
    EXPECT_EQ(property.AsString(), "keep_structure.Checked,\"True\",\"\",");
    property.Enabled = false;
    EXPECT_EQ(property.AsString(), "keep_structure.Checked,\"True\",\"\",DPD");
    property.SubstName = "keep";
    property.StoreEncrypted = true;
    property.State = TrsProperty::psRead;
    property.PropType = TrsProperty::ptUser;
    const QString line = property.AsString();
    EXPECT_EQ(line, "keep_structure.Checked,\"True\",\"keep\",DURC");

    TrsProperty parsed;
    parsed.SetAsString(line);
    EXPECT_EQ(parsed.Name, "keep_structure.Checked");
    EXPECT_EQ(parsed.DefValue, "True");
    EXPECT_EQ(parsed.SubstName, "keep");
    EXPECT_EQ(parsed.NameInData(), "keep");
    EXPECT_FALSE(parsed.Enabled);
    EXPECT_EQ(parsed.PropType, TrsProperty::ptUser);
    EXPECT_EQ(parsed.State, TrsProperty::psRead);
    EXPECT_TRUE(parsed.StoreEncrypted);
}

TEST(TrsProperty, QuotedDefaultMayHoldCommasAndParamsResetOnEveryLine)
{
    TrsProperty property;
    property.SetAsString("a.Text,\"x,y\",\"\",DPW");
    EXPECT_EQ(property.DefValue, "x,y");
    EXPECT_EQ(property.State, TrsProperty::psWrite);
    property.SetAsString("b.Text,\"3\",\"\",");
    EXPECT_EQ(property.Name, "b.Text");
    EXPECT_EQ(property.DefValue, "3");
    EXPECT_EQ(property.Params(), "EPD") << "a line without letters has default attributes";
    property.SetAsString("c.Text");
    EXPECT_TRUE(property.DefValue.isEmpty()) << "the previous default does not leak into the next line";
}

TEST(TrsProperty, ALoneQuoteAfterTheCommaIsAnEmptyQuotedDefault)
{
    TrsProperty property;
    property.SetAsString("N,\",");
    EXPECT_EQ(property.Name, "N");
    EXPECT_EQ(property.DefValue, "");
    property.SetAsString("N,x,");
    EXPECT_EQ(property.DefValue, "x") << "an unquoted default keeps its one character";
    property.SetAsString("N,\"\",");
    EXPECT_EQ(property.DefValue, "");
    EXPECT_EQ(property.Name, "N");
}

TEST(TrsProperty, UnknownTypeOrStateLettersKeepThePreviousValue)
{
    TrsProperty property;
    property.SetParams("DCR");
    property.SetParams("EXZ");
    EXPECT_TRUE(property.Enabled);
    EXPECT_EQ(property.PropType, TrsProperty::ptCustom);
    EXPECT_EQ(property.State, TrsProperty::psRead);
    property.SetParams("");
    EXPECT_EQ(property.Params(), "EPD");
}

TEST(CommaSeparatedValues, CountAndPickFieldsWithoutTrimming)
{
    EXPECT_EQ(ValuesCount(""), 0);
    EXPECT_EQ(ValuesCount("a"), 1);
    EXPECT_EQ(ValuesCount("a, b,"), 3);
    EXPECT_EQ(ValueByIndex("a, b,", 1), " b");
    EXPECT_EQ(ValueByIndex("a, b,", 2), "");
    EXPECT_EQ(ValueByIndex("a,b", 5), "");
    EXPECT_EQ(ValueByIndex("1,2,3,4,5,6,7,8,9,10", 9), "10");
}

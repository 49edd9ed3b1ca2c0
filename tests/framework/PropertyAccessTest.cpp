#include "framework/PropertyAccess.h"
#include "PropertySample.h"

#include <gtest/gtest.h>

namespace {

QMetaProperty Prop(const QObject& object, const char* name)
{
    const QMetaProperty prop = GetPropInfo(&object, QString::fromLatin1(name));
    EXPECT_TRUE(prop.isValid()) << name;
    return prop;
}

} // namespace

TEST(PropertyAccess, FindsPropertiesIgnoringCaseAndPrefersTheDerivedClass)
{
    TPropertySample sample;
    EXPECT_STREQ(GetPropInfo(&sample, u"CAPTION").name(), "Caption");
    EXPECT_STREQ(GetPropInfo(&sample, u"lines").name(), "Lines");
    EXPECT_FALSE(GetPropInfo(&sample, u"Missing").isValid());
    // Prefixes, longer names and a NUL match nothing; a letter that folds
    // to ASCII from beyond it (long s) still matches.
    EXPECT_FALSE(GetPropInfo(&sample, u"Capt").isValid());
    EXPECT_FALSE(GetPropInfo(&sample, u"Captions").isValid());
    EXPECT_FALSE(GetPropInfo(&sample, QStringView(u"Caption\0", 8)).isValid());
    EXPECT_STREQ(GetPropInfo(&sample, u"LINE\u017F").name(), "Lines");
    EXPECT_FALSE(GetPropInfo(&sample, u"").isValid());
    EXPECT_FALSE(GetPropInfo(nullptr, u"Caption").isValid());

    TPropertySampleChild child;
    EXPECT_EQ(PropKind(GetPropInfo(&child, u"COUNT")), tkUString);
}

TEST(PropertyAccess, ClassifiesEveryKind)
{
    TPropertySample sample;
    const std::pair<const char*, TTypeKind> expected[] = {
        { "Count", tkInteger },
        { "Letter", tkChar },
        { "Wide", tkWChar },
        { "Shade", tkEnumeration },
        { "Flag", tkEnumeration },
        { "Ratio", tkFloat },
        { "Caption", tkUString },
        { "Bytes", tkLString },
        { "Options", tkSet },
        { "Lines", tkClass },
        { "Link", tkClass },
        { "Data", tkVariant },
        { "Big", tkInt64 },
        { "Point", tkUnknown },
    };
    for (const auto& [name, kind] : expected)
        EXPECT_EQ(PropKind(Prop(sample, name)), kind) << name;
    EXPECT_EQ(PropKind(QMetaProperty()), tkUnknown);
}

TEST(PropertyAccess, EnumerationsNameTheirValuesAndBooleanIsFalseTrue)
{
    TPropertySample sample;
    const QMetaProperty shade = Prop(sample, "Shade");
    EXPECT_EQ(GetEnumNames(shade), QStringList({ "shLight", "shMedium", "shDark" }));
    EXPECT_EQ(GetEnumName(shade, 2), "shDark");
    EXPECT_EQ(GetEnumName(shade, 3), "");
    EXPECT_EQ(GetEnumValue(shade, u"SHMEDIUM"), 1);
    EXPECT_EQ(GetEnumValue(shade, u"shBright"), -1);

    const QMetaProperty flag = Prop(sample, "Flag");
    EXPECT_EQ(GetEnumNames(flag), QStringList({ "False", "True" }));
    EXPECT_EQ(GetEnumName(flag, 1), "True");
    EXPECT_EQ(GetEnumName(flag, 2), "");
    EXPECT_EQ(GetEnumValue(flag, u"false"), 0);
    EXPECT_EQ(GetEnumValue(flag, u"yes"), -1);
    EXPECT_EQ(GetEnumValue(Prop(sample, "Count"), u"0"), -1);
}

TEST(PropertyAccess, SetElementsAreTheSingleBitsOfTheFlag)
{
    TPropertySample sample;
    const QMetaProperty options = Prop(sample, "Options");
    EXPECT_EQ(GetSetElementOrdinals(options), QList<int>({ 0, 1, 3 }));
    EXPECT_EQ(GetSetElementName(options, 3), "soFourth");
    EXPECT_EQ(GetSetElementName(options, 2), "");
    EXPECT_EQ(GetSetElementName(options, 40), "");
    EXPECT_EQ(GetSetElementOrdinal(options, u"sosecond"), 1);
    EXPECT_EQ(GetSetElementOrdinal(options, u"soBoth"), -1);
    EXPECT_EQ(GetSetElementOrdinals(Prop(sample, "Shade")), QList<int>());
}

TEST(PropertyAccess, OrdinalKindsReadAndWriteAsIntegers)
{
    TPropertySample sample;
    EXPECT_TRUE(SetOrdProp(&sample, Prop(sample, "Count"), -12));
    EXPECT_TRUE(SetOrdProp(&sample, Prop(sample, "Letter"), 'z'));
    EXPECT_TRUE(SetOrdProp(&sample, Prop(sample, "Wide"), 0x20AC));
    EXPECT_TRUE(SetOrdProp(&sample, Prop(sample, "Shade"), 2));
    EXPECT_TRUE(SetOrdProp(&sample, Prop(sample, "Flag"), 1));
    EXPECT_TRUE(SetOrdProp(&sample, Prop(sample, "Options"), 0x9));
    EXPECT_EQ(sample.FCount, -12);
    EXPECT_EQ(sample.FLetter, 'z');
    EXPECT_EQ(sample.FWide, QChar(0x20AC));
    EXPECT_EQ(sample.FShade, TPropertySample::shDark);
    EXPECT_TRUE(sample.FFlag);
    EXPECT_EQ(int(sample.FOptions), 0x9);
    const std::pair<const char*, int> readBack[] = { { "Count", -12 }, { "Letter", 'z' }, { "Wide", 0x20AC },
        { "Shade", 2 }, { "Flag", 1 }, { "Options", 9 } };
    for (const auto& [name, value] : readBack)
        EXPECT_EQ(GetOrdProp(&sample, Prop(sample, name)), value) << name;

    EXPECT_FALSE(SetOrdProp(&sample, Prop(sample, "Shade"), 3));
    EXPECT_FALSE(SetOrdProp(&sample, Prop(sample, "Shade"), -1));
    EXPECT_EQ(sample.FShade, TPropertySample::shDark);
    EXPECT_FALSE(SetOrdProp(&sample, Prop(sample, "Caption"), 1));
    EXPECT_FALSE(SetOrdProp(&sample, Prop(sample, "Fixed"), 1));
    EXPECT_EQ(GetOrdProp(&sample, Prop(sample, "Fixed")), 7);
    EXPECT_EQ(GetOrdProp(&sample, Prop(sample, "Caption")), 0);
}

TEST(PropertyAccess, FloatStringInt64AndVariantKindsRoundTrip)
{
    TPropertySample sample;
    EXPECT_TRUE(SetFloatProp(&sample, Prop(sample, "Ratio"), 2.5));
    EXPECT_DOUBLE_EQ(GetFloatProp(&sample, Prop(sample, "Ratio")), 2.5);
    EXPECT_TRUE(SetStrProp(&sample, Prop(sample, "Caption"), u"Gr\u00fc\u00dfe \u20ac"_qs));
    EXPECT_EQ(GetStrProp(&sample, Prop(sample, "Caption")), u"Gr\u00fc\u00dfe \u20ac"_qs);
    // 8-bit text is kept in the ANSI code page.
    EXPECT_TRUE(SetStrProp(&sample, Prop(sample, "Bytes"), u"caf\u00e9"_qs));
    EXPECT_EQ(sample.FBytes, QByteArray("caf\xe9"));
    EXPECT_EQ(GetStrProp(&sample, Prop(sample, "Bytes")), u"caf\u00e9"_qs);
    EXPECT_TRUE(SetInt64Prop(&sample, Prop(sample, "Big"), Q_INT64_C(-5000000000)));
    EXPECT_EQ(GetInt64Prop(&sample, Prop(sample, "Big")), Q_INT64_C(-5000000000));
    EXPECT_TRUE(SetVariantProp(&sample, Prop(sample, "Data"), QVariant(42)));
    EXPECT_EQ(GetVariantProp(&sample, Prop(sample, "Data")), QVariant(42));

    EXPECT_FALSE(SetStrProp(&sample, Prop(sample, "Count"), u"5"_qs));
    EXPECT_FALSE(SetFloatProp(&sample, Prop(sample, "Caption"), 1.0));
    EXPECT_FALSE(SetInt64Prop(&sample, Prop(sample, "Count"), 1));
    EXPECT_FALSE(SetVariantProp(&sample, Prop(sample, "Count"), QVariant(1)));
    EXPECT_EQ(sample.FCount, 0);
}

TEST(PropertyAccess, ObjectPropertiesTakeOnlyInstancesOfTheirClass)
{
    TPropertySample sample;
    TComponent other;
    TStrings notAComponent;
    const QMetaProperty link = Prop(sample, "Link");
    EXPECT_TRUE(SetObjectProp(&sample, link, &other));
    EXPECT_EQ(GetObjectProp(&sample, link), &other);
    EXPECT_FALSE(SetObjectProp(&sample, link, &notAComponent));
    EXPECT_EQ(sample.FLink, &other);
    EXPECT_TRUE(SetObjectProp(&sample, link, nullptr));
    EXPECT_EQ(sample.FLink, nullptr);

    // A list property assigns the texts and keeps its own object.
    TStrings lines(QStringList { "a", "b" });
    EXPECT_TRUE(SetObjectProp(&sample, Prop(sample, "Lines"), &lines));
    EXPECT_EQ(GetObjectProp(&sample, Prop(sample, "Lines")), &sample.FLines);
    EXPECT_EQ(sample.FLines.List(), QStringList({ "a", "b" }));
    EXPECT_EQ(GetObjectProp(&sample, Prop(sample, "Count")), nullptr);
}

TEST(PropertyAccess, IsAFollowsTheClassTree)
{
    TPropertySampleChild child;
    TPropertySample sample;
    EXPECT_TRUE(IsA<TComponent>(&child));
    EXPECT_TRUE(IsA<TPropertySample>(&child));
    EXPECT_FALSE(IsA<TPropertySampleChild>(&sample));
    EXPECT_FALSE(IsA<TStrings>(&sample));
    EXPECT_FALSE(IsA<TComponent>(nullptr));
}

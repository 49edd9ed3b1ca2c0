#include "persist/TrsPropertyTransfer.h"
#include "TransferSample.h"
#include "framework/PropertyAccess.h"
#include "framework/TForm.h"
#include "persist/TrsAddInProperties.h"
#include "storage/TrsKeyWrapper.h"

#include <gtest/gtest.h>

namespace {

class PropertyTransfer : public ::testing::Test {
protected:
    PropertyTransfer()
        : FKey(nullptr)
        , FTransfer(&FOwner, FKey)
    {
        FKey.SetKeyItem(&FKeyItem);
        FSample = new TTransferSample(&FOwner);
        FSample->SetName("sample");
    }

    void Save(const char* name) { FTransfer.GetPropertyToKey(FSample, QString::fromLatin1(name)); }
    void Load(const char* name, const QString& text)
    {
        FKey.SetAsString(text);
        FTransfer.SetPropertyFromKey(FSample, QString::fromLatin1(name));
    }
    void AddColumns(const QStringList& captions)
    {
        for (const QString& caption : captions)
            static_cast<TTransferItem*>(FSample->Columns()->Add())->FCaption = caption;
    }

    TComponent FOwner;
    TrsKeyItem FKeyItem;
    TrsKeyWrapper FKey;
    TrsPropertyTransfer FTransfer;
    TTransferSample* FSample;
};

} // namespace

TEST_F(PropertyTransfer, FindInstanceWalksOwnedComponentsAndObjectProperties)
{
    const std::tuple<QString, QObject*, QString, bool> cases[] = {
        { "sample.Checked", FSample, "Checked", true },
        { "SAMPLE.Lines.Text", FSample->Lines(), "Text", true },
        { "sample", FSample, "", true },
        { "sample.Columns.Sub.Caption", FSample->Columns(), "Sub.Caption", true },
        { "missing.Checked", nullptr, "Checked", false },
        { "sample.missing.Checked", nullptr, "Checked", false },
        { "sample.Link.Name", nullptr, "Name", false },
        { "objectName", &FOwner, "objectName", true },
    };
    for (const auto& [path, instance, rest, found] : cases) {
        QObject* current = &FOwner;
        QString name = path;
        EXPECT_EQ(TrsPropertyTransfer::FindInstance(current, name), found) << path.toStdString();
        EXPECT_EQ(current, instance) << path.toStdString();
        EXPECT_EQ(name, rest) << path.toStdString();
    }
}

TEST_F(PropertyTransfer, BooleansAndEnumerationsTravelAsTheirNames)
{
    FSample->FChecked = true;
    Save("Checked");
    EXPECT_EQ(FKey.KeyType(), ktString);
    EXPECT_EQ(FKey.AsString(), "True");
    Load("Checked", "False");
    EXPECT_FALSE(FSample->FChecked);
    Load("checked", "TRUE");
    EXPECT_TRUE(FSample->FChecked);

    FSample->FShade = TTransferSample::shDark;
    Save("Shade");
    EXPECT_EQ(FKey.AsString(), "shDark");
    Load("Shade", "shMedium");
    EXPECT_EQ(FSample->FShade, TTransferSample::shMedium);
    Load("Shade", "shBright");
    EXPECT_EQ(FSample->FShade, TTransferSample::shMedium) << "an unknown name leaves the value";
    Load("Checked", "yes");
    EXPECT_TRUE(FSample->FChecked);
}

TEST_F(PropertyTransfer, IntegersAreIntegerKeysAndTextConvertsOnLoad)
{
    FSample->FCount = 7;
    Save("Count");
    EXPECT_EQ(FKey.KeyType(), ktInteger);
    EXPECT_EQ(FKey.AsInteger(), 7);
    Load("Count", "2");
    EXPECT_EQ(FSample->FCount, 2);

    FSample->FRatio = 0.25;
    Save("Ratio");
    EXPECT_EQ(FKey.KeyType(), ktFloat);
    FSample->FRatio = 0;
    FTransfer.SetPropertyFromKey(FSample, "Ratio");
    EXPECT_DOUBLE_EQ(FSample->FRatio, 0.25);

    FSample->FBig = Q_INT64_C(1) << 40;
    Save("Big");
    EXPECT_EQ(FKey.KeyType(), ktInt64);
    FSample->FBig = 0;
    FTransfer.SetPropertyFromKey(FSample, "Big");
    EXPECT_EQ(FSample->FBig, Q_INT64_C(1) << 40);

    Load("Caption", u"Gr\u00fc\u00dfe"_qs);
    EXPECT_EQ(FSample->FCaption, u"Gr\u00fc\u00dfe"_qs);
    FKey.SetAsString("before");
    Save("NoSuchProperty");
    EXPECT_EQ(FKey.AsString(), "before");
}

TEST_F(PropertyTransfer, SetsAreElementNamesInBracketsAndUnknownNamesChangeNothing)
{
    FSample->FOptions = TTransferSample::soFourth | TTransferSample::soFirst;
    Save("Options");
    EXPECT_EQ(FKey.AsString(), "[soFirst,soFourth]");
    Load("Options", "[]");
    EXPECT_EQ(int(FSample->FOptions), 0);
    Load("Options", "[soSecond,soFourth]");
    EXPECT_EQ(int(FSample->FOptions), 0xA);
    Load("Options", "");
    EXPECT_EQ(int(FSample->FOptions), 0xA);
    Load("Options", "[soFirst,soThird]");
    EXPECT_EQ(int(FSample->FOptions), 0xA);
    Load("Options", "[soFirst, soSecond]");
    EXPECT_EQ(int(FSample->FOptions), 0xA) << "fields are not trimmed";
    Load("Options", "soFirst");
    EXPECT_EQ(int(FSample->FOptions), 0x1);
    FKey.SetAsInteger(0x3);
    FTransfer.SetPropertyFromKey(FSample, "Options");
    EXPECT_EQ(int(FSample->FOptions), 0x3);
    FSample->FOptions = {};
    Save("Options");
    EXPECT_EQ(FKey.AsString(), "[]");
}

TEST_F(PropertyTransfer, ObjectPropertiesAsListTextAndComponentReferences)
{
    FSample->FLines.Assign(QStringList { "a", "b" });
    Save("Lines");
    EXPECT_EQ(FKey.AsString(), "a\r\nb\r\n");
    Load("Lines", "x\r\ny");
    EXPECT_EQ(FSample->FLines.List(), QStringList({ "x", "y" }));

    auto* sibling = new TComponent(&FOwner);
    sibling->SetName("sibling");
    FSample->FLink = sibling;
    Save("Link");
    EXPECT_EQ(FKey.AsString(), "sibling");

    TForm other;
    other.SetName("Second");
    auto* far = new TComponent(&other);
    far->SetName("edit");
    FSample->FLink = far;
    Save("Link");
    EXPECT_EQ(FKey.AsString(), "Second.edit");
    Load("Link", "SIBLING");
    EXPECT_EQ(FSample->FLink, sibling);
    Load("Link", "Second.edit");
    EXPECT_EQ(FSample->FLink, far);
    Load("Link", "second.edit");
    EXPECT_EQ(FSample->FLink, far) << "form names are matched exactly; nothing found keeps the value";
    Load("Link", "nobody");
    EXPECT_EQ(FSample->FLink, far);

    FSample->FLink = nullptr;
    FKey.SetAsString("kept");
    Save("Link");
    EXPECT_EQ(FKey.AsString(), "kept");
}

TEST_F(PropertyTransfer, VariantsTravelUnchanged)
{
    FSample->FData = QVariant(QStringLiteral("free"));
    Save("Data");
    FSample->FData = QVariant();
    FTransfer.SetPropertyFromKey(FSample, "Data");
    EXPECT_EQ(FSample->FData.toString(), "free");
}

TEST_F(PropertyTransfer, CollectionsRestoreTheirItemCountUnlessToldNotTo)
{
    AddColumns({ "a", "b", "c" });
    FTransfer.SaveCollection(FSample->Columns(), "Caption");
    EXPECT_EQ(FKey.AsString(), "\"a,b,c\"");

    FKey.SetAsString("\"x,y\"");
    FTransfer.SetNotRestoreCollectionItemsCount(true);
    FTransfer.LoadCollection(FSample->Columns(), "Caption");
    ASSERT_EQ(FSample->Columns()->Count(), 3);
    EXPECT_EQ(FSample->Column(0)->FCaption, "x");
    EXPECT_EQ(FSample->Column(2)->FCaption, "c");
    EXPECT_EQ(FKey.AsString(), "x,y");

    FKey.SetAsString("\"p,q\"");
    FTransfer.SetNotRestoreCollectionItemsCount(false);
    FTransfer.LoadCollection(FSample->Columns(), "Caption");
    ASSERT_EQ(FSample->Columns()->Count(), 2);
    EXPECT_EQ(FSample->Column(1)->FCaption, "q");
    EXPECT_EQ(FSample->Columns()->UpdateCount(), 0);

    FKey.SetAsString("\"1,2,3,4\"");
    FTransfer.LoadCollection(FSample->Columns(), "Width");
    ASSERT_EQ(FSample->Columns()->Count(), 4);
    EXPECT_EQ(FSample->Column(3)->FWidth, 4);
}

TEST_F(PropertyTransfer, CollectionOfOneEmptyValueSurvivesARoundTrip)
{
    AddColumns({ "" });
    FTransfer.SaveCollection(FSample->Columns(), "Caption");
    EXPECT_EQ(FKey.AsString(), "\"\"");
    FTransfer.LoadCollection(FSample->Columns(), "Caption");
    EXPECT_EQ(FSample->Columns()->Count(), 1);

    FSample->Columns()->Clear();
    FTransfer.SaveCollection(FSample->Columns(), "Caption");
    EXPECT_EQ(FKey.AsString(), "");
    AddColumns({ "gone" });
    FTransfer.LoadCollection(FSample->Columns(), "Caption");
    EXPECT_EQ(FSample->Columns()->Count(), 0);

    // An item whose property cannot be read gives an empty field, not the
    // previous item's value.
    AddColumns({ "a", "b" });
    FTransfer.SaveCollection(FSample->Columns(), "NoSuchProperty");
    EXPECT_EQ(FKey.AsString(), "\",\"");
}

TEST(TrsAddInProperties, BaseHasNoValuesAndIgnoresWrites)
{
    TrsAddInProperties addIn;
    TComponent instance;
    EXPECT_FALSE(addIn.GetPropertyValue(&addIn, &instance, "x").isValid());
    addIn.SetPropertyValue(&addIn, &instance, "x", QVariant(1));
}

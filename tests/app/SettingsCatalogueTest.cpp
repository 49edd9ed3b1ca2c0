#include "app/SettingsCatalogue.h"
#include "app/TNextInspector.h"
#include "app/TNxButtonEdit.h"
#include "app/TNxCheckBoxItem.h"
#include "app/TNxColorItem.h"
#include "app/TNxComboBox.h"
#include "app/TNxFontNameItem.h"
#include "app/TNxTrackBarItem.h"
#include "app/TsCheckBox.h"
#include "framework/Exception.h"
#include "framework/PropertyAccess.h"
#include "framework/TMemo.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

class SettingsCatalogue : public ::testing::Test {
protected:
    void SetUp() override { CreateSettingsCatalogue(&FForm); }

    template <class T> T* Find(const char* name)
    {
        auto* found = qobject_cast<T*>(FForm.FindComponent(QString::fromLatin1(name)));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    TNextInspector* Inspector() { return Find<TNextInspector>("NextInspector1"); }

    TComponent FForm;
};

} // namespace

TEST_F(SettingsCatalogue, InspectorHoldsHeadersAndItemsInFlatOrderWithParents)
{
    TNextInspector* inspector = Inspector();
    ASSERT_EQ(inspector->Count(), 58);
    const std::tuple<int, const char*, const char*> rows[] = {
        { 0, "NxTextItem1", nullptr },
        { 1, "tiffcompression", "NxTextItem1" },
        { 3, "tiffjpegcolorspace", "tiffcompression" },
        { 6, "tiffcolorcolordepth", "tiffcompressioncolor" },
        { 9, "PDFCompression", "NxTextItem1" },
        { 15, "pdfjpegquality", "pdfimageformat" },
        { 23, "pdforientation", "papersize" },
        { 35, "grayscale", "NxTextItem1" },
        { 36, "NxTextItem2", nullptr },
        { 39, "textbold", "textfont" },
        { 45, "textat", "textalignment" },
        { 48, "textdropshadow", "NxTextItem2" },
        { 49, "NxTextItem3", nullptr },
        { 51, "zeropadding", "singlepagetiffnameformat" },
        { 57, "useorgfileext", "NxTextItem3" },
    };
    for (const auto& [index, name, parent] : rows) {
        TNxPropertyItem* item = inspector->Items(index);
        EXPECT_EQ(item->Name(), name) << index;
        EXPECT_EQ(item->ParentItem() ? item->ParentItem()->Name() : QString(), parent) << name;
    }
    for (int i = 0; i < inspector->Count(); ++i) {
        TNxPropertyItem* item = inspector->Items(i);
        EXPECT_LT(item->ParentIndex(), i) << "a child follows its parent: " << item->Name().toStdString();
        EXPECT_EQ(item->ReadOnly(), item->Name().startsWith("NxTextItem"));
        const bool autoApply = item->Options() == TNxPropertyItem::itoAutoApply;
        EXPECT_EQ(autoApply, item->Name() != "NxTextItem1") << item->Name().toStdString();
    }
    EXPECT_EQ(inspector->Items(49)->Caption(), "Files Properties");
    EXPECT_EQ(Find<TNxTextItem>("Pagestextname")->Caption(), "Text \"Pages\"");
}

TEST_F(SettingsCatalogue, ConfiguredValuesAreAppliedUnreconciled)
{
    const std::tuple<const char*, QString, int> choices[] = {
        { "textat", "None", 0 },
        { "colordepth", "1 Bit", 0 },
        { "textsize", "16", 7 },
        { "tiffjpegcolorspace", "YCbCr", -1 },
        { "tiffzip", "Normal", 1 },
        { "zeropadding", "4", 3 },
        { "textfont", "New Times Roman", 0 },
        { "pdfimageformat", "", -1 },
        { "textcaption", "", -1 },
    };
    for (const auto& [name, value, index] : choices) {
        auto* item = Find<TNxComboBoxItem>(name);
        EXPECT_EQ(item->Value(), value) << name;
        EXPECT_EQ(item->ItemIndex(), index) << name;
    }
    EXPECT_EQ(Find<TNxTrackBarItem>("percentage")->Value(), "300");
    EXPECT_EQ(Find<TNxTrackBarItem>("jpegquality")->Value(), "75");
    EXPECT_EQ(Find<TNxTrackBarItem>("pdfjpegquality")->Value(), "80");
    EXPECT_EQ(Find<TNxTrackBarItem>("pdfjpegquality")->Min(), 10);
    EXPECT_EQ(Find<TNxColorItem>("textcolor")->Value(), "#000000");
    EXPECT_EQ(Find<TNxTextItem>("singlepagetiffnameformat")->Value(), "{Filename} Page {PageNo}");
    EXPECT_EQ(Find<TNxTextItem>("pdfuserpassword")->PasswordChar(), QChar(u'*'));
    EXPECT_EQ(Find<TNxComboBoxItem>("tiffcompression")->DefaultValue(), "LZW");
    EXPECT_EQ(Find<TNxComboBoxItem>("tiffcompression")->Value(), "As Is");
    EXPECT_EQ(Find<TNxComboBoxItem>("tiffext")->EditOptions(), epDisablePaste | epDisableTyping);
    EXPECT_EQ(Find<TNxComboBoxItem>("papersize")->EditOptions(), TNxEditOptions());

    int checkItems = 0;
    for (int i = 0; i < Inspector()->Count(); ++i) {
        auto* check = qobject_cast<TNxCheckBoxItem*>(Inspector()->Items(i));
        if (!check)
            continue;
        ++checkItems;
        const bool on = check->Name() == "useorgfileext";
        EXPECT_EQ(check->State(), on ? cbChecked : cbUnchecked) << check->Name().toStdString();
        EXPECT_EQ(check->Value(), on ? "true" : "false");
        EXPECT_EQ(check->FlatStyle(), !on && check->Name() != "texttrimspacing");
    }
    EXPECT_EQ(checkItems, 13);
}

TEST_F(SettingsCatalogue, ChoiceListsHoldTheirCountsAndTexts)
{
    const std::pair<const char*, int> counts[] = {
        { "tiffcompression", 12 },
        { "tiffcolorspace", 6 },
        { "tiffjpegcolorspace", 5 },
        { "tiffzip", 3 },
        { "PDFCompression", 3 },
        { "tiffcompressioncolor", 11 },
        { "tiffcompressionbw", 11 },
        { "tiffcolorcolordepth", 6 },
        { "tiffbwcolordepth", 6 },
        { "colordepth", 6 },
        { "pdfencryptionlevel", 4 },
        { "pdfimageformat", 6 },
        { "resizingmethod", 8 },
        { "samplingmethod", 18 },
        { "papersize", 15 },
        { "pdforientation", 2 },
        { "dotsperinch", 9 },
        { "ImageOrientation", 6 },
        { "sharpen", 3 },
        { "textcaption", 23 },
        { "textsize", 27 },
        { "textalignment", 16 },
        { "textat", 6 },
        { "zeropadding", 10 },
        { "tiffext", 4 },
        { "jpgext", 6 },
        { "textfont", 0 },
    };
    for (const auto& [name, count] : counts)
        EXPECT_EQ(Find<TNxComboBoxItem>(name)->Lines()->Count(), count) << name;
    EXPECT_EQ(Find<TNxComboBoxItem>("tiffcompressionbw")->Lines()->Strings(10), "ZIP");
    EXPECT_EQ(Find<TNxComboBoxItem>("textcaption")->Lines()->Strings(0), "");
    EXPECT_EQ(Find<TNxComboBoxItem>("textsize")->Lines()->Strings(7), "16");
    EXPECT_EQ(Find<TNxComboBoxItem>("zeropadding")->Lines()->Strings(9), "10");
    EXPECT_EQ(Find<TNxComboBoxItem>("ImageOrientation")->Lines()->Strings(2),
        u"Rotate CounterClockwise 90\u00b0"_qs);
    EXPECT_EQ(Find<TNxComboBoxItem>("textat")->Lines()->IndexOf(u"None"), -1);
}

TEST_F(SettingsCatalogue, StandaloneControlsAndMemos)
{
    auto* imageFormat = Find<TNxComboBox>("imageformat");
    EXPECT_EQ(imageFormat->Text(), "Merge All Documents to a Single Multipages TIFF");
    EXPECT_EQ(imageFormat->ItemIndex(), 0);
    EXPECT_EQ(imageFormat->Items()->Count(), 10);
    EXPECT_EQ(imageFormat->DropDownCount(), 10);
    auto* multiTiff = Find<TNxComboBox>("multitifffilename");
    EXPECT_EQ(multiTiff->Text(), "merged.tif");
    EXPECT_EQ(multiTiff->ItemIndex(), -1);
    EXPECT_EQ(multiTiff->Items()->Count(), 3);
    EXPECT_EQ(Find<TNxButtonEdit>("savein")->Text(), "");
    EXPECT_FALSE(Find<TsCheckBox>("keep_structure")->Checked());
    EXPECT_EQ(Find<TsCheckBox>("savetoorginalfolder")->State(), cbUnchecked);
    EXPECT_FALSE(Find<TMemo>("tempcheck")->WordWrap());
    EXPECT_EQ(Find<TMemo>("tempcheck")->Lines()->Count(), 0);

    // Creation order: inspector, its items, the controls, then the memos.
    EXPECT_EQ(FForm.ComponentCount(), 1 + 58 + 5 + 2);
    EXPECT_EQ(FForm.Components(0)->Name(), "NextInspector1");
    EXPECT_EQ(FForm.Components(59)->Name(), "imageformat");
    EXPECT_EQ(FForm.Components(65)->Name(), "tempcheck");
}

TEST_F(SettingsCatalogue, LooksUpComponentsIgnoringCase)
{
    EXPECT_EQ(FForm.FindComponent(u"imageorientation"), FForm.FindComponent(u"ImageOrientation"));
    EXPECT_NE(FForm.FindComponent(u"IMAGEORIENTATION"), nullptr);
    EXPECT_NE(FForm.FindComponent(u"pdfcompression"), nullptr);
    EXPECT_EQ(FForm.FindComponent(u"saveinfolder"), nullptr);
}

TEST_F(SettingsCatalogue, SettingPathsNameEveryItemOnceAndReachAPublishedProperty)
{
    const TStrings* paths = Find<TMemo>("setlist")->Lines();
    ASSERT_EQ(paths->Count(), 61);
    EXPECT_EQ(paths->List(), SettingPathList());
    EXPECT_EQ(paths->Strings(0), "copyrighttag.Value");
    EXPECT_EQ(paths->Strings(54), "saveinfolder.Text");
    EXPECT_EQ(paths->Strings(60), "tiffcolorcolordepth.Value");

    QSet<QObject*> named;
    for (const QString& path : paths->List()) {
        const QString component = path.section(u'.', 0, 0);
        const QString property = path.section(u'.', 1);
        TComponent* holder = FForm.FindComponent(component);
        if (component == "saveinfolder") {
            EXPECT_EQ(holder, nullptr);
            continue;
        }
        ASSERT_NE(holder, nullptr) << path.toStdString();
        named.insert(holder);
        const QMetaProperty prop = GetPropInfo(holder, property);
        ASSERT_TRUE(prop.isValid()) << path.toStdString();
        const TTypeKind kind = PropKind(prop);
        if (property == "ItemIndex")
            EXPECT_EQ(kind, tkInteger);
        else if (property == "State" || property == "Checked")
            EXPECT_EQ(kind, tkEnumeration) << path.toStdString();
        else
            EXPECT_EQ(kind, tkUString) << path.toStdString();
    }
    EXPECT_EQ(named.size(), 60) << "55 setting items and 5 controls, each once";

    TNxCheckBoxItem* check = Find<TNxCheckBoxItem>("textbold");
    const QMetaProperty state = GetPropInfo(check, u"state");
    EXPECT_EQ(GetEnumNames(state), QStringList({ "cbUnchecked", "cbChecked", "cbGrayed" }));
    EXPECT_TRUE(SetOrdProp(check, state, GetEnumValue(state, u"cbGrayed")));
    EXPECT_EQ(check->State(), cbGrayed);
    TsCheckBox* box = Find<TsCheckBox>("keep_structure");
    EXPECT_EQ(
        GetEnumName(GetPropInfo(box, u"Checked"), GetOrdProp(box, GetPropInfo(box, u"Checked"))), "False");
    EXPECT_EQ(GetEnumNames(GetPropInfo(box, u"State")).size(), 3);

    // A slider's conversion error reaches whoever writes Value by name.
    TNxTrackBarItem* slider = Find<TNxTrackBarItem>("percentage");
    EXPECT_THROW(SetStrProp(slider, GetPropInfo(slider, u"Value"), "1.5"), EConvertError);
    EXPECT_EQ(slider->Position(), 300);
    EXPECT_TRUE(SetStrProp(slider, GetPropInfo(slider, u"Value"), "100"));
    EXPECT_EQ(slider->Value(), "100");
}

#include "app/TNextInspector.h"
#include "app/TNxButtonEdit.h"
#include "app/TNxCheckBox.h"
#include "app/TNxCheckBoxItem.h"
#include "app/TNxColorItem.h"
#include "app/TNxComboBox.h"
#include "app/TNxComboBoxItem.h"
#include "app/TNxFontNameItem.h"
#include "app/TNxSpinItem.h"
#include "app/TNxTrackBarItem.h"
#include "app/TsCheckBox.h"
#include "framework/Exception.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace {

void SetLines(TNxComboBoxItem& item, const QStringList& lines)
{
    TStrings list(lines);
    item.SetLines(&list);
}

// Expects the slider's conversion error for TEXT and an unchanged position.
void ExpectRejected(TNxTrackBarItem& slider, const QString& text)
{
    const int before = slider.Position();
    try {
        slider.SetValue(text);
        ADD_FAILURE() << "accepted " << text.toStdString();
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    EXPECT_EQ(slider.Position(), before);
}

} // namespace

TEST(ChoiceItem, IndexInsideLinesWritesValueAndOutsideKeepsIt)
{
    TNxComboBoxItem item;
    SetLines(item, { "As Is", "None", "CCITT G1" });
    item.SetValue("LZW");
    EXPECT_EQ(item.ItemIndex(), -1);
    item.SetItemIndex(1);
    EXPECT_EQ(item.Value(), "None");
    item.SetItemIndex(5);
    EXPECT_EQ(item.Value(), "None");
    EXPECT_EQ(item.ItemIndex(), 5);
    item.SetItemIndex(-1);
    EXPECT_EQ(item.Value(), "None");
    EXPECT_EQ(item.ItemIndex(), -1);

    item.SetItemIndex(2);
    item.SetValue("Deflate");
    EXPECT_EQ(item.ItemIndex(), 2);
    EXPECT_EQ(item.Value(), "Deflate");
    item.SetValue("None");
    EXPECT_EQ(item.ItemIndex(), 2);
}

TEST(ChoiceItem, DisplayModeMapsTheChosenLine)
{
    TNxComboBoxItem item;
    SetLines(item, { "low=1", "plain", "" });
    const std::tuple<TNxComboBoxItem::TDisplayMode, int, QString> cases[] = {
        { TNxComboBoxItem::dmDefault, 0, "low=1" },
        { TNxComboBoxItem::dmNameList, 0, "low" },
        { TNxComboBoxItem::dmValueList, 0, "1" },
        { TNxComboBoxItem::dmIndentList, 0, "1" },
        { TNxComboBoxItem::dmNameList, 1, "plain" },
        { TNxComboBoxItem::dmValueList, 1, "" },
        { TNxComboBoxItem::dmDefault, 2, "" },
    };
    for (const auto& [mode, index, expected] : cases) {
        item.SetValue("x");
        item.SetDisplayMode(mode);
        item.SetItemIndex(index);
        EXPECT_EQ(item.Value(), expected) << int(mode) << " " << index;
    }
}

TEST(FontNameItem, NeverEditedHasNoLinesAndTakesFontsWhenEditingStarts)
{
    TNextInspector inspector;
    TNxFontNameItem item;
    inspector.AddItem(&item);
    item.SetValue("New Times Roman");
    item.SetItemIndex(0);
    EXPECT_EQ(item.Lines()->Count(), 0);
    EXPECT_EQ(item.ItemIndex(), 0);
    EXPECT_EQ(item.Value(), "New Times Roman");

    TNxFontNameItem::SetFontNamesProvider([] { return QStringList { "Candara", "Serif" }; });
    inspector.BeginEditing(&item);
    TNxFontNameItem::SetFontNamesProvider({});
    EXPECT_EQ(item.Lines()->List(), QStringList({ "Candara", "Serif" }));
    EXPECT_EQ(item.Value(), "New Times Roman");
}

TEST(CheckItem, ValueWordsFollowTheTextKind)
{
    TNxCheckBoxItem item;
    using T = TNxCheckBoxItem;
    const std::tuple<T::TTextKind, TCheckBoxState, QString> cases[] = {
        { T::tkTrueFalse, cbUnchecked, "false" },
        { T::tkTrueFalse, cbChecked, "true" },
        { T::tkTrueFalse, cbGrayed, "grayed" },
        { T::tkYesNo, cbUnchecked, "no" },
        { T::tkYesNo, cbChecked, "yes" },
        { T::tkYesNo, cbGrayed, "indeterminate" },
        { T::tkEnabledDisabled, cbChecked, "enabled" },
        { T::tkEnabledDisabled, cbUnchecked, "disabled" },
        { T::tkEnabledDisabled, cbGrayed, "grayed" },
        { T::tkCustom, cbChecked, "true" },
    };
    for (const auto& [kind, state, word] : cases) {
        item.SetTextKind(kind);
        item.SetState(state);
        EXPECT_EQ(item.Value(), word);
        item.SetState(cbUnchecked);
        item.SetValue(word);
        EXPECT_EQ(item.State(), state) << word.toStdString();
    }
    item.SetTrueText("On");
    item.SetGrayedText("Half");
    item.SetValue("Half");
    EXPECT_EQ(item.State(), cbGrayed);
    item.SetValue("On");
    EXPECT_EQ(item.Value(), "On");
    item.SetState(cbUnchecked);
    EXPECT_EQ(item.Value(), "false");
}

TEST(CheckItem, OnlyTheExactCheckedWordChecksAndTheButtonMirrorsTheState)
{
    TNxCheckBoxItem item;
    ASSERT_EQ(item.ButtonCount(), 1);
    EXPECT_EQ(item.Buttons(0).Caption, "true");
    item.SetValue("true");
    EXPECT_EQ(item.State(), cbChecked);
    EXPECT_EQ(item.Value(), "true");
    EXPECT_TRUE(item.Buttons(0).Down);
    for (const QString text : { "TRUE", "True", "1", "", " true", "yes" }) {
        item.SetValue("true");
        item.SetValue(text);
        EXPECT_EQ(item.State(), cbUnchecked) << text.toStdString();
        EXPECT_EQ(item.Value(), "false");
    }
    item.SetState(cbGrayed);
    EXPECT_FALSE(item.Buttons(0).Down);
    EXPECT_TRUE(item.Buttons(0).Indeterminate);
    EXPECT_FALSE(item.GetAsBoolean());
    EXPECT_EQ(item.GetAsInteger(), 0);
    item.SetAsInteger(-3);
    EXPECT_EQ(item.State(), cbChecked);
    EXPECT_EQ(item.GetAsInteger(), 1);
    EXPECT_FALSE(item.Buttons(0).Indeterminate);
    item.SetAsBoolean(false);
    EXPECT_EQ(item.State(), cbUnchecked);
}

TEST(SliderItem, ClampsToItsBoundsAndRejectsNonIntegers)
{
    TNxTrackBarItem slider;
    slider.SetMin(5);
    slider.SetMax(300);
    slider.SetValue("400");
    EXPECT_EQ(slider.Value(), "300");
    slider.SetValue("2");
    EXPECT_EQ(slider.Value(), "5");
    slider.SetValue("-7");
    EXPECT_EQ(slider.Position(), 5);
    slider.SetValue("+120");
    EXPECT_EQ(slider.Value(), "120");
    for (const QString text : { "1.5", "", " 12", "12 ", "0x10", "abc", "2147483648", "-", "\u0661" })
        ExpectRejected(slider, text);
    slider.SetAsInteger(1000);
    EXPECT_EQ(slider.Position(), 300);
    slider.SetAsFloat(-1e300);
    EXPECT_EQ(slider.Position(), 5);
    slider.SetAsFloat(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(slider.Position(), 5);
    EXPECT_DOUBLE_EQ(slider.GetAsFloat(), 5.0);
}

TEST(SliderItem, BoundChangesKeepThePositionWithinThem)
{
    TNxTrackBarItem slider;
    slider.SetMin(-10); // refused: a minimum below 0 is not taken
    EXPECT_EQ(slider.Min(), 0);
    slider.SetPosition(50);
    slider.SetMin(60);
    EXPECT_EQ(slider.Position(), 60);
    slider.SetMin(100); // not below Max
    EXPECT_EQ(slider.Min(), 60);
    slider.SetMax(70);
    slider.SetPosition(90);
    EXPECT_EQ(slider.Position(), 70);
    slider.SetMax(65);
    EXPECT_EQ(slider.Position(), 65);
    slider.SetMax(10); // not above Min
    EXPECT_EQ(slider.Max(), 65);
}

TEST(SliderItem, OnlyAChangedPositionNotifiesTheInspector)
{
    TNextInspector inspector;
    TNxTrackBarItem slider;
    inspector.AddItem(&slider);
    slider.SetValue("50");
    EXPECT_EQ(inspector.ChangeCount(), 1);
    slider.SetValue("50");
    slider.SetValue("150"); // clamped to the unchanged maximum
    slider.SetValue("100");
    EXPECT_EQ(inspector.ChangeCount(), 2);
}

TEST(TextItem, TypedViewsGiveZeroForTextsThatDoNotParse)
{
    QLocale::setDefault(QLocale::c());
    TNxTextItem item;
    const std::pair<QString, int> integers[] = {
        { "42", 42 },
        { "-2147483648", -2147483648 },
        { "2147483647", 2147483647 },
        { "2147483648", 0 },
        { "4x", 0 },
        { "", 0 },
        { "1.0", 0 },
    };
    for (const auto& [text, value] : integers) {
        item.SetValue(text);
        EXPECT_EQ(item.GetAsInteger(), value) << text.toStdString();
    }
    item.SetValue("2.5");
    EXPECT_DOUBLE_EQ(item.GetAsFloat(), 2.5);
    item.SetValue("2,5x");
    EXPECT_DOUBLE_EQ(item.GetAsFloat(), 0.0);
    EXPECT_FALSE(item.GetAsDateTime().isValid());
    EXPECT_FALSE(item.GetAsBoolean());

    item.SetAsInteger(-7);
    EXPECT_EQ(item.Value(), "-7");
    item.SetAsFloat(0.1);
    EXPECT_EQ(item.Value(), "0.1");
    item.SetAsDateTime(QDateTime());
    EXPECT_EQ(item.Value(), "");
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 45));
    item.SetAsDateTime(when);
    EXPECT_EQ(item.GetAsDateTime(), when);
    QLocale::setDefault(QLocale::system());
}

TEST(TextItem, ColourAndPasswordTextsAreStoredUnchanged)
{
    TNxColorItem color;
    color.SetColorKind(TNxColorItem::ckWeb);
    color.SetValue("not a colour & <b>");
    EXPECT_EQ(color.Value(), "not a colour & <b>");
    TNxTextItem password;
    password.SetPasswordChar(u'*');
    password.SetValue("s3cret");
    EXPECT_EQ(password.Value(), "s3cret");
}

TEST(NumberItem, KeepsItsTextAndANumberWithinBounds)
{
    QLocale::setDefault(QLocale::c());
    TNxSpinItem item;
    item.SetValue("12.75");
    EXPECT_EQ(item.Value(), "12.75");
    EXPECT_DOUBLE_EQ(item.GetAsFloat(), 12.75);
    EXPECT_EQ(item.GetAsInteger(), 13);
    item.SetMin(0);
    item.SetMax(10);
    item.SetAsFloat(25);
    EXPECT_EQ(item.Value(), "10");
    item.SetValue("1e300");
    EXPECT_EQ(item.GetAsInteger(), std::numeric_limits<int>::max());
    item.SetValue("many");
    EXPECT_DOUBLE_EQ(item.GetAsFloat(), 0.0);
    QLocale::setDefault(QLocale::system());
}

TEST(StandaloneControls, CheckBoxesAndComboBoxFollowTheirRules)
{
    TsCheckBox box;
    box.SetState(cbGrayed);
    EXPECT_FALSE(box.Checked());
    box.SetChecked(true);
    EXPECT_EQ(box.State(), cbChecked);
    box.SetChecked(false);
    EXPECT_EQ(box.State(), cbUnchecked);

    TNxCheckBox plain;
    int changes = 0;
    plain.OnChange = [&changes](TObject*) { ++changes; };
    plain.SetChecked(false);
    plain.SetChecked(true);
    plain.SetChecked(true);
    EXPECT_EQ(changes, 1);

    TNxComboBox combo;
    TStrings items(QStringList { "a", "b" });
    combo.SetItems(&items);
    combo.SetText("typed");
    combo.SetItemIndex(2);
    EXPECT_EQ(combo.Text(), "typed");
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.Text(), "b");
}

TEST(StandaloneControls, ComboBoxAppliesAnIndexGivenWhileLoadingOnceLoaded)
{
    TComponent form;
    form.BeginLoading();
    auto* combo = new TNxComboBox(&form);
    combo->SetText("own text");
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "own text");
    TStrings items(QStringList { "x", "y" });
    combo->SetItems(&items);
    form.EndLoading();
    EXPECT_EQ(combo->Text(), "y");
}

TEST(Inspector, ForwardsChangesAndAppliesAnOpenEditOnEndEditing)
{
    TNextInspector inspector;
    TNxTextItem header;
    TNxTextItem item;
    inspector.AddItem(&header);
    inspector.AddItem(&item, &header);
    EXPECT_EQ(item.ParentIndex(), 0);
    EXPECT_EQ(header.ParentIndex(), -1);

    std::vector<TNxPropertyItem*> changed;
    inspector.OnChange = [&changed](TObject*, TNxPropertyItem* source) { changed.push_back(source); };
    item.SetValue("a");
    header.SetAsInteger(3);
    EXPECT_EQ(changed, (std::vector<TNxPropertyItem*> { &item, &header }));

    inspector.BeginEditing(&item);
    inspector.SetEditText("typed");
    EXPECT_EQ(item.Value(), "a");
    inspector.EndEditing();
    EXPECT_EQ(item.Value(), "typed");
    EXPECT_EQ(inspector.EditingItem(), nullptr);
    inspector.EndEditing();
    EXPECT_EQ(changed.size(), 3u);
}

TEST(Inspector, ForgetsDestroyedItemsAndItemsForgetADestroyedInspector)
{
    TComponent form;
    auto* inspector = new TNextInspector(&form);
    auto* parent = new TNxTextItem(&form);
    auto* child = new TNxCheckBoxItem(&form);
    inspector->AddItem(parent);
    inspector->AddItem(child, parent);
    inspector->BeginEditing(parent);
    parent->Free();
    EXPECT_EQ(inspector->Count(), 1);
    EXPECT_EQ(child->ParentItem(), nullptr);
    EXPECT_EQ(inspector->EditingItem(), nullptr);
    inspector->EndEditing();

    inspector->Free();
    EXPECT_EQ(child->Inspector(), nullptr);
    child->SetState(cbChecked); // no inspector left to notify
    EXPECT_EQ(child->Value(), "true");
}

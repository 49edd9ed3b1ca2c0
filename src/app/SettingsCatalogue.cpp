#include "app/SettingsCatalogue.h"

#include "app/TNextInspector.h"
#include "app/TNxButtonEdit.h"
#include "app/TNxCheckBoxItem.h"
#include "app/TNxColorItem.h"
#include "app/TNxComboBox.h"
#include "app/TNxFontNameItem.h"
#include "app/TNxTextItem.h"
#include "app/TNxTrackBarItem.h"
#include "app/TsCheckBox.h"
#include "framework/TMemo.h"

#include <QHash>
#include <span>
#include <string>

namespace {

enum class TItemKind { Text, ComboBox, FontName, Color, CheckBox, TrackBar };

// One row of the catalogue. Fields that a kind does not use stay at their
// defaults; a null text means "not configured".
struct TItemRow {
    const char16_t* Name;
    TItemKind Kind;
    const char16_t* Caption;
    const char16_t* Parent = nullptr; // null: directly under the group header
    const char16_t* Value = nullptr;
    int ItemIndex = -1;
    const char16_t* DefaultValue = nullptr;
    const char16_t* EmptyValue = nullptr;
    bool Restricted = false; // EditOptions [epDisablePaste, epDisableTyping]
    bool AutoDropDown = false;
    bool ShowPreview = false;
    bool Password = false;
    bool Checked = false;
    bool FlatStyle = true;
    int Min = 0;
    int Max = 100;
    int Position = 0;
};

using K = TItemKind;

const TItemRow kImageSettings[] = {
    { u"tiffcompression", K::ComboBox, u"TIFF Compression", nullptr, u"As Is", 0, u"LZW", nullptr, true },
    { u"tiffcolorspace", K::ComboBox, u"TIFF Colorspace", u"tiffcompression", u"As Is", 0, nullptr, nullptr,
        true },
    { u"tiffjpegcolorspace", K::ComboBox, u"TIFF JPEG Colorspace", u"tiffcompression", u"YCbCr", -1, nullptr,
        nullptr, true, true },
    { u"tiffzip", K::ComboBox, u"TIFF ZIP Compression", u"tiffcompression", u"Normal", 1, nullptr, nullptr,
        true },
    { u"tiffcompressioncolor", K::ComboBox, u"Mixed Mode Color Pages Compression", u"tiffcompression",
        u"As Is", 0, u"LZW", nullptr, true },
    { u"tiffcolorcolordepth", K::ComboBox, u"Color Depth", u"tiffcompressioncolor", u"As Is", 0, nullptr,
        nullptr, true },
    { u"tiffcompressionbw", K::ComboBox, u"Mixed Mode Grayscale Pages Compression", u"tiffcompression",
        u"As Is", 0, u"CCITT G4", nullptr, true },
    { u"tiffbwcolordepth", K::ComboBox, u"Color Depth", u"tiffcompressionbw", u"As Is", 0, nullptr, nullptr,
        true },
    { u"PDFCompression", K::ComboBox, u"PDF Compression", nullptr, u"Normal", -1 },
    { u"pdfencryptionlevel", K::ComboBox, u"PDF Encryption Level", u"PDFCompression", u"40 Bit", -1 },
    { .Name = u"pdfuserpassword",
        .Kind = K::Text,
        .Caption = u"PDF User Password",
        .Parent = u"PDFCompression",
        .Password = true },
    { .Name = u"pdfownerpassword",
        .Kind = K::Text,
        .Caption = u"PDF Owner Password",
        .Parent = u"PDFCompression",
        .Password = true },
    { u"pdfauthorname", K::Text, u"PDF Author Name", u"PDFCompression" },
    { u"pdfimageformat", K::ComboBox, u"PDF Image Format", u"PDFCompression", nullptr, -1 },
    { .Name = u"pdfjpegquality",
        .Kind = K::TrackBar,
        .Caption = u"PDF JPEG Quality",
        .Parent = u"pdfimageformat",
        .Min = 10,
        .Max = 100,
        .Position = 80 },
    { u"pdfallowcopy", K::CheckBox, u"PDF Allow Copying", u"PDFCompression" },
    { u"pdfallowprinting", K::CheckBox, u"PDF Allow Printing", u"PDFCompression" },
    { u"pdfallowediting", K::CheckBox, u"PDF Allow Editing", u"PDFCompression" },
    { u"pdfflattenform", K::CheckBox, u"PDF Flatten Form Fields", u"PDFCompression" },
    { u"resizingmethod", K::ComboBox, u"Resizing Method", nullptr, u"As Is", 0, nullptr, nullptr, true },
    { u"samplingmethod", K::ComboBox, u"Resampling Method", u"resizingmethod", u"None", 0, nullptr, nullptr,
        true },
    { u"papersize", K::ComboBox, u"Paper Size", u"resizingmethod", u"Letter", -1 },
    { u"pdforientation", K::ComboBox, u"PDF Page Orientation", u"papersize", u"Portrait", -1 },
    { u"maxwidth", K::Text, u"Width", u"resizingmethod", u"0", -1, nullptr, u"0" },
    { u"maxheight", K::Text, u"Height", u"resizingmethod", u"0", -1, nullptr, u"0" },
    { u"keepratioaspect", K::CheckBox, u"Keep Ratio Aspect", u"resizingmethod" },
    { .Name = u"percentage",
        .Kind = K::TrackBar,
        .Caption = u"Percentage (%)",
        .Parent = u"resizingmethod",
        .DefaultValue = u"100",
        .ShowPreview = true,
        .Min = 5,
        .Max = 300,
        .Position = 300 },
    { .Name = u"jpegquality",
        .Kind = K::TrackBar,
        .Caption = u"JPEG / PNG Quality (%)",
        .DefaultValue = u"75",
        .ShowPreview = true,
        .Min = 10,
        .Max = 100,
        .Position = 75 },
    { u"progressivejpeg", K::CheckBox, u"Progressive JPEG" },
    { u"keepiptcheader", K::CheckBox, u"Keep IPTC Header" },
    { u"dotsperinch", K::ComboBox, u"Dots Per Inch", nullptr, u"72", 0 },
    { u"ImageOrientation", K::ComboBox, u"Image Orientation", nullptr, u"As Is", 0, nullptr, nullptr, true },
    { u"sharpen", K::ComboBox, u"Sharpen", nullptr, u"As Is", 0, nullptr, nullptr, true },
    { u"colordepth", K::ComboBox, u"Color Depth", nullptr, u"1 Bit", 0, nullptr, nullptr, true },
    { u"grayscale", K::CheckBox, u"Gray Scale" },
};

const TItemRow kTextCaptioning[] = {
    { u"textcaption", K::ComboBox, u"Text Caption", nullptr, nullptr, -1 },
    { u"textfont", K::FontName, u"Font Type", nullptr, u"New Times Roman", 0, u"New Times Roman", nullptr,
        true },
    { u"textbold", K::CheckBox, u"Bold", u"textfont" },
    { u"textitalic", K::CheckBox, u"Italic", u"textfont" },
    { .Name = u"textcolor",
        .Kind = K::Color,
        .Caption = u"Font Color",
        .Value = u"#000000",
        .ShowPreview = true },
    { u"textsize", K::ComboBox, u"Font Size", nullptr, u"16", 7 },
    { .Name = u"texttrimspacing",
        .Kind = K::CheckBox,
        .Caption = u"Trim Spacing from Text",
        .FlatStyle = false },
    { u"textalignment", K::ComboBox, u"Text Alignment", nullptr, u"None", 0, nullptr, nullptr, true },
    { u"textat", K::ComboBox, u"Caption At", u"textalignment", u"None", 0, nullptr, nullptr, true },
    { u"textxpad", K::Text, u"Alignment X Padding", u"textalignment", u"0" },
    { u"textypad", K::Text, u"Alignment Y Padding", u"textalignment", u"0" },
    { u"textdropshadow", K::CheckBox, u"Drop Shadow" },
};

const TItemRow kFilesProperties[] = {
    { u"singlepagetiffnameformat", K::Text, u"Single Page File Name Format", nullptr,
        u"{Filename} Page {PageNo}" },
    { u"zeropadding", K::ComboBox, u"Zero Padding", u"singlepagetiffnameformat", u"4", 3, nullptr, u"4",
        true },
    { u"copyrighttag", K::Text, u"Copyright Tag" },
    { u"Pagetextname", K::Text, u"Text \"Page\"", nullptr, u"Page" },
    { u"Pagestextname", K::Text, u"Text \"Pages\"", nullptr, u"Pages" },
    { u"tiffext", K::ComboBox, u"TIFF File Extension", nullptr, u".tif", -1, nullptr, nullptr, true, true },
    { u"jpgext", K::ComboBox, u"JPEG File Extension", nullptr, u".jpg", -1, nullptr, nullptr, true },
    { .Name = u"useorgfileext",
        .Kind = K::CheckBox,
        .Caption = u"Use Original Extension if same format",
        .Checked = true,
        .FlatStyle = false },
};

struct TGroup {
    const char16_t* Name;
    const char16_t* Caption;
    bool AutoApply;
    std::span<const TItemRow> Rows;
};

const TGroup kGroups[] = {
    { u"NxTextItem1", u"Image Settings", false, kImageSettings },
    { u"NxTextItem2", u"Text Captioning", true, kTextCaptioning },
    { u"NxTextItem3", u"Files Properties", true, kFilesProperties },
};

QStringList Range(const QStringList& list, int count)
{
    return list.mid(0, count);
}

QHash<QString, QStringList> MakeChoiceLists()
{
    const QStringList compression { "As Is", "None", "CCITT G1", "CCITT G3", "CCITT G4", "JPEG", "JPEG v6",
        "Packbits", "LZW", "Deflate", "ZIP", "Mixed Mode" };
    const QStringList speed { "Fastest", "Normal", "Maximum" };
    const QStringList depth { "As Is", "1 Bit", "2 Bits", "4 Bits", "8 Bits", "24 Bits" };
    QStringList padding;
    for (int i = 1; i <= 10; ++i)
        padding.append(QString::number(i));
    return {
        { "tiffcompression", compression },
        { "tiffcolorspace", { "As Is", "CMYK", "YCbCr", "RGB", "RGB Palette", "CIELab" } },
        { "tiffjpegcolorspace", { "RGB", "CMYK", "YCbCr", "YCbCrK", "GrayLev" } },
        { "tiffzip", speed },
        { "PDFCompression", speed },
        { "tiffcompressioncolor", Range(compression, 11) },
        { "tiffcompressionbw", Range(compression, 11) },
        { "tiffcolorcolordepth", depth },
        { "tiffbwcolordepth", depth },
        { "colordepth", depth },
        { "pdfencryptionlevel", { "40 Bit", "128 Bit RC4", "128 Bit AES", "256 Bit AES" } },
        { "pdfimageformat", { "JPEG", "PNG", "BMP", "TIFF G4", "TIFF G3", "TIFF G1" } },
        { "resizingmethod",
            { "As Is", "Downsize by Pixels", "Downsize by Percentage", "By Paper Size", "3/4x", "1/2x",
                "1/3x", "1/4x" } },
        { "samplingmethod",
            { "None", "Lanczos3", "Bell", "Triangle", "Hermite", "BSpline", "Mitchell", "Nearest", "Bilinear",
                "Bicubic", "Linear", "FastLinear", "ProjectWB", "ProjectBW", "WIC Nearest Neighbor",
                "WIC Linear", "WIC Cubic", "WIC Fant" } },
        { "papersize",
            { "As Is", "B5", "B4", "A5", "A4", "A3", "A2", "A1", "A0", "Letter", "Legal", "Tabloid",
                "C Sheet", "D Sheet", "E Sheet" } },
        { "pdforientation", { "Portrait", "Landscape" } },
        { "dotsperinch", { "72", "96", "100", "150", "200", "300", "400", "800", "1200" } },
        { "ImageOrientation",
            { "As Is", u"Rotate Clockwise 90\u00b0"_qs, u"Rotate CounterClockwise 90\u00b0"_qs,
                u"Rotate 180\u00b0"_qs, "Flip Left", "Flip Down" } },
        { "sharpen", { "As Is", "Sharpen", "Sharpen More" } },
        { "textcaption",
            { "", "{TotalPages}", "{PageNo}", "{OrgTotalPages}", "{OrgPageNo}", "{Filename}",
                "{FilenameNoExt}", "{OrgFilename}", "{OrgFilenameNoExt}", "{Date}", "{DateTime}",
                "{MM}-{DD}-{YYYY}", "{YYYY}", "{YY}", "{MMMM}", "{MM}", "{DDDD}", "{DDD}", "{DD}",
                "{HH}:{NN}:{SS}", "{HH}", "{NN}", "{SS}" } },
        { "textsize",
            { "6", "8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "30", "36",
                "48", "60", "72", "80", "90", "100", "128", "150", "280", "300", "350" } },
        { "textalignment",
            { "None", "Top Left", "Top Middle", "Top Right", "Center Left", "Center Middle", "Center Right",
                "Bottom Left", "Bottom Middle", "Bottom Right", "Vertical Left BottomUp",
                "Vertical Left TopDown", "Vertical Right BottomUp", "Vertical Right TopDown", "Random",
                "Random Corners" } },
        { "textat",
            { "First Page", "Last Page", "Even Pages", "Odd Pages", "Odd Pages Except First Page",
                "All Pages" } },
        { "zeropadding", padding },
        { "tiffext", { ".tif", ".TIF", ".tiff", ".TIFF" } },
        { "jpgext", { ".jpg", ".JPG", ".jpeg", ".JPEG", ".jpe", ".JPE" } },
    };
}

// The configured choices of the item NAME; empty for items without any.
QStringList ChoiceLines(const QString& name)
{
    static const QHash<QString, QStringList> lists = MakeChoiceLists();
    return lists.value(name);
}

// The catalogue's texts are static: the strings share them instead of
// copying them, once per setting and form.
QString Text(const char16_t* text)
{
    if (!text)
        return {};
    return QString::fromRawData(reinterpret_cast<const QChar*>(text), qsizetype(std::char_traits<char16_t>::length(text)));
}

TNxPropertyItem* CreateItem(TComponent* owner, TItemKind kind)
{
    switch (kind) {
    case TItemKind::ComboBox:
        return new TNxComboBoxItem(owner);
    case TItemKind::FontName:
        return new TNxFontNameItem(owner);
    case TItemKind::Color:
        return new TNxColorItem(owner);
    case TItemKind::CheckBox:
        return new TNxCheckBoxItem(owner);
    case TItemKind::TrackBar:
        return new TNxTrackBarItem(owner);
    default:
        return new TNxTextItem(owner);
    }
}

// The order matters for choice items: Value, then ItemIndex, then Lines.
void ConfigureChoiceItem(TNxComboBoxItem* item, const TItemRow& row)
{
    if (row.Value)
        item->SetValue(Text(row.Value));
    item->SetItemIndex(row.ItemIndex);
    TStrings lines(ChoiceLines(item->Name()));
    item->SetLines(&lines);
    if (row.Restricted)
        item->SetEditOptions(epDisablePaste | epDisableTyping);
    item->SetAutoDropDown(row.AutoDropDown);
}

void ConfigureCheckItem(TNxCheckBoxItem* item, const TItemRow& row)
{
    item->SetFlatStyle(row.FlatStyle);
    if (row.Checked)
        item->SetState(cbChecked);
}

void ConfigureTrackBar(TNxTrackBarItem* item, const TItemRow& row)
{
    item->SetMin(row.Min);
    item->SetMax(row.Max);
    item->SetPosition(row.Position);
}

void ConfigureValue(TNxPropertyItem* item, const TItemRow& row)
{
    if (auto* choice = qobject_cast<TNxComboBoxItem*>(item))
        ConfigureChoiceItem(choice, row);
    else if (auto* check = qobject_cast<TNxCheckBoxItem*>(item))
        ConfigureCheckItem(check, row);
    else if (auto* slider = qobject_cast<TNxTrackBarItem*>(item))
        ConfigureTrackBar(slider, row);
    else if (row.Value)
        item->SetValue(Text(row.Value));
    if (auto* color = qobject_cast<TNxColorItem*>(item))
        color->SetColorKind(TNxColorItem::ckWeb);
    if (auto* text = qobject_cast<TNxTextItem*>(item); text && row.Password)
        text->SetPasswordChar(u'*');
}

void CreateSettingItem(
    TComponent* owner, TNextInspector* inspector, TNxPropertyItem* header, const TItemRow& row)
{
    TNxPropertyItem* item = CreateItem(owner, row.Kind);
    item->SetName(Text(row.Name));
    item->SetCaption(Text(row.Caption));
    auto* parent = row.Parent ? qobject_cast<TNxPropertyItem*>(owner->FindComponent(row.Parent)) : header;
    inspector->AddItem(item, parent);
    item->SetOptions(TNxPropertyItem::itoAutoApply);
    item->SetDefaultValue(Text(row.DefaultValue));
    item->SetEmptyValue(Text(row.EmptyValue));
    item->SetShowPreview(row.ShowPreview);
    ConfigureValue(item, row);
}

void CreateGroup(TComponent* owner, TNextInspector* inspector, const TGroup& group)
{
    auto* header = new TNxTextItem(owner);
    header->SetName(Text(group.Name));
    header->SetCaption(Text(group.Caption));
    header->SetReadOnly(true);
    if (group.AutoApply)
        header->SetOptions(TNxPropertyItem::itoAutoApply);
    inspector->AddItem(header);
    for (const TItemRow& row : group.Rows)
        CreateSettingItem(owner, inspector, header, row);
}

void CreateImageFormat(TComponent* owner)
{
    auto* control = new TNxComboBox(owner);
    control->SetName(QStringLiteral("imageformat"));
    control->SetText(QStringLiteral("Merge All Documents to a Single Multipages TIFF"));
    control->SetItemIndex(0);
    TStrings items(QStringList {
        "Merge All Documents to a Single Multipages TIFF",
        "Extract One File to One Multipages TIFF (Each Row to It's Own File)",
        "Extract to Multiple Single Page TIFF",
        "Merge All Documents to a Single PDF File",
        "Extract One File to One PDF File (Each Row to It's Own File)",
        "Extract to Multiple Single Page PDF Files",
        "Extract to Multiple Single Page JPEG",
        "Extract to Multiple Single Page PNG",
        "Extract to Multiple Single Page BMP",
        "Extract to Multiple Single Page JPEG 2000",
    });
    control->SetItems(&items);
    control->SetOptions(epDisablePaste | epDisableTyping);
    control->SetDropDownCount(10);
}

void CreateControls(TComponent* owner)
{
    CreateImageFormat(owner);

    auto* multiTiff = new TNxComboBox(owner);
    multiTiff->SetName(QStringLiteral("multitifffilename"));
    multiTiff->SetText(QStringLiteral("merged.tif"));
    multiTiff->SetItemIndex(-1);
    TStrings items(QStringList { "merged.tif", "{OrgFirstFilename}", "{OrgLastFilename}" });
    multiTiff->SetItems(&items);

    auto* saveIn = new TNxButtonEdit(owner);
    saveIn->SetName(QStringLiteral("savein"));
    saveIn->SetButtonCaption(QStringLiteral("..."));

    auto* keepStructure = new TsCheckBox(owner);
    keepStructure->SetName(QStringLiteral("keep_structure"));
    keepStructure->SetCaption(QStringLiteral("Keep Sub-Folder Structure"));

    auto* toOriginal = new TsCheckBox(owner);
    toOriginal->SetName(QStringLiteral("savetoorginalfolder"));
    toOriginal->SetCaption(QStringLiteral("Save to Original Folder"));
}

void CreateMemos(TComponent* owner)
{
    auto* setList = new TMemo(owner);
    setList->SetName(QStringLiteral("setlist"));
    setList->Lines()->Assign(SettingPathList());

    auto* tempCheck = new TMemo(owner);
    tempCheck->SetName(QStringLiteral("tempcheck"));
    tempCheck->SetWordWrap(false);
}

} // namespace

void CreateSettingsCatalogue(TComponent* owner)
{
    auto* inspector = new TNextInspector(owner);
    inspector->SetName(QStringLiteral("NextInspector1"));
    for (const TGroup& group : kGroups)
        CreateGroup(owner, inspector, group);
    CreateControls(owner);
    CreateMemos(owner);
}

const QStringList& SettingPathList()
{
    static const QStringList paths {
        "copyrighttag.Value",
        "jpegquality.Value",
        "keepratioaspect.State",
        "maxheight.Value",
        "maxwidth.Value",
        "percentage.Value",
        "progressivejpeg.State",
        "savein.Text",
        "singlepagetiffnameformat.Value",
        "zeropadding.Value",
        "textcaption.Value",
        "textcolor.Value",
        "textfont.Value",
        "textsize.ItemIndex",
        "textxpad.Value",
        "textypad.Value",
        "textat.ItemIndex",
        "multitifffilename.Text",
        "colordepth.Value",
        "imageformat.Text",
        "ImageOrientation.Value",
        "resizingmethod.Value",
        "samplingmethod.Value",
        "textalignment.Value",
        "tiffcompression.Value",
        "tiffcolorspace.Value",
        "papersize.Value",
        "pdfauthorname.Value",
        "PDFCompression.Value",
        "pdfencryptionlevel.Value",
        "pdfimageformat.Value",
        "pdfjpegquality.Value",
        "pdforientation.Value",
        "pdfownerpassword.Value",
        "pdfuserpassword.Value",
        "keep_structure.Checked",
        "keepiptcheader.State",
        "pdfallowcopy.State",
        "pdfallowediting.State",
        "pdfallowprinting.State",
        "textbold.State",
        "textdropshadow.State",
        "textitalic.State",
        "texttrimspacing.State",
        "Pagestextname.Value",
        "Pagetextname.Value",
        "jpgext.Value",
        "tiffext.Value",
        "useorgfileext.State",
        "grayscale.State",
        "dotsperinch.Value",
        "sharpen.Value",
        "pdfflattenform.State",
        "savetoorginalfolder.State",
        "saveinfolder.Text",
        "tiffjpegcolorspace.Value",
        "tiffcompressionbw.Value",
        "tiffcompressioncolor.Value",
        "tiffzip.Value",
        "tiffbwcolordepth.Value",
        "tiffcolorcolordepth.Value",
    };
    return paths;
}

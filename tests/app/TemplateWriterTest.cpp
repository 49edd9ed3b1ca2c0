#include "app/TemplateWriter.h"
#include "app/SettingsCatalogue.h"
#include "app/TNextInspector.h"
#include "app/TNxButtonEdit.h"
#include "app/TNxCheckBox.h"
#include "app/TNxCheckBoxItem.h"
#include "app/TNxComboBoxItem.h"
#include "app/TNxSpinItem.h"
#include "app/TsCheckBox.h"
#include "framework/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadBytes(const QString& fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

class TemplateWriter : public ::testing::Test {
protected:
    void SetUp() override { CreateSettingsCatalogue(&FForm); }

    template <class T> T* Find(const char* name)
    {
        auto* found = qobject_cast<T*>(FForm.FindComponent(QString::fromLatin1(name)));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Line 4 for the given path lines.
    QString Settings(const QStringList& paths)
    {
        const TStrings list(paths);
        const QStringList lines = NewTemplateLines(&FForm, list, nullptr);
        EXPECT_EQ(lines.size(), 5);
        return lines.value(3);
    }

    TComponent FForm;
    QTemporaryDir FDir;
};

} // namespace

TEST_F(TemplateWriter, ConfiguredCatalogueMatchesTheExpectedFileByteForByte)
{
    const QString target = FDir.filePath("job.bts");
    WriteNewTemplate(target, &FForm);
    const QByteArray expected = ReadBytes(MIROVANE_TEST_DATA "/configured-catalogue.bts");
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(ReadBytes(target), expected);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({ "job.bts" }));
}

TEST_F(TemplateWriter, ChecksAreStateWordsAndControlsOfOtherKindsAreEmpty)
{
    Find<TNxCheckBoxItem>("textbold")->SetState(cbGrayed);
    Find<TNxCheckBoxItem>("textitalic")->SetState(cbChecked);
    Find<TsCheckBox>("keep_structure")->SetChecked(true);
    Find<TNxButtonEdit>("savein")->SetText("/out");
    EXPECT_EQ(Settings({ "textbold.State", "textitalic.Value", "keep_structure.Checked", "savein.Text",
                  "savetoorginalfolder.State" }),
        "<textbold.State>cbUnChecked</textbold.State><textitalic.Value>cbChecked</textitalic.Value>"
        "<keep_structure.Checked></keep_structure.Checked><savein.Text></savein.Text>"
        "<savetoorginalfolder.State></savetoorginalfolder.State>");

    auto* plain = new TNxCheckBox(&FForm);
    plain->SetName("plainbox");
    EXPECT_EQ(Settings({ "plainbox.Checked" }), "<plainbox.Checked>False</plainbox.Checked>");
    plain->SetChecked(true);
    EXPECT_EQ(Settings({ "plainbox.Anything" }), "<plainbox.Anything>True</plainbox.Anything>");
}

TEST_F(TemplateWriter, OnlyTheExactItemIndexPropertyWritesAChoiceIndex)
{
    auto* spin = new TNxSpinItem(&FForm);
    spin->SetName("spin");
    spin->SetValue("12.5");
    EXPECT_EQ(Settings({ "textat.ItemIndex", "textat.Value", "textsize.itemindex", "textfont.ItemIndex",
                  "imageformat.ItemIndex", "spin.ItemIndex", "percentage.State" }),
        "<textat.ItemIndex>0</textat.ItemIndex><textat.Value>None</textat.Value>"
        "<textsize.itemindex>16</textsize.itemindex><textfont.ItemIndex>0</textfont.ItemIndex>"
        "<imageformat.ItemIndex>Merge All Documents to a Single Multipages TIFF</imageformat.ItemIndex>"
        "<spin.ItemIndex>12.5</spin.ItemIndex><percentage.State>300</percentage.State>");
    Find<TNxComboBoxItem>("textsize")->SetItemIndex(-1);
    EXPECT_EQ(Settings({ "textsize.ItemIndex" }), "<textsize.ItemIndex>-1</textsize.ItemIndex>");
}

TEST_F(TemplateWriter, PathLinesAreTrimmedAndSplitAtTheFirstDot)
{
    EXPECT_EQ(Settings({ "  \tjpegquality.Value \r" }), "<jpegquality.Value>75</jpegquality.Value>");
    EXPECT_EQ(Settings({ " textsize. ItemIndex " }), "<textsize. ItemIndex>7</textsize. ItemIndex>");
    EXPECT_EQ(Settings({ "JPEGQUALITY.value" }), "<JPEGQUALITY.value>75</JPEGQUALITY.value>");
    EXPECT_EQ(Settings({ "jpegquality" }), "<jpegquality></jpegquality>");
    EXPECT_EQ(Settings({ ".Value" }), "<.Value></.Value>");
    EXPECT_EQ(
        Settings({ "jpegquality.Value.extra" }), "<jpegquality.Value.extra>75</jpegquality.Value.extra>");
    EXPECT_EQ(Settings({ "saveinfolder.Text", "" }), "<saveinfolder.Text></saveinfolder.Text><></>");
    EXPECT_EQ(Settings({ u"jpegquality.Value\u00a0"_qs }),
        u"<jpegquality.Value\u00a0>75</jpegquality.Value\u00a0>"_qs);
}

TEST_F(TemplateWriter, ValuesAreWrittenUnescapedAndOutsideTheCodePageAsQuestionMarks)
{
    Find<TNxTextItem>("copyrighttag")->SetValue(u"A & B <C> \u00a9 \u4e2d"_qs);
    const QString target = FDir.filePath("x.bts");
    const TStrings paths(QStringList { "copyrighttag.Value" });
    WriteNewTemplate(target, &FForm, paths, nullptr);
    const QList<QByteArray> lines = ReadBytes(target).split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[3], QByteArray("<copyrighttag.Value>A & B <C> \xa9 ?</copyrighttag.Value>\r"));
}

TEST_F(TemplateWriter, EmptyPathListGivesAnEmptyFourthLine)
{
    const QString target = FDir.filePath("empty.bts");
    WriteNewTemplate(target, &FForm, TStrings(), nullptr);
    EXPECT_EQ(ReadBytes(target),
        QByteArray("<?xml version=\"1.0\" ?>\r\n<!-- Mirovane 3 Settings -->\r\n"
                   "<DOCUMENT><mirovane3>\r\n\r\n</mirovane3></DOCUMENT>\r\n"));
}

TEST_F(TemplateWriter, AnOpenInPlaceEditReachesItsItemBeforeWriting)
{
    auto* inspector = Find<TNextInspector>("NextInspector1");
    inspector->BeginEditing(Find<TNxTextItem>("pdfauthorname"));
    inspector->SetEditText("Ann");
    EXPECT_EQ(Settings({ "pdfauthorname.Value" }), "<pdfauthorname.Value></pdfauthorname.Value>");
    const QString target = FDir.filePath("edited.bts");
    WriteNewTemplate(target, &FForm);
    EXPECT_TRUE(ReadBytes(target).contains("<pdfauthorname.Value>Ann</pdfauthorname.Value>"));
    EXPECT_EQ(inspector->EditingItem(), nullptr);
}

TEST_F(TemplateWriter, ReplacesAnExistingTemplateEntirely)
{
    const QString target = FDir.filePath("same.bts");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'z'));
    }
    WriteNewTemplate(target, &FForm);
    EXPECT_EQ(ReadBytes(target), ReadBytes(MIROVANE_TEST_DATA "/configured-catalogue.bts"));
}

TEST_F(TemplateWriter, MissingFolderRaisesTheCreateErrorAndLeavesNoFile)
{
    const QString target = FDir.filePath("no/such/folder/job.bts");
    try {
        WriteNewTemplate(target, &FForm);
        FAIL() << "no error raised";
    } catch (const EFCreateError& error) {
        EXPECT_EQ(error.Message(),
            QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(target));
    }
    EXPECT_TRUE(
        QDir(FDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

#include "app/gui/UpdateWindow.h"
#include "app/Tupdateform.h"
#include "app/gui/QtUserInterface.h"
#include "framework/TApplication.h"
#include "framework/TOpenDialog.h"

#include "gui/DragAndDrop.h"
#include "gui/ModalBoxes.h"
#include "gui/TestApplication.h"
#include "support/SampleTemplates.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ASSERT_TRUE(FDir.isValid());
        FUi.SetUseNativeDialogs(false);
        Application().SetUserInterface(&FUi);
        FForm = new Tupdateform();
        FWindow = new UpdateWindow(FForm);
        FUi.SetParentWindow(FWindow);
        FWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow));
    }

    void TearDown() override
    {
        FUi.SetParentWindow(nullptr);
        delete FWindow;
        FForm->Free();
        Application().SetUserInterface(nullptr);
    }

    // Clicks the button, answers the file dialog with NAME (or cancels when
    // NAME is empty) and returns the texts of the message boxes shown.
    QStringList ClickAndChoose(const QString& name)
    {
        QStringList messages;
        WhenModalOpens([this, name, &messages](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            FDialogTitle = dialog->windowTitle();
            FDialogFilters = dialog->nameFilters();
            dialog->setDirectory(FDir.path());
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            edit->setText(name);
            WhenModalOpens([&messages](QWidget* box) {
                if (auto* messageBox = qobject_cast<QMessageBox*>(box))
                    messages << messageBox->text();
                box->close();
            });
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::mouseClick(FWindow->Button(), Qt::LeftButton);
        return messages;
    }

    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
    QtUserInterface FUi;
    Tupdateform* FForm = nullptr;
    UpdateWindow* FWindow = nullptr;
    QString FDialogTitle;
    QStringList FDialogFilters;
};

} // namespace

TEST_F(UpdateWindowTest, ShowsTheTitleTextsAndPlacesOfTheForm)
{
    EXPECT_EQ(FWindow->windowTitle(), "Mirovane Template Updater");
    EXPECT_EQ(FWindow->size(), QSize(582, 176));
    EXPECT_EQ(FWindow->minimumSize(), FWindow->maximumSize()) << "the border is fixed";
    EXPECT_FALSE(FWindow->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(FWindow->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(FWindow->Panel()->geometry(), QRect(8, 16, 566, 65));
    EXPECT_EQ(FWindow->Panel()->text(),
        "This application will update the Mirovane Template Files prior to v3.39\n\n"
        "Select the Template File and it will update to the new format. ");
    EXPECT_EQ(FWindow->Button()->geometry(), QRect(160, 104, 241, 25));
    EXPECT_EQ(FWindow->Button()->text(), "Select Template File");
    EXPECT_TRUE(FWindow->Button()->font().bold());
    EXPECT_EQ(FWindow->Button()->font().pixelSize(), 16);
}

TEST_F(UpdateWindowTest, CancelledDialogWritesNothing)
{
    const QStringList messages = ClickAndChoose(QString());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(QDir(FDir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(UpdateWindowTest, ChosenNameGetsATemplateBesideItAndTheConfirmationNamesOnlyTheFile)
{
    QFile old(Path("old.template.xml"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(kPlainTemplate);
    old.close();
    const QStringList messages = ClickAndChoose("old.template.xml");
    EXPECT_EQ(FDialogTitle, "Select a Mirovane Template File");
    EXPECT_EQ(FDialogFilters, QStringList { "*.xml (*.xml)" });
    ASSERT_EQ(messages, QStringList { "New Profile Template File Saved as old.template.bts" });
    EXPECT_TRUE(QFile::exists(Path("old.template.bts")));
}

TEST_F(UpdateWindowTest, ChoosingABtsFileOverwritesIt)
{
    QFile existing(Path("job.bts"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write(kPlainTemplate + "<!--" + QByteArray(10000, 'x') + "-->");
    existing.close();
    const QStringList messages = ClickAndChoose("job.bts");
    ASSERT_EQ(messages, QStringList { "New Profile Template File Saved as job.bts" });
    QFile written(Path("job.bts"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    EXPECT_TRUE(content.startsWith("<?xml")) << content.left(40).constData();
    EXPECT_FALSE(content.contains("xxxx"));
}

TEST_F(UpdateWindowTest, TargetThatCannotBeCreatedShowsTheErrorAndNoConfirmation)
{
    ASSERT_TRUE(QDir(FDir.path()).mkdir("blocked.bts")); // a folder where the file would go
    QFile old(Path("blocked.xml"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(kPlainTemplate);
    old.close();
    const QStringList messages = ClickAndChoose("blocked.xml");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(
        messages[0].startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(Path("blocked.bts"))))
        << messages[0].toStdString();
    EXPECT_TRUE(FWindow->Button()->isEnabled()) << "the window goes on";
}

namespace {
void WriteFile(const QString& fileName, const QByteArray& content)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << fileName.toStdString();
    file.write(content);
}

// Lets the event loop run until COUNT boxes were shown, and a little longer
// to catch any box too many.
void WaitForBoxes(const MessageBoxRecorder& boxes, int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts.size(), count, 5000);
    QTest::qWait(100);
}
} // namespace

TEST_F(UpdateWindowTest, DroppedFileIsConvertedWithTheUsualConfirmation)
{
    WriteFile(Path("dropped.xml"), kPlainTemplate);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(DragAndDrop(FWindow, *LocalFilesData({ Path("dropped.xml") })));
    WaitForBoxes(boxes, 1);
    ASSERT_EQ(boxes.Texts, QStringList { "New Profile Template File Saved as dropped.bts" });
    EXPECT_FALSE(boxes.Errors[0]);
    EXPECT_TRUE(QFile::exists(Path("dropped.bts")));
    EXPECT_TRUE(FWindow->Button()->isEnabled());
    EXPECT_FALSE(FWindow->Busy());
}

TEST_F(UpdateWindowTest, SeveralDroppedFilesAreConvertedInOrderAndReportedInOneBoxAtTheEnd)
{
    WriteFile(Path("first.xml"), kPlainTemplate);
    WriteFile(Path("third.xml"), kPlainTemplate);
    MessageBoxRecorder boxes;
    ASSERT_TRUE(
        DragAndDrop(FWindow, *LocalFilesData({ Path("first.xml"), Path("second.xml"), Path("third.xml") })));
    WaitForBoxes(boxes, 1);
    ASSERT_EQ(boxes.Texts.size(), 1);
    const QStringList lines = boxes.Texts[0].split(u'\n');
    ASSERT_EQ(lines.size(), 3) << boxes.Texts[0].toStdString();
    EXPECT_EQ(lines[0], "New Profile Template File Saved as first.bts");
    EXPECT_TRUE(
        lines[1].startsWith(QStringLiteral("second.xml: Cannot open file \"%1\". ").arg(Path("second.xml"))))
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], "New Profile Template File Saved as third.bts");
    EXPECT_TRUE(boxes.Errors[0]) << "one file failed";
    EXPECT_TRUE(QFile::exists(Path("first.bts")));
    EXPECT_TRUE(QFile::exists(Path("third.bts")));
}

TEST_F(UpdateWindowTest, DragsOfAnythingButLocalFilesAreRefusedWithoutABox)
{
    WriteFile(Path("local.xml"), kPlainTemplate);
    ASSERT_TRUE(QDir(FDir.path()).mkdir("folder.xml"));
    QMimeData text;
    text.setText(Path("local.xml"));
    QMimeData remote;
    remote.setUrls({ QUrl("https://example.org/old.xml") });
    QMimeData mixed;
    mixed.setUrls({ QUrl::fromLocalFile(Path("local.xml")), QUrl("sftp://host/old.xml") });
    const auto folder = LocalFilesData({ Path("folder.xml") });
    MessageBoxRecorder boxes;
    for (const QMimeData* data :
        { static_cast<const QMimeData*>(&text), static_cast<const QMimeData*>(&remote),
            static_cast<const QMimeData*>(&mixed), static_cast<const QMimeData*>(folder.get()) }) {
        EXPECT_FALSE(DragEnter(FWindow, *data)) << data->formats().join(u' ').toStdString();
        EXPECT_FALSE(Drop(FWindow, *data));
    }
    QTest::qWait(100);
    EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.join(u'\n').toStdString();
    EXPECT_FALSE(QFile::exists(Path("local.bts")));
}

TEST_F(UpdateWindowTest, DropWhileAConversionRunsIsRefused)
{
    WriteFile(Path("waiting.xml"), kPlainTemplate);
    bool busy = false;
    bool enteredWhileBusy = true;
    bool droppedWhileBusy = true;
    WhenModalOpens([&](QWidget* dialog) {
        busy = FWindow->Busy();
        const auto data = LocalFilesData({ Path("waiting.xml") });
        enteredWhileBusy = DragEnter(FWindow, *data);
        droppedWhileBusy = Drop(FWindow, *data);
        qobject_cast<QDialog*>(dialog)->reject();
    });
    QTest::mouseClick(FWindow->Button(), Qt::LeftButton);
    QTest::qWait(100);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(enteredWhileBusy);
    EXPECT_FALSE(droppedWhileBusy);
    EXPECT_FALSE(QFile::exists(Path("waiting.bts")));
    EXPECT_TRUE(DragEnter(FWindow, *LocalFilesData({ Path("waiting.xml") }))) << "accepted again afterwards";
}

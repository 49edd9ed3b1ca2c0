#include "app/gui/UpdaterProgram.h"
#include "app/gui/UpdateWindow.h"

#include "gui/ModalBoxes.h"
#include "gui/TestApplication.h"
#include "support/SampleTemplates.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

TEST(UpdaterProgram, ConvertsEachFileNamedOnTheCommandLineInOrderWithABoxEachAndStaysOpen)
{
    TestApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile old(dir.filePath("first.xml"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(kPlainTemplate);
    old.close();
    const QString previousFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    MessageBoxRecorder boxes;
    {
        UpdaterProgram program({ "first.xml", "missing.xml" }, false);
        EXPECT_TRUE(boxes.Texts.isEmpty()) << "the boxes follow once the window shows";
        QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts.size(), 2, 5000);
        QTest::qWait(100);
        EXPECT_TRUE(program.Window().isVisible());
        EXPECT_TRUE(program.Window().Button()->isEnabled()) << "open for more";
    }
    QDir::setCurrent(previousFolder);

    ASSERT_EQ(boxes.Texts.size(), 2);
    EXPECT_EQ(boxes.Texts[0], "New Profile Template File Saved as first.bts");
    EXPECT_FALSE(boxes.Errors[0]);
    EXPECT_TRUE(boxes.Texts[1].startsWith(
        QStringLiteral("Cannot open file \"%1\". ").arg(dir.filePath("missing.xml"))))
        << "a relative name is taken from the current folder: " << boxes.Texts[1].toStdString();
    EXPECT_TRUE(boxes.Errors[1]);
    EXPECT_TRUE(QFile::exists(dir.filePath("first.bts")));
}

// Run by the test below in a process of its own with QT_SCALE_FACTOR=2.
TEST(HighDensityScreen, DISABLED_WindowAtScaleFactorTwo)
{
    TestApplication();
    UpdaterProgram program({}, false);
    UpdateWindow& window = program.Window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.devicePixelRatio(), 2.0);
    EXPECT_EQ(window.size(), QSize(582, 176)) << "in device-independent pixels";
    const QImage sharp = window.grab().toImage();
    EXPECT_EQ(sharp.size(), QSize(1164, 352)) << "device pixels";

    // Drawn at twice the resolution, not a single-density picture enlarged.
    QImage single(window.size(), QImage::Format_ARGB32_Premultiplied);
    single.setDevicePixelRatio(1);
    window.render(&single);
    const QImage enlarged = single.scaled(sharp.size()).convertToFormat(sharp.format());
    EXPECT_NE(enlarged, sharp);
}

TEST(HighDensityScreen, WindowIs1164By352DevicePixelsAtScaleFactorTwo)
{
    TestApplication();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_SCALE_FACTOR", "2");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(),
        { "--gtest_also_run_disabled_tests", "--gtest_filter=HighDensityScreen.DISABLED_*" });
    ASSERT_TRUE(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

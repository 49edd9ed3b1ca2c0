#include "app/gui/FontChoice.h"
#include "app/Tupdateform.h"
#include "app/gui/UpdateWindow.h"

#include "gui/TestApplication.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <iostream>

namespace {

// The face the font system really uses for FONT, which may differ from the
// family asked for.
QString UsedFamily(const QFont& font)
{
    return QFontInfo(font).family();
}

void ExpectLargestFittingSize(const QFont& font, const QStringList& lines, QSize box, const char* what)
{
    EXPECT_TRUE(FontChoice::Fits(font, lines, box)) << what << " in " << UsedFamily(font).toStdString();
    if (font.pixelSize() >= 16 || QFontDatabase::families().contains("Candara"))
        return;
    for (const QString& family : FontChoice::InstalledFallbacks()) {
        QFont larger = font;
        larger.setFamily(family);
        larger.setPixelSize(font.pixelSize() + 1);
        EXPECT_FALSE(FontChoice::Fits(larger, lines, box))
            << what << ": " << family.toStdString() << " would fit one pixel larger";
    }
}

} // namespace

TEST(WindowFonts, PanelLinesAndButtonCaptionFitTheirBoxesAtTheLargestSizeUpToSixteenPixels)
{
    TestApplication();
    auto* form = new Tupdateform();
    {
        UpdateWindow window(form);
        const QFont panelFont = window.Panel()->font();
        const QFont buttonFont = window.Button()->font();
        std::cout << "panel: " << UsedFamily(panelFont).toStdString() << ' ' << panelFont.pixelSize()
                  << " px, widest line " << QFontMetrics(panelFont).horizontalAdvance(window.PanelLines()[0])
                  << " of " << window.PanelTextBox().width()
                  << " px; button: " << UsedFamily(buttonFont).toStdString() << ' ' << buttonFont.pixelSize()
                  << " px, caption " << QFontMetrics(buttonFont).horizontalAdvance(window.Button()->text())
                  << " of " << window.ButtonTextBox().width() << " px\n";
        EXPECT_LE(window.PanelTextBox().width(), 566 - 2 * FontChoice::kMargin) << "a margin is kept";
        EXPECT_LE(window.ButtonTextBox().width(), 241 - 2 * FontChoice::kMargin);
        ExpectLargestFittingSize(panelFont, window.PanelLines(), window.PanelTextBox(), "panel");
        ExpectLargestFittingSize(buttonFont, { window.Button()->text() }, window.ButtonTextBox(), "button");
        EXPECT_TRUE(buttonFont.bold());
        EXPECT_FALSE(panelFont.bold());
    }
    form->Free();
}

TEST(WindowFonts, FallbackShrinksOnlyAsFarAsTheBoxRequires)
{
    TestApplication();
    const QStringList fallbacks = FontChoice::InstalledFallbacks();
    ASSERT_FALSE(fallbacks.isEmpty()) << "the fonts of a default Debian desktop are installed";
    if (QFontDatabase::families().contains("Candara"))
        GTEST_SKIP() << "Candara is installed; it is used at the form's size";
    const QStringList lines
        = { QStringLiteral("Select the Template File and it will update to the new format. ") };

    const QFont roomy = FontChoice::Fitting(fallbacks, 16, false, false, lines, QSize(2000, 100));
    EXPECT_EQ(roomy.pixelSize(), 16);
    EXPECT_EQ(roomy.family(), fallbacks.constFirst()) << "the preferred face where it fits";

    const int widthAt16 = QFontMetrics(roomy).horizontalAdvance(lines[0]);
    const QSize tight(widthAt16 * 3 / 4, 100);
    const QFont shrunk = FontChoice::Fitting({ fallbacks.constFirst() }, 16, false, false, lines, tight);
    EXPECT_LT(shrunk.pixelSize(), 16);
    EXPECT_TRUE(FontChoice::Fits(shrunk, lines, tight));
    QFont onePixelLarger = shrunk;
    onePixelLarger.setPixelSize(shrunk.pixelSize() + 1);
    EXPECT_FALSE(FontChoice::Fits(onePixelLarger, lines, tight));

    const QFont tooLow = FontChoice::Fitting(fallbacks, 16, false, false, { "x", "y", "z" }, QSize(2000, 30));
    EXPECT_TRUE(FontChoice::Fits(tooLow, { "x", "y", "z" }, QSize(2000, 30))) << "three lines in 30 pixels";

    const QFont hopeless = FontChoice::Fitting(fallbacks, 16, false, false, lines, QSize(10, 100));
    EXPECT_EQ(hopeless.pixelSize(), 8) << "the smallest size rather than nothing";
}

// The fewest fonts a Debian desktop has: fonts-dejavu-core's DejaVu Sans,
// regular and bold. The measuring test above runs again with only those.
TEST(WindowFonts, FitWithOnlyTheDejaVuCoreFaces)
{
    TestApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("fonts"));
    for (const char* face : { "DejaVuSans.ttf", "DejaVuSans-Bold.ttf" }) {
        const QString installed = QStringLiteral("/usr/share/fonts/truetype/dejavu/") + face;
        ASSERT_TRUE(QFile::exists(installed)) << "fonts-dejavu-core is installed";
        ASSERT_TRUE(QFile::link(installed, dir.filePath(QStringLiteral("fonts/") + face)));
    }
    QFile config(dir.filePath("fonts.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("<?xml version=\"1.0\"?><fontconfig><dir>%1</dir><cachedir>%2</cachedir></fontconfig>")
            .arg(dir.filePath("fonts"), dir.filePath("cache"))
            .toUtf8());
    config.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("FONTCONFIG_FILE", config.fileName());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), { "--gtest_filter=WindowFonts.PanelLines*" });
    ASSERT_TRUE(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("panel: DejaVu Sans ")) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

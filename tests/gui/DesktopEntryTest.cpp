#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSettings>

namespace {
const QString kEntry
    = QStringLiteral(MIROVANE_SOURCE_DIR "/src/app/gui/desktop/mirovane-template-updater.desktop");
}

TEST(DesktopEntry, PassesTheValidatorAndIsOfferedForXmlFilesWhichItReceivesByName)
{
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start("desktop-file-validate", { kEntry });
    ASSERT_TRUE(validator.waitForFinished(20000)) << "desktop-file-validate from desktop-file-utils";
    const QString report = QString::fromLocal8Bit(validator.readAll());
    EXPECT_EQ(validator.exitCode(), 0) << report.toStdString();
    EXPECT_FALSE(report.contains("error:")) << report.toStdString();

    QFile file(kEntry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    EXPECT_TRUE(lines.contains("Exec=mirovane-template-updater %F")) << "several local files, as names";
    const auto mimeLine = std::find_if(
        lines.begin(), lines.end(), [](const QString& line) { return line.startsWith("MimeType="); });
    ASSERT_NE(mimeLine, lines.end());
    const QStringList types = mimeLine->mid(9).split(u';', Qt::SkipEmptyParts);
    EXPECT_TRUE(types.contains("application/xml"));
    EXPECT_TRUE(types.contains("text/xml"));
}

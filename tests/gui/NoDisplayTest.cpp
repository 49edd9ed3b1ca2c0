#include "app/gui/DisplayCheck.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct NoDisplayCase {
    const char* Name;
    QStringList Environment;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const NoDisplayCase& noDisplayCase, std::ostream* out) { *out << noDisplayCase.Name; }

class ProgramWithoutADisplay : public ::testing::TestWithParam<NoDisplayCase> { };

} // namespace

TEST_P(ProgramWithoutADisplay, SaysSoInOneLineNamingTheCommandLineToolAndExitsWithOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile old(dir.filePath("old.xml"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("<mirovane3></mirovane3>");
    old.close();

    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("HOME", dir.path());
    environment.insert("XDG_RUNTIME_DIR", dir.path());
    for (const QString& assignment : GetParam().Environment)
        environment.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    program.setStandardInputFile(QProcess::nullDevice());
    program.start(MIROVANE_UPDATER_PROGRAM, { "old.xml" });
    ASSERT_TRUE(program.waitForFinished(20000)) << "the program waits for nothing";

    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "no abort, no core dump";
    EXPECT_EQ(program.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(errors, DisplayCheck::NoDisplayLine() + u'\n');
    EXPECT_TRUE(errors.contains("mirovane-templates --help"));
    EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "old.xml" }) << "no core, no new file";
}

INSTANTIATE_TEST_SUITE_P(WhereNoneCanBeReached, ProgramWithoutADisplay,
    ::testing::Values(NoDisplayCase { "NothingNamed", {} },
        NoDisplayCase { "XServerNotRunning", { "DISPLAY=:917" } },
        NoDisplayCase { "WaylandCompositorNotRunning", { "WAYLAND_DISPLAY=wayland-917" } },
        NoDisplayCase { "PlatformUnknown", { "QT_QPA_PLATFORM=nosuchplatform" } }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(RunScriptWithoutADisplay, PrintsTheProgramsLineAndExitsWithOneBeforeBuilding)
{
    QProcess run;
    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    run.setProcessEnvironment(environment);
    run.setStandardInputFile(QProcess::nullDevice());
    run.start(MIROVANE_SOURCE_DIR "/run", {});
    ASSERT_TRUE(run.waitForFinished(5000)) << "returns at once, building nothing";
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_EQ(QString::fromLocal8Bit(run.readAllStandardError()), DisplayCheck::NoDisplayLine() + u'\n');
    EXPECT_TRUE(run.readAllStandardOutput().isEmpty());
}

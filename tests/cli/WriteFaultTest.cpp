// Every write fault a save can meet, injected into the real tool: the Nth
// counted call of one family (open, write, sync, rename, mkdir, close) fails
// with one errno, for every N the run reaches. Whatever fails, no template
// changes, each target is absent, its old self or its whole new self, no
// temporary file is left, each failed file is named with the system's
// reason, and the files the fault did not reach are converted.
#include "support/FaultInjection.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

struct TTarget {
    QString input; // the name the tool reports a failure under
    QString target; // relative to the root
    std::optional<QByteArray> old; // none: the target does not exist before
};

struct TScenario {
    const char* command;
    QList<int> families;
};

const char* FamilyName(int family)
{
    static const char* const names[kFaultFamilyCount]
        = { "open", "write", "sync", "rename", "mkdir", "close" };
    return names[family];
}

const QByteArray kOldBytes = "an earlier file, to be kept whole\r\n";

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Example(const char* name)
{
    return Read(QStringLiteral(MIROVANE_SOURCE_DIR "/examples/") + QLatin1String(name));
}

class WriteFaultTest : public ::testing::TestWithParam<std::tuple<const char*, int, int>> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FRoot.isValid());
        FInputs = { { "in/a.xml", Example("old-plain-template.xml") },
            { "in/sub/b.xml", Example("old-encrypted-template.xml") },
            { "in/sub/c.xml", Example("old-plain-template.xml") } };
        for (auto it = FInputs.cbegin(); it != FInputs.cend(); ++it)
            Write(Path(it.key()), it.value());
        QDir().mkpath(Path("wine"));
    }

    QString Path(const QString& name) const { return FRoot.filePath(name); }

    // The targets of the command and its arguments; out/ holds only the
    // earlier files afterwards.
    QList<TTarget> Prepare(const QString& command, QStringList& arguments)
    {
        QDir(Path("out")).removeRecursively();
        QDir().mkpath(Path("out"));
        QList<TTarget> targets;
        if (command == u"convert") {
            arguments = { "convert", "-r", "-o", Path("out"), Path("in") };
            targets = { { Path("in/a.xml"), "out/a.bts", kOldBytes },
                { Path("in/sub/b.xml"), "out/sub/b.bts", {} },
                { Path("in/sub/c.xml"), "out/sub/c.bts", {} } };
        } else if (command == u"export") {
            arguments = { "export", Path("out/x.bts") };
            targets = { { Path("out/x.bts"), "out/x.bts", kOldBytes } };
        } else {
            const bool decrypt = command == u"decrypt";
            const QString input = Path(decrypt ? "in/sub/b.xml" : "in/a.xml");
            arguments = { command, input, Path("out/t.xml") };
            targets = { { input, "out/t.xml", decrypt ? std::optional(kOldBytes) : std::nullopt } };
        }
        for (const TTarget& target : targets) {
            if (target.old)
                Write(Path(target.target), *target.old);
        }
        return targets;
    }

    struct TRun {
        int status;
        QString out, err;
        QMap<QString, long> counts;
    };

    TRun RunTool(const QStringList& arguments, int family, long failAt, int error)
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", MIROVANE_FAULT_LIBRARY);
        env.insert("MIROVANE_FAULT_DIR", Path("out"));
        env.insert("MIROVANE_FAULT_CALL", FamilyName(family));
        env.insert("MIROVANE_FAULT_N", QString::number(failAt));
        env.insert("MIROVANE_FAULT_ERRNO", QString::number(error));
        env.insert("MIROVANE_FAULT_REPORT", Path("report"));
        env.insert("WINEPREFIX", Path("wine"));
        // A sanitizer build wants its runtime first; the injector only wraps calls.
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        tool.setProcessEnvironment(env);
        tool.start(MIROVANE_TOOL, arguments);
        EXPECT_TRUE(tool.waitForFinished(60000));
        TRun run { tool.exitCode(), QString::fromLocal8Bit(tool.readAllStandardOutput()),
            QString::fromLocal8Bit(tool.readAllStandardError()), {} };
        for (const QByteArray& line : Read(Path("report")).split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() == 2)
                run.counts.insert(QString::fromLatin1(words[0]), words[1].toLong());
        }
        return run;
    }

    // Every file under out/ that is none of the targets: a leftover.
    QStringList Leftovers(const QList<TTarget>& targets) const
    {
        QStringList found;
        QDirIterator it(Path("out"), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = QDir(FRoot.path()).relativeFilePath(it.next());
            if (std::none_of(
                    targets.begin(), targets.end(), [&](const TTarget& t) { return t.target == name; }))
                found << name;
        }
        return found;
    }

    static bool FailureNamed(const QString& err, const QString& input, const QString& reason)
    {
        for (const QString& line : err.split('\n')) {
            if (line.startsWith(input + QStringLiteral(": ")) && line.endsWith(QStringLiteral(". ") + reason))
                return true;
        }
        return false;
    }

    QTemporaryDir FRoot;
    QMap<QString, QByteArray> FInputs;
};

TEST_P(WriteFaultTest, AFailedCallLosesNothingAndIsReported)
{
    const auto [commandName, family, error] = GetParam();
    const QString command = QLatin1String(commandName);
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    QStringList arguments;
    QList<TTarget> targets = Prepare(command, arguments);
    const TRun clean = RunTool(arguments, family, 0, error);
    ASSERT_EQ(clean.status, 0) << clean.err.toStdString();
    QMap<QString, QByteArray> newBytes;
    for (const TTarget& target : targets)
        newBytes.insert(target.target, Read(Path(target.target)));
    const long reached = clean.counts.value(FamilyName(family));
    ASSERT_GT(reached, 0) << "the run never reaches a call of this family";
    for (long n = 1; n <= reached; ++n) {
        SCOPED_TRACE(::testing::Message() << FamilyName(family) << " call " << n << " of " << reached
                                          << " fails: " << reason.toStdString());
        targets = Prepare(command, arguments);
        const TRun run = RunTool(arguments, family, n, error);
        ASSERT_EQ(run.counts.value("fired"), 1);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        bool anyFailed = false;
        for (const TTarget& target : targets) {
            const QString path = Path(target.target);
            const bool exists = QFile::exists(path);
            const QByteArray bytes = Read(path);
            if (FailureNamed(run.err, target.input, reason)) {
                anyFailed = true;
                const bool kept = target.old ? exists && bytes == *target.old : !exists;
                EXPECT_TRUE(kept || bytes == newBytes[target.target])
                    << target.target.toStdString() << " is a part";
            } else {
                EXPECT_EQ(bytes, newBytes[target.target])
                    << target.target.toStdString() << " neither failed nor converted\n"
                    << run.err.toStdString();
            }
        }
        EXPECT_TRUE(anyFailed) << "no file named with \"" << reason.toStdString() << "\":\n"
                               << run.err.toStdString();
        EXPECT_EQ(Leftovers(targets), QStringList());
        for (auto it = FInputs.cbegin(); it != FInputs.cend(); ++it)
            EXPECT_EQ(Read(Path(it.key())), it.value()) << it.key().toStdString() << " changed";
        if (HasFailure())
            break;
    }
}

std::vector<std::tuple<const char*, int, int>> Matrix()
{
    const QList<int> saves { FaultOpen, FaultWrite, FaultSync, FaultRename, FaultClose };
    const QList<TScenario> scenarios { { "convert", saves + QList<int> { FaultMkdir } }, { "decrypt", saves },
        { "encrypt", saves }, { "export", saves } };
    std::vector<std::tuple<const char*, int, int>> cases;
    for (const TScenario& scenario : scenarios) {
        for (const int family : scenario.families) {
            for (const int error : { ENOSPC, EIO, EDQUOT, EROFS, EACCES })
                cases.emplace_back(scenario.command, family, error);
        }
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<const char*, int, int>>& info)
{
    const auto [command, family, error] = info.param;
    return std::string(command) + "_" + FamilyName(family) + "_" + strerrorname_np(error);
}

INSTANTIATE_TEST_SUITE_P(ToolSaves, WriteFaultTest, ::testing::ValuesIn(Matrix()), CaseName);

} // namespace

// A program run as a process the way an ordinary user runs it, in a folder
// of its own: under root (as ./test runs) the folder is handed to the user
// "nobody" and the program runs as that user through setpriv, so that
// permissions are what they are for a user. The program and the sanitizer
// suppressions are copied where that user can reach them when the build
// tree is out of its reach.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

struct ProcessResult {
    QString Out;
    QString Err;
    int Status = -1;
};

class UserFolder {
public:
    static constexpr int kNobody = 65534;

    UserFolder() = default;
    UserFolder(const UserFolder&) = delete;
    UserFolder& operator=(const UserFolder&) = delete;
    // By name bytes, which also removes a name that is not UTF-8, and after
    // giving back the permissions a test took away.
    ~UserFolder()
    {
        if (!FDir.isValid())
            return;
        QProcess::execute("chmod", { "-R", "u+rwX", Path() });
        QProcess::execute("rm", { "-rf", Path() });
    }

    bool IsValid() const { return FDir.isValid(); }
    QString Path() const { return FDir.path(); }
    static bool AsRoot() { return ::geteuid() == 0; }

    // Writes CONTENT to the file whose name is the bytes NAME, making its folders.
    void WriteRaw(const QByteArray& name, const QByteArray& content) const
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(QFile::decodeName(name)).path()));
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    }

    // Gives the folder and all in it to the user, when running as root.
    void HandOver() const
    {
        if (!AsRoot())
            return;
        ASSERT_EQ(QProcess::execute("chown", { "-R", QStringLiteral("%1:%1").arg(kNobody), Path() }), 0);
    }

    // Runs PREPARE, then PROGRAM with the shell words ARGUMENTS, in the
    // folder, with a bare environment plus ENVIRONMENT (NAME=VALUE each).
    ProcessResult Run(const QString& program, const QString& prepare, const QString& arguments,
        const QStringList& environment, int timeoutMs = 60000) const
    {
        QProcessEnvironment env;
        env.insert("PATH", "/usr/bin:/bin");
        env.insert("HOME", Path());
        env.insert("PROGRAM", Reachable(program));
        const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS" }) {
            if (outer.contains(name))
                env.insert(name,
                    name == QStringLiteral("LSAN_OPTIONS") ? ReachableLsanOptions(outer.value(name))
                                                           : outer.value(name));
        }
        for (const QString& assignment : environment)
            env.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
        const QString script = QStringLiteral("set -e\n%1\nexec \"$PROGRAM\" %2").arg(prepare, arguments);
        QStringList command { "/bin/sh", "-c", script };
        if (AsRoot())
            command = QStringList { "setpriv", QStringLiteral("--reuid=%1").arg(kNobody),
                QStringLiteral("--regid=%1").arg(kNobody), "--clear-groups" }
                + command;
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(Path());
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(command.first(), command.mid(1));
        ProcessResult result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not end";
        }
        result.Out = QString::fromUtf8(process.readAllStandardOutput());
        result.Err = QString::fromUtf8(process.readAllStandardError());
        result.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return result;
    }

private:
    // True when the user can do TEST ("-x", "-r") on FILE.
    static bool UserCan(const char* test, const QString& file)
    {
        if (!AsRoot())
            return true;
        QProcess check;
        check.start("setpriv",
            { QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
                "--clear-groups", "test", test, file });
        return check.waitForFinished(10000) && check.exitStatus() == QProcess::NormalExit
            && check.exitCode() == 0;
    }

    // FILE, or a copy of it in a folder the user can reach.
    static QString Reachable(const QString& file)
    {
        if (UserCan(QFileInfo(file).isExecutable() ? "-x" : "-r", file))
            return file;
        static QTemporaryDir shared;
        ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
        const QString copy = shared.filePath(QFileInfo(file).fileName());
        if (!QFileInfo::exists(copy))
            QFile::copy(file, copy);
        return copy;
    }

    static QString ReachableLsanOptions(QString options)
    {
        const QString key = QStringLiteral("suppressions=");
        const qsizetype at = options.indexOf(key);
        if (at < 0)
            return options;
        const qsizetype start = at + key.size();
        const qsizetype end = options.indexOf(u':', start);
        const QString file = options.mid(start, end < 0 ? -1 : end - start);
        return options.replace(start, file.size(), Reachable(file));
    }

    QTemporaryDir FDir;
};

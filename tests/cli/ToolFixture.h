// A temporary folder with an empty Wine prefix, and the tool run through
// its entry point with standard output and error captured.
#pragma once

#include "app/cli/TemplatesTool.h"
#include "support/ProductSettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

class ToolFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        ASSERT_TRUE(QDir(FDir.path()).mkdir("wine"));
        qputenv("WINEPREFIX", FDir.filePath("wine").toLocal8Bit());
    }
    void TearDown() override { qunsetenv("WINEPREFIX"); }

    int Run(const QStringList& arguments, bool progressTerminal = false)
    {
        FOut.clear();
        FErr.clear();
        QTextStream out(&FOut);
        QTextStream err(&FErr);
        TemplatesTool tool(out, err, progressTerminal);
        tool.BeforeRead = FBeforeRead;
        const int status = tool.Run(arguments);
        out.flush();
        err.flush();
        return status;
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(Path(name)).path());
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadFile(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir FDir;
    QString FOut;
    QString FErr;
    std::function<void(const QString&)> FBeforeRead;
};

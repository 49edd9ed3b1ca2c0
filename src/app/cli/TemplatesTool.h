// TemplatesTool: the command-line tool mirovane-templates. It converts old
// templates exactly as a click in the window does, and shows, deciphers
// and enciphers them:
//   convert PATH...     templates and folders of them to ".bts", each from a fresh form
//   show FILE           what the new template of FILE would hold, and what is lost
//   export OUT          the product's current settings as a new template
//   dump FILE           the loaded tree as text or JSON
//   decrypt FILE OUT    the loaded tree as a plain XML storage file
//   encrypt FILE OUT    the loaded tree as an encrypted XML storage file
// The commands and options are those of CommandTable.h. Run() returns the
// exit status: 0 success, 1 a file failed, 2 bad usage. Runs on the thread
// that owns the application object.
#pragma once

#include "app/Tupdateform.h"

#include <QSet>
#include <QStringList>
#include <functional>

class QCommandLineParser;
class QTextStream;
struct TToolCommand;

class TemplatesTool {
public:
    // With PROGRESSTERMINAL, ERR is a terminal and long runs draw progress.
    TemplatesTool(QTextStream& out, QTextStream& err, bool progressTerminal = false)
        : FOut(out)
        , FErr(err)
        , FProgressTerminal(progressTerminal)
    {
    }

    int Run(const QStringList& arguments);

    static QString Usage();

    // Called by convert with each file's path just before it is read.
    std::function<void(const QString&)> BeforeRead;
    // The arguments whose bytes were not valid UTF-8: each is reported as
    // such instead of being looked for.
    QSet<QString> UndecodableArguments;

private:
    int RunCommand(
        const TToolCommand& command, const QStringList& arguments, const QCommandLineParser& shared);
    int Convert(const QStringList& paths, const QCommandLineParser& parser);
    int Show(const QString& file, bool json);
    int Export(const QString& target);
    int Dump(const QString& file, bool json);
    int Rewrite(const QString& file, const QString& target, bool encrypted);
    int Fail(const QString& file, const QString& message);
    int UsageError(const QString& message);

    QTextStream& FOut;
    QTextStream& FErr;
    const bool FProgressTerminal;
    TProductSettings FProductSettings = TProductSettings::Read;
};

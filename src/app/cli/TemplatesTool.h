// TemplatesTool: the command-line tool mirovane-templates. It converts old
// templates exactly as a click in the window does, and shows, deciphers
// and enciphers them:
//   convert FILE...     each FILE to FILE with ".bts", from a fresh form
//   dump FILE           the loaded tree as text
//   decrypt FILE OUT    the loaded tree as a plain XML storage file
//   encrypt FILE OUT    the loaded tree as an encrypted XML storage file
// Run() returns the exit status: 0 success, 1 a file failed, 2 bad usage.
// Runs on the thread that owns the application object.
#pragma once

#include <QStringList>

class QTextStream;

class TemplatesTool {
public:
    TemplatesTool(QTextStream& out, QTextStream& err) : FOut(out), FErr(err) {}

    int Run(const QStringList& arguments);

    static QString Usage();

private:
    int Convert(const QStringList& files);
    int Dump(const QString& file);
    int Rewrite(const QString& file, const QString& target, bool encrypted);
    int Fail(const QString& file, const QString& message);
    int UsageError(const QString& message);

    QTextStream& FOut;
    QTextStream& FErr;
};

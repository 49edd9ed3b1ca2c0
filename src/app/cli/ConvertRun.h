// One `mirovane-templates convert` run: lists the templates its PATH
// arguments name, converts each from a fresh form, and reports a line per
// file, "PATH: MESSAGE" per failure and, for more than one file or failure,
// a summary. New templates go beside their originals or under an output
// folder. A run never writes an original template, never writes one target
// twice, and a failing file leaves nothing behind (the writer replaces a
// file as a whole). Several files are written together by a TBatchWriter,
// and each is reported once it is in place. Runs on the thread that owns
// the application object.
#pragma once

#include "app/Tupdateform.h"
#include "app/cli/BatchWriter.h"
#include "app/cli/FileIdentity.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTextStream;
struct TTemplateInput;

struct TConvertOptions {
    bool recursive = false;
    bool keepExisting = false;
    bool dryRun = false;
    bool quiet = false;
    QString outputDir; // empty: beside each original
    TProductSettings productSettings = TProductSettings::Read;
    QSet<QString> undecodable; // PATH arguments whose bytes are not valid UTF-8
};

class TConvertRun {
public:
    // With PROGRESS, ERR is a terminal on which a progress line is drawn
    // for runs of more than 20 files.
    TConvertRun(QTextStream& out, QTextStream& err, bool progress, TConvertOptions options);

    // Called with each file's path just before it is read.
    std::function<void(const QString&)> BeforeRead;

    // The exit status: 1 when any file or folder failed, else 0.
    int Run(const QStringList& paths);

private:
    enum class TOutcome { Converted, Skipped, Failed, Pending };

    // A file's line: the target's shown name, or for a failure the message.
    struct TReport {
        TOutcome outcome;
        QString path;
        QString text;
        qsizetype key = -1; // the file's key in the batch, if it is in one
    };

    TOutcome ConvertOne(const TTemplateInput& input);
    QString TargetOf(const TTemplateInput& input) const;
    QString ShownName(const QString& target) const;
    bool IsOriginal(const QString& target);
    TOutcome Fail(const QString& path, const QString& message);
    TOutcome Report(const TReport& report);
    void Emit(const TReport& report);
    void Count(TOutcome outcome);
    // Takes the outcomes of written files and reports every file, in order,
    // up to the first whose writing is not done.
    void EmitWritten(const QList<TBatchWriter::TResult>& results);
    void ShowProgress(qsizetype done, qsizetype total, const QString& path);
    void ClearProgress();

    QTextStream& FOut;
    QTextStream& FErr;
    const bool FProgress;
    const TConvertOptions FOptions;
    bool FProgressDrawn = false;
    QSet<QString> FOriginals; // the identity of every input of the run
    TFileIdentity FIdentities;
    QHash<QString, QString> FClaimedTargets; // target -> the input that claimed it first
    std::unique_ptr<TBatchWriter> FBatch; // only for a run that writes several files
    QList<TReport> FPending; // the lines that wait for the batch
    QHash<qsizetype, QString> FWritten; // key -> error of a written file not yet reported
    qsizetype FNextKey = 0;
    qsizetype FConverted = 0, FSkipped = 0, FFailed = 0;
};

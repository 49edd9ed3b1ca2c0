#include "app/cli/ConvertRun.h"

#include "app/FreshForm.h"
#include "app/TemplateWriter.h"
#include "app/cli/TemplateInputs.h"
#include "framework/Exception.h"
#include "framework/FileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

const qsizetype kProgressThreshold = 20;

// Creates FOLDER and its missing parents; raises with the system's reason.
void CreateFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder)
        CreateFolder(parent);
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) == 0)
        return;
    // Taken before the check below, whose own calls may change errno.
    const int error = errno;
    if (!QFileInfo(folder).isDir()) {
        throw Exception(QStringLiteral("Cannot create folder \"%1\". %2")
                            .arg(folder, QString::fromLocal8Bit(std::strerror(error))));
    }
}

} // namespace

TConvertRun::TConvertRun(QTextStream& out, QTextStream& err, bool progress, TConvertOptions options)
    : FOut(out)
    , FErr(err)
    , FProgress(progress)
    , FOptions(std::move(options))
{
}

int TConvertRun::Run(const QStringList& paths)
{
    const TTemplateListing listing = ListTemplates(paths, FOptions.recursive, FOptions.undecodable);
    for (const TTemplateInput& input : listing.inputs)
        FOriginals.insert(input.identity);
    for (const TListingError& error : listing.errors)
        Count(Fail(error.path, error.message));
    const qsizetype total = listing.inputs.size();
    // A single file keeps the plain save, synced on its own.
    if (total > 1 && !FOptions.dryRun)
        FBatch = std::make_unique<TBatchWriter>();
    for (qsizetype i = 0; i < total; ++i) {
        if (FBatch && FBatch->Full())
            EmitWritten(FBatch->EndChunk());
        ShowProgress(i, total, listing.inputs[i].path);
        Count(ConvertOne(listing.inputs[i]));
    }
    if (FBatch)
        EmitWritten(FBatch->Finish());
    ClearProgress();
    // A path that could not be listed counts as one more, so that it shows
    // in the summary beside the files.
    if (total + listing.errors.size() > 1) {
        FErr << FConverted << " converted, " << FSkipped << " skipped, " << FFailed << " failed\n";
        FErr.flush();
    }
    return FFailed > 0 ? 1 : 0;
}

TConvertRun::TOutcome TConvertRun::ConvertOne(const TTemplateInput& input)
{
    const QString target = TargetOf(input);
    const QString shown = ShownName(target);
    const auto claimed = FClaimedTargets.constFind(target);
    if (claimed != FClaimedTargets.constEnd())
        return Fail(input.path, QStringLiteral("%1 is the new template of %2 already.").arg(shown, *claimed));
    FClaimedTargets.insert(target, input.path);
    if (IsOriginal(target))
        return Fail(
            input.path, QStringLiteral("%1 is a template of this run and is not replaced.").arg(shown));
    const QFileInfo existing(target);
    if (FOptions.keepExisting && existing.exists() && !existing.isDir())
        return Report({ TOutcome::Skipped, input.path, shown });
    if (BeforeRead)
        BeforeRead(input.path);
    qsizetype key = -1;
    try {
        TFreshForm form(FOptions.productSettings);
        form->LoadTemplate(QFileInfo(input.path).absoluteFilePath());
        if (!FOptions.dryRun) {
            if (!FOptions.outputDir.isEmpty())
                CreateFolder(QFileInfo(target).path());
            if (FBatch) {
                key = FNextKey++;
                FBatch->Add(target, NewTemplateBytes(&*form), key);
            } else {
                form->WriteNewTemplate(target);
            }
        }
    } catch (const Exception& error) {
        return Fail(input.path, error.Message());
    }
    return Report({ TOutcome::Converted, input.path, shown, key });
}

TConvertRun::TOutcome TConvertRun::Fail(const QString& path, const QString& message)
{
    return Report({ TOutcome::Failed, path, message });
}

// In a batch every line waits for the batch, so that both streams keep
// the order of the files and a file is called saved only once it is.
TConvertRun::TOutcome TConvertRun::Report(const TReport& report)
{
    if (!FBatch) {
        Emit(report);
        return report.outcome;
    }
    FPending.append(report);
    return TOutcome::Pending;
}

void TConvertRun::Emit(const TReport& report)
{
    ClearProgress();
    if (report.outcome == TOutcome::Failed) {
        FErr << report.path << ": " << report.text << '\n';
        FErr.flush();
        return;
    }
    if (!FOptions.quiet) {
        if (report.outcome == TOutcome::Skipped)
            FOut << report.path << ": skipped, " << report.text << " exists\n";
        else if (FOptions.dryRun)
            FOut << "Would save " << report.text << '\n';
        else
            FOut << Tupdateform::ConfirmationText(QString()) << report.text << '\n';
    }
    FOut.flush();
}

void TConvertRun::Count(TOutcome outcome)
{
    switch (outcome) {
    case TOutcome::Converted:
        ++FConverted;
        break;
    case TOutcome::Skipped:
        ++FSkipped;
        break;
    case TOutcome::Failed:
        ++FFailed;
        break;
    case TOutcome::Pending:
        break;
    }
}

// The lines wait in the order of the files until the file at the front is
// written, so both streams keep that order while the writing goes on.
void TConvertRun::EmitWritten(const QList<TBatchWriter::TResult>& results)
{
    for (const TBatchWriter::TResult& result : results)
        FWritten.insert(result.key, result.error);
    while (!FPending.isEmpty()) {
        TReport report = FPending.constFirst();
        if (report.key >= 0) {
            const auto written = FWritten.constFind(report.key);
            if (written == FWritten.constEnd())
                return;
            if (!written->isEmpty())
                report = { TOutcome::Failed, report.path, *written };
            FWritten.erase(written);
        }
        FPending.removeFirst();
        Emit(report);
        Count(report.outcome);
    }
}

QString TConvertRun::TargetOf(const TTemplateInput& input) const
{
    const QString bts = QStringLiteral(".bts");
    if (FOptions.outputDir.isEmpty())
        return ChangeFileExt(QFileInfo(input.path).absoluteFilePath(), bts);
    return QDir::cleanPath(
        QFileInfo(QDir(FOptions.outputDir).filePath(ChangeFileExt(input.relative, bts))).absoluteFilePath());
}

QString TConvertRun::ShownName(const QString& target) const
{
    // Beside the original the folder goes without saying, as in the window.
    return FOptions.outputDir.isEmpty() ? ExtractFileName(target) : target;
}

bool TConvertRun::IsOriginal(const QString& target)
{
    return FOriginals.contains(FIdentities.Of(target));
}

void TConvertRun::ShowProgress(qsizetype done, qsizetype total, const QString& path)
{
    if (!FProgress || total <= kProgressThreshold)
        return;
    FErr << "\r\x1b[K" << (done + 1) << '/' << total << ' ' << (done * 100 / total) << "% " << path;
    FErr.flush();
    FProgressDrawn = true;
}

void TConvertRun::ClearProgress()
{
    if (!FProgressDrawn)
        return;
    FErr << "\r\x1b[K";
    FErr.flush();
    FProgressDrawn = false;
}

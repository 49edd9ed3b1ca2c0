#include "app/cli/ConvertRun.h"

#include "app/FreshForm.h"
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
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && !QFileInfo(folder).isDir()) {
        throw Exception(QStringLiteral("Cannot create folder \"%1\". %2")
                            .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
}

QString CanonicalOrAbsolute(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
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
        FOriginals.insert(CanonicalOrAbsolute(input.path));
    qsizetype failed = 0, skipped = 0, converted = 0;
    for (const TListingError& error : listing.errors) {
        Fail(error.path, error.message);
        ++failed;
    }
    const qsizetype total = listing.inputs.size();
    for (qsizetype i = 0; i < total; ++i) {
        ShowProgress(i, total, listing.inputs[i].path);
        switch (ConvertOne(listing.inputs[i])) {
        case TOutcome::Converted:
            ++converted;
            break;
        case TOutcome::Skipped:
            ++skipped;
            break;
        case TOutcome::Failed:
            ++failed;
            break;
        }
    }
    ClearProgress();
    // A path that could not be listed counts as one more, so that it shows
    // in the summary beside the files.
    if (total + listing.errors.size() > 1) {
        FErr << converted << " converted, " << skipped << " skipped, " << failed << " failed\n";
        FErr.flush();
    }
    return failed > 0 ? 1 : 0;
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
    if (FOptions.keepExisting && existing.exists() && !existing.isDir()) {
        if (!FOptions.quiet) {
            ClearProgress();
            FOut << input.path << ": skipped, " << shown << " exists\n";
            FOut.flush();
        }
        return TOutcome::Skipped;
    }
    if (BeforeRead)
        BeforeRead(input.path);
    try {
        TFreshForm form(FOptions.productSettings);
        form->LoadTemplate(QFileInfo(input.path).absoluteFilePath());
        if (!FOptions.dryRun) {
            if (!FOptions.outputDir.isEmpty())
                CreateFolder(QFileInfo(target).path());
            form->WriteNewTemplate(target);
        }
    } catch (const Exception& error) {
        return Fail(input.path, error.Message());
    }
    if (!FOptions.quiet) {
        ClearProgress();
        if (FOptions.dryRun)
            FOut << "Would save " << shown << '\n';
        else
            FOut << Tupdateform::ConfirmationText(QString()) << shown << '\n';
    }
    FOut.flush();
    return TOutcome::Converted;
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

bool TConvertRun::IsOriginal(const QString& target) const
{
    return FOriginals.contains(CanonicalOrAbsolute(target));
}

TConvertRun::TOutcome TConvertRun::Fail(const QString& path, const QString& message)
{
    ClearProgress();
    FErr << path << ": " << message << '\n';
    FErr.flush();
    return TOutcome::Failed;
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

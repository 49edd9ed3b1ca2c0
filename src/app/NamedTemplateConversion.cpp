#include "app/NamedTemplateConversion.h"

#include "app/FileNameBytes.h"
#include "app/TCatalogueSnapshot.h"
#include "app/Tupdateform.h"
#include "framework/Exception.h"
#include "framework/FileNames.h"
#include "framework/TApplication.h"

#include <QFileInfo>

#include <algorithm>

namespace {
// A name that reached us with bytes that are not UTF-8 (from the command
// line or a drop) was decoded with replacement characters and names no
// file; the file itself may well exist, so it must not be called missing.
void RefuseUndecodedName(const QString& fileName)
{
    if (fileName.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(fileName))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, NotUtf8Message()));
}
} // namespace

void ConvertNamedTemplate(Tupdateform& form, const QString& fileName)
{
    Application().HandleExceptions([&] {
        RefuseUndecodedName(fileName);
        const QString newName = form.ConvertTemplate(fileName);
        Application().ShowMessage(Tupdateform::ConfirmationText(newName));
    });
}

namespace {
TConversionOutcome ConvertOne(Tupdateform& form, const QString& fileName)
{
    TConversionOutcome outcome { fileName, {}, {} };
    try {
        RefuseUndecodedName(fileName);
        outcome.NewFileName = form.ConvertTemplate(fileName);
    } catch (const Exception& error) {
        outcome.Error = error.Message();
    } catch (const std::exception& error) {
        outcome.Error = QString::fromLocal8Bit(error.what());
    }
    return outcome;
}
} // namespace

std::vector<TConversionOutcome> ConvertNamedTemplates(
    Tupdateform& form, const QStringList& fileNames, const TCatalogueSnapshot& startUp)
{
    std::vector<TConversionOutcome> outcomes;
    outcomes.reserve(fileNames.size());
    for (const QString& fileName : fileNames) {
        startUp.Restore();
        outcomes.push_back(ConvertOne(form, fileName));
    }
    return outcomes;
}

QString ConversionSummary(const std::vector<TConversionOutcome>& outcomes)
{
    QStringList lines;
    for (const TConversionOutcome& outcome : outcomes) {
        if (outcome.Succeeded())
            lines << Tupdateform::ConfirmationText(outcome.NewFileName);
        else
            lines << ExtractFileName(outcome.FileName) + QStringLiteral(": ") + outcome.Error;
    }
    return lines.join(u'\n');
}

void ConvertTemplateBatch(Tupdateform& form, const QStringList& fileNames, const TCatalogueSnapshot& startUp)
{
    if (fileNames.size() == 1) {
        startUp.Restore();
        ConvertNamedTemplate(form, fileNames.constFirst());
        return;
    }
    if (fileNames.isEmpty())
        return;
    const std::vector<TConversionOutcome> outcomes = ConvertNamedTemplates(form, fileNames, startUp);
    const bool allSucceeded = std::all_of(
        outcomes.begin(), outcomes.end(), [](const auto& outcome) { return outcome.Succeeded(); });
    const QString summary = ConversionSummary(outcomes);
    if (allSucceeded)
        Application().ShowMessage(summary);
    else
        Application().ShowException(summary);
}

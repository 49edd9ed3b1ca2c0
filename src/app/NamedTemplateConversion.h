// Conversions of templates that reach the main form by name instead of
// through its open dialog: named on the window program's command line or
// dropped on the window. Each file runs the very steps of a file chosen in
// the dialog (ConvertTemplate); only the way the outcome is shown differs.
// GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TCatalogueSnapshot;
class Tupdateform;

// What one conversion gave: the new file's name, or the error's message.
struct TConversionOutcome {
    QString FileName;
    QString NewFileName;
    QString Error;

    bool Succeeded() const { return Error.isEmpty(); }
};

// Converts FILENAME and shows the confirmation, or the error in the
// application's error display, exactly as a click that chose it would.
void ConvertNamedTemplate(Tupdateform& form, const QString& fileName);

// Converts each of FILENAMES in order, each from STARTUP, going on after a
// failure; shows nothing.
std::vector<TConversionOutcome> ConvertNamedTemplates(
    Tupdateform& form, const QStringList& fileNames, const TCatalogueSnapshot& startUp);

// One line per outcome, in order: the confirmation for a new file, or the
// old file's name without folder, ": " and the error's message.
QString ConversionSummary(const std::vector<TConversionOutcome>& outcomes);

// One file as ConvertNamedTemplate; several converted in order and reported
// in one box at the end, an error box when any of them failed, so that a
// batch does not stop at a modal box per file. Each file from STARTUP.
void ConvertTemplateBatch(Tupdateform& form, const QStringList& fileNames, const TCatalogueSnapshot& startUp);

#include "app/gui/QtUserInterface.h"

#include "framework/TOpenDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

QStringList QtUserInterface::NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters;
}

bool QtUserInterface::ExecuteOpenDialog(TOpenDialog& dialog)
{
    QFileDialog fileDialog(FParent, dialog.Title());
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    const bool mustExist = dialog.Options() & TOpenDialog::ofFileMustExist;
    // A name of a file that does not exist may be typed; loading it then
    // reports the file error.
    fileDialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    fileDialog.setOption(QFileDialog::DontUseNativeDialog, !FUseNativeDialogs);
    fileDialog.setNameFilters(NameFilters(dialog.Filter()));
    QString suffix = dialog.DefaultExt();
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    fileDialog.setDefaultSuffix(suffix);
    const QFileInfo current(dialog.FileName());
    if (current.isAbsolute())
        fileDialog.setDirectory(current.absolutePath());
    fileDialog.selectFile(current.fileName());
    if (fileDialog.exec() != QDialog::Accepted || fileDialog.selectedFiles().isEmpty())
        return false;
    dialog.SetFileName(QFileInfo(fileDialog.selectedFiles().constFirst()).absoluteFilePath());
    return true;
}

void QtUserInterface::ShowMessage(const QString& text)
{
    QMessageBox::information(FParent, QApplication::applicationDisplayName(), text);
}

void QtUserInterface::ShowError(const QString& message)
{
    QMessageBox::critical(FParent, QApplication::applicationDisplayName(), message);
}

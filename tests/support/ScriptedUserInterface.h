// A user interface for tests: answers open dialogs from a queue of file
// names (an empty name cancels) and records messages and errors.
#pragma once

#include "framework/TOpenDialog.h"
#include "framework/TUserInterface.h"

#include <QStringList>

class ScriptedUserInterface : public TUserInterface {
public:
    QStringList Answers;
    QStringList Messages;
    QStringList Errors;
    QString LastDialogTitle;
    QString LastDialogFilter;
    QString LastDialogFileName;

    bool ExecuteOpenDialog(TOpenDialog& dialog) override
    {
        LastDialogTitle = dialog.Title();
        LastDialogFilter = dialog.Filter();
        LastDialogFileName = dialog.FileName();
        if (Answers.isEmpty())
            return false;
        const QString answer = Answers.takeFirst();
        if (answer.isEmpty())
            return false;
        dialog.SetFileName(answer);
        return true;
    }
    void ShowMessage(const QString& text) override { Messages << text; }
    void ShowError(const QString& message) override { Errors << message; }
};

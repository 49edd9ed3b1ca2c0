// The few interactive services the form model needs from a user interface:
// the open dialog, a message box and the display of an error. The window
// program implements them with Qt Widgets, the command-line tool on the
// terminal, and tests script them. Called on the GUI thread only.
#pragma once

#include <QString>

class TOpenDialog;

class TUserInterface {
public:
    virtual ~TUserInterface() = default;

    // Shows the dialog modally. Returns true and sets the dialog's FileName
    // to the chosen full file name, or false when the user cancels.
    virtual bool ExecuteOpenDialog(TOpenDialog& dialog) = 0;
    // Shows TEXT with an OK button, modally.
    virtual void ShowMessage(const QString& text) = 0;
    // The application's display of an error that ended an event.
    virtual void ShowError(const QString& message) = 0;
};

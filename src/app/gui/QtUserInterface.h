// QtUserInterface: the form model's dialogs, message boxes and error display
// shown with Qt Widgets. Install one on the application object before the
// main form is created. GUI thread only.
#pragma once

#include "framework/TUserInterface.h"

#include <QString>

class QWidget;

class QtUserInterface : public TUserInterface {
public:
    // PARENT is the window that dialogs and message boxes belong to.
    void SetParentWindow(QWidget* parent) { FParent = parent; }
    // Qt's own file dialog instead of the desktop's; the tests drive it.
    void SetUseNativeDialogs(bool useNative) { FUseNativeDialogs = useNative; }

    bool ExecuteOpenDialog(TOpenDialog& dialog) override;
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& message) override;

    // The Qt name filters for a filter text of description|pattern pairs.
    static QStringList NameFilters(const QString& filter);

private:
    QWidget* FParent = nullptr;
    bool FUseNativeDialogs = true;
};

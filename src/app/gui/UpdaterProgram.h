// UpdaterProgram: the window program once its application object exists:
// the Qt user interface, the main form and its window, shown, and then the
// conversion of the files named on the command line, in order, each as if
// chosen in the open dialog. The window stays open afterwards. Destroying
// it destroys the window and frees the form. One per process, GUI thread.
#pragma once

#include "app/gui/QtUserInterface.h"

#include <QStringList>
#include <memory>

class Tupdateform;
class UpdateWindow;

class UpdaterProgram {
public:
    // FILENAMES as given on the command line; relative names are taken
    // from the current folder, as the open dialog would give them.
    explicit UpdaterProgram(const QStringList& fileNames, bool useNativeDialogs = true);
    ~UpdaterProgram();
    UpdaterProgram(const UpdaterProgram&) = delete;
    UpdaterProgram& operator=(const UpdaterProgram&) = delete;

    UpdateWindow& Window() const { return *FWindow; }
    Tupdateform& Form() const { return *FForm; }

private:
    QtUserInterface FUserInterface;
    Tupdateform* FForm;
    std::unique_ptr<UpdateWindow> FWindow;
};

#include "app/gui/UpdaterProgram.h"

#include "app/TNxFontNameItem.h"
#include "app/Tupdateform.h"
#include "app/gui/UpdateWindow.h"
#include "framework/TApplication.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QTimer>

UpdaterProgram::UpdaterProgram(const QStringList& fileNames, bool useNativeDialogs)
{
    TNxFontNameItem::SetFontNamesProvider([] { return QFontDatabase::families(); });
    FUserInterface.SetUseNativeDialogs(useNativeDialogs);
    Application().SetUserInterface(&FUserInterface);
    FForm = new Tupdateform();
    FWindow = std::make_unique<UpdateWindow>(FForm);
    FUserInterface.SetParentWindow(FWindow.get());
    FWindow->show();

    QStringList fullNames;
    for (const QString& fileName : fileNames)
        fullNames << QFileInfo(fileName).absoluteFilePath();
    if (!fullNames.isEmpty()) {
        // From the event loop, so the window is on the screen behind the boxes.
        UpdateWindow* window = FWindow.get();
        QTimer::singleShot(0, window, [window, fullNames] { window->ConvertFiles(fullNames); });
    }
}

UpdaterProgram::~UpdaterProgram()
{
    FUserInterface.SetParentWindow(nullptr);
    FWindow.reset();
    FForm->Free();
    Application().SetUserInterface(nullptr);
}

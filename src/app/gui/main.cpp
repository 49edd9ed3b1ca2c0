// The window program: shows the main form of the template updater until it
// is closed. It takes no arguments.
#include "app/TNxFontNameItem.h"
#include "app/Tupdateform.h"
#include "app/gui/QtUserInterface.h"
#include "app/gui/UpdateWindow.h"
#include "framework/TApplication.h"

#include <QApplication>
#include <QFontDatabase>
#include <memory>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mirovane-template-updater"));
    QApplication::setApplicationDisplayName(QStringLiteral("Mirovane Template Updater"));
    QApplication::setDesktopFileName(QStringLiteral("mirovane-template-updater"));

    TNxFontNameItem::SetFontNamesProvider([] { return QFontDatabase::families(); });
    QtUserInterface ui;
    Application().SetUserInterface(&ui);

    auto* form = new Tupdateform();
    int status = 0;
    {
        UpdateWindow window(form);
        ui.SetParentWindow(&window);
        window.show();
        status = QApplication::exec();
        ui.SetParentWindow(nullptr);
    }
    form->Free();
    Application().SetUserInterface(nullptr);
    return status;
}

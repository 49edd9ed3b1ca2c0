// The window program: shows the main form of the template updater until it
// is closed. Files named on the command line are converted in order once
// the window shows, as if each had been chosen in the open dialog. Without
// a display it says so in one line and exits with status 1.
#include "app/gui/DisplayCheck.h"
#include "app/gui/UpdaterProgram.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    if (!DisplayCheck::DisplayNamed(rawArguments))
        DisplayCheck::ExitWithoutDisplay();

    std::unique_ptr<QApplication> application;
    {
        DisplayCheck::PlatformStartGuard guard;
        application = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName(QStringLiteral("mirovane-template-updater"));
    QApplication::setApplicationDisplayName(QStringLiteral("Mirovane Template Updater"));
    QApplication::setDesktopFileName(QStringLiteral("mirovane-template-updater"));

    // Qt has taken its own options (-platform, -display...) out by now.
    const UpdaterProgram program(QApplication::arguments().mid(1));
    return QApplication::exec();
}

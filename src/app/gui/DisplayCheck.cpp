#include "app/gui/DisplayCheck.h"

#include <QMessageLogContext>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {
struct HeldMessage {
    QtMsgType Type;
    QString Text;
};
std::vector<HeldMessage> gHeldMessages;

void HoldMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg)
        DisplayCheck::ExitWithoutDisplay();
    gHeldMessages.push_back({ type, text });
}
} // namespace

QString DisplayCheck::NoDisplayLine()
{
    return QStringLiteral("mirovane-template-updater: no display to show the window on; "
                          "the command-line tool converts templates without one: mirovane-templates --help");
}

bool DisplayCheck::DisplayNamed(const QStringList& arguments)
{
    for (const char* variable : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    }
    return arguments.contains(QStringLiteral("-platform"));
}

void DisplayCheck::ExitWithoutDisplay()
{
    std::fputs(NoDisplayLine().toLocal8Bit().constData(), stderr);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    // _Exit: the toolkit is half started, and nothing of ours needs saving.
    std::_Exit(1);
}

DisplayCheck::PlatformStartGuard::PlatformStartGuard()
    : FPrevious(qInstallMessageHandler(HoldMessage))
{
}

DisplayCheck::PlatformStartGuard::~PlatformStartGuard()
{
    qInstallMessageHandler(FPrevious);
    const QMessageLogContext context;
    for (const HeldMessage& message : std::exchange(gHeldMessages, {})) {
        if (FPrevious)
            FPrevious(message.Type, context, message.Text);
        else
            qt_message_output(message.Type, context, message.Text);
    }
}

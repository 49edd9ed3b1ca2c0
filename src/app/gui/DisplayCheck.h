// DisplayCheck: keeps the window program from aborting with the toolkit's
// plugin message and a core dump where no display can be reached (over SSH,
// on a server). It says so in one line on standard error, points to the
// command-line tool, and ends the program with status 1.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace DisplayCheck {

// The one line printed when there is no display, without the line end.
QString NoDisplayLine();

// True when the environment names a display (DISPLAY, WAYLAND_DISPLAY) or a
// platform (QT_QPA_PLATFORM), or ARGUMENTS choose one with -platform.
bool DisplayNamed(const QStringList& arguments);

// Prints the line and ends the program with status 1.
[[noreturn]] void ExitWithoutDisplay();

// While it lives, the toolkit's messages are held back; a fatal one, which
// is how the toolkit reports a platform that fails to start, becomes the
// line and exit status 1 instead of an abort. Construct it just before the
// application object and destroy it right after; the messages held back
// are passed on then. One at a time.
class PlatformStartGuard {
public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;

private:
    QtMessageHandler FPrevious;
};

} // namespace DisplayCheck

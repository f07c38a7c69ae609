#pragma once
// The Qt application of either program: the platform chosen for the session,
// the display opened, or a one-line message and exit when it cannot be.

#include <QApplication>
#include <string>

namespace qtrt {

// The platform to ask Qt for, or empty for Qt's own choice. A Wayland session
// runs through XWayland, where a program may open its menu where it likes,
// with nothing to open it from, and take the pointer and the keys for it:
// so also when the session asks every Qt program for Wayland. Without
// XWayland a choice of Wayland is kept; any other choice of the user's too.
std::string PlatformFor(const char* qtQpaPlatform, const char* xdgSessionType,
                        const char* waylandDisplay, const char* display);

// Whether the session is a Wayland one, whichever way the program runs in it.
bool InWaylandSession();

// What the program says when Qt cannot open `platform`'s display.
std::string NoDisplayMessage(const char* program, const std::string& platform,
                             const std::string& display);

class Application : public QApplication {
    Q_OBJECT

  public:
    // `name` is the program's name; closing its last window never ends it.
    Application(int& argc, char** argv, const char* name);
};

}  // namespace qtrt

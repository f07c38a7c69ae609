#pragma once
// The Qt application of either program: the platform chosen for the session,
// the display opened, or a one-line message and exit when it cannot be.

#include <QApplication>
#include <string>

namespace qtrt {

// The platform to ask Qt for, or empty for Qt's own choice. A Wayland session
// runs through XWayland, where a program may place its menus at the pointer
// and set the clipboard from them; a platform the user set is kept.
std::string PlatformFor(const char* qtQpaPlatform, const char* xdgSessionType,
                        const char* waylandDisplay);

// What the program says when Qt cannot open `platform`'s display.
std::string NoDisplayMessage(const char* program, const std::string& platform,
                             const std::string& display);

class Application : public QApplication {
  public:
    // `name` is the program's name; closing its last window never ends it.
    Application(int& argc, char** argv, const char* name);
};

}  // namespace qtrt

#include "application.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/version.h"

namespace qtrt {

namespace {

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

// While Qt opens the display its messages are held back: when opening fails
// the user reads one line instead of Qt's abort.
struct Opening {
    std::string message;  // what to say if it fails
    std::vector<std::pair<QtMsgType, QString>> held;
    QtMessageHandler previous = nullptr;
};
Opening opening;

void Hold(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtFatalMsg) {
        opening.held.emplace_back(type, text);
        return;
    }
    std::fprintf(stderr, "%s\n", opening.message.c_str());
    std::_Exit(1);
}

// Chooses the platform and starts holding Qt's messages; returns argc, for
// QApplication's constructor.
int& BeforeOpening(int& argc, char** argv, const char* program) {
    const std::string platform =
        PlatformFor(std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"),
                    std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    if (!platform.empty()) qputenv("QT_QPA_PLATFORM", platform.c_str());

    // The display the platform will try: options on the command line win
    // over the environment, as in Qt.
    std::string tried =
        Set(std::getenv("QT_QPA_PLATFORM")) ? std::getenv("QT_QPA_PLATFORM") : "xcb";
    std::string display;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0) tried = argv[i + 1];
        if (std::strcmp(argv[i], "-display") == 0) display = argv[i + 1];
    }
    tried = tried.substr(0, tried.find(':'));  // without options such as "xcb:foo"
    if (display.empty()) {
        const bool wayland = tried.rfind("wayland", 0) == 0;
        const char* env = std::getenv(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
        display = Set(env) ? env : wayland ? "wayland-0" : "";
    }
    opening.message = NoDisplayMessage(program, tried, display);
    opening.previous = qInstallMessageHandler(Hold);
    return argc;
}

bool WaylandSession(const char* xdgSessionType, const char* waylandDisplay) {
    return (Set(xdgSessionType) && std::string_view(xdgSessionType) == "wayland") ||
           Set(waylandDisplay);
}

}  // namespace

std::string PlatformFor(const char* qtQpaPlatform, const char* xdgSessionType,
                        const char* waylandDisplay, const char* display) {
    if (!WaylandSession(xdgSessionType, waylandDisplay)) return {};
    if (!Set(qtQpaPlatform)) return "xcb";
    const bool wayland = std::string_view(qtQpaPlatform).rfind("wayland", 0) == 0;
    return wayland && Set(display) ? "xcb" : std::string();
}

bool InWaylandSession() {
    return WaylandSession(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"));
}

std::string NoDisplayMessage(const char* program, const std::string& platform,
                             const std::string& display) {
    const std::string shown = display.empty() ? "(DISPLAY が未設定)" : display;
    return std::string(program) + ": ディスプレイ " + shown + " を開けません (" + platform + ")。";
}

Application::Application(int& argc, char** argv, const char* name)
    : QApplication(BeforeOpening(argc, argv, name), argv) {
    qInstallMessageHandler(opening.previous);
    for (const auto& [type, text] : std::exchange(opening.held, {})) {
        qt_message_output(type, QMessageLogContext(), text);
    }
    setApplicationName(QString::fromLatin1(name));
    setApplicationVersion(QString::fromLatin1(vb::kVersionText));
    // A resident program, and one that ends through End only.
    setQuitOnLastWindowClosed(false);
}

}  // namespace qtrt

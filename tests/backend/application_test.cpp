// The Qt runtime's start: the platform chosen for the session, the pictures.

#include <gtest/gtest.h>

#include <QIcon>

#include "platform/qt/application.h"
#include "platform/qt/pictures.h"

namespace {

TEST(PlatformFor, WaylandSessionsRunThroughXWaylandWhereItIs) {
    struct Row {
        const char* qpa;
        const char* session;
        const char* wayland;
        const char* display;
        const char* want;
    };
    const Row rows[] = {
        {nullptr, "wayland", "wayland-0", ":0", "xcb"},
        {nullptr, "wayland", nullptr, ":0", "xcb"},
        {nullptr, nullptr, "wayland-0", ":1", "xcb"},  // a session that does not say
        {"", "wayland", "wayland-0", ":0", "xcb"},     // set, but empty
        // Many sessions ask every Qt program for Wayland: Orbek's menus need X.
        {"wayland", "wayland", "wayland-0", ":0", "xcb"},
        {"wayland;xcb", "wayland", "wayland-0", ":0", "xcb"},
        {"wayland-egl", nullptr, "wayland-0", ":0", "xcb"},
        // Without XWayland, what the user asked for, or X to say it is missing.
        {"wayland", "wayland", "wayland-0", nullptr, ""},
        {nullptr, "wayland", "wayland-0", "", "xcb"},
        // Any other choice of the user's stands.
        {"offscreen", "wayland", "wayland-0", ":0", ""},
        {"xcb", "wayland", "wayland-0", ":0", ""},
        {nullptr, "x11", nullptr, ":0", ""},
        {"wayland", "x11", nullptr, ":0", ""},
        {nullptr, "tty", "", nullptr, ""},
        {nullptr, nullptr, nullptr, nullptr, ""},
    };
    for (const auto& row : rows) {
        const auto shown = [](const char* value) { return value ? value : "(unset)"; };
        SCOPED_TRACE(std::string(shown(row.qpa)) + " / " + shown(row.session) + " / " +
                     shown(row.wayland) + " / " + shown(row.display));
        EXPECT_EQ(qtrt::PlatformFor(row.qpa, row.session, row.wayland, row.display), row.want);
    }
}

// The pictures are linked into the program: the tray icon and the windows'
// icons come in both sizes.
TEST(Pictures, ComeInBothSizes) {
    for (const auto* name : {u"orbek", u"nulvex"}) {
        const QIcon icon = qtrt::Picture(name);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{32, 32}, {256, 256}}));
    }
    EXPECT_TRUE(qtrt::Picture(u"missing").isNull());
}

}  // namespace

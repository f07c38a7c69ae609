// The Qt runtime's start: the platform chosen for the session, the pictures.

#include <gtest/gtest.h>

#include <QIcon>

#include "platform/qt/application.h"
#include "platform/qt/qt_runtime.h"

namespace {

TEST(PlatformFor, WaylandSessionsRunThroughXWaylandUnlessTheUserChose) {
    struct Row {
        const char* qpa;
        const char* session;
        const char* wayland;
        const char* want;
    };
    const Row rows[] = {
        {nullptr, "wayland", "wayland-0", "xcb"},
        {nullptr, "wayland", nullptr, "xcb"},
        {nullptr, nullptr, "wayland-0", "xcb"},  // a session that does not say
        {"", "wayland", "wayland-0", "xcb"},     // set, but empty
        {"wayland", "wayland", "wayland-0", ""},
        {"offscreen", "wayland", "wayland-0", ""},
        {nullptr, "x11", nullptr, ""},
        {nullptr, "tty", "", ""},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.qpa ? row.qpa : "(unset)") + " / " +
                     (row.session ? row.session : "(unset)") + " / " +
                     (row.wayland ? row.wayland : "(unset)"));
        EXPECT_EQ(qtrt::PlatformFor(row.qpa, row.session, row.wayland), row.want);
    }
}

// The pictures are linked into the program: the tray icon and the windows'
// icons come in both sizes.
TEST(Pictures, ComeInBothSizes) {
    for (const auto* name : {u"orbek", u"nulvex"}) {
        const QIcon icon = qtrt::QtRuntime::Icon(name);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{32, 32}, {256, 256}}));
    }
    EXPECT_TRUE(qtrt::QtRuntime::Icon(u"missing").isNull());
}

}  // namespace

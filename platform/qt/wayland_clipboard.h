#pragma once
// The clipboard of a Wayland session, set and read through the compositor's
// data-control protocol (ext_data_control_v1 or its wlroots forerunner),
// which serves a program without a focused window of its own. wlroots and
// KWin pass XWayland's clipboard to Wayland programs only while an X window
// has the keyboard focus, so a program on XWayland that copies from a tray
// menu needs it there. GNOME's compositor passes XWayland's clipboard both
// ways and offers no data control.

#include <QString>
#include <memory>

namespace qtrt {

class WaylandClipboard {
  public:
    virtual ~WaylandClipboard() = default;

    // The session's clipboard, when the session is Wayland's and its
    // compositor offers data control; else none.
    static std::unique_ptr<WaylandClipboard> Connect();

    virtual bool HasText() = 0;
    // Raises 521 when no text can be read from the program that holds it.
    virtual QString Text() = 0;
    // Served until another program takes the clipboard.
    virtual void SetText(const QString& text) = 0;
};

}  // namespace qtrt

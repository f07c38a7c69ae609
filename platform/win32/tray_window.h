#pragma once
// The runtime's hidden window. It owns the icons in the notification area
// and the popup menus, turns the shell's callbacks for the icons into the
// form's events, and destroys the windows of forms that went once the
// message they were handling is done.

#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime.h"
#include "routed_window.h"

namespace win32rt {

class FormWindow;

// The record the shell takes, from the core's icon record: its window is the
// runtime's, which turns the shell's callbacks into the form's events.
NOTIFYICONDATAW ShellRecord(const vb::NotifyIconData& data, HWND window);

class TrayWindow {
  public:
    using Icons = std::map<std::uint32_t, vb::NotifyIconData>;

    // `name` names the window class; `icons` are the records `rt` keeps, and
    // the shell's callbacks for them reach `rt`.
    TrayWindow(HINSTANCE instance, const std::u16string& name, vb::Runtime& rt, const Icons& icons);
    ~TrayWindow();
    TrayWindow(const TrayWindow&) = delete;
    TrayWindow& operator=(const TrayWindow&) = delete;

    HWND hwnd() const { return window_.get(); }
    // Tells the shell of `message` for `icon`; returns its success flag.
    bool Tell(std::uint32_t message, const vb::NotifyIconData& icon) const;
    // Takes the icons out of the notification area.
    void RemoveIcons() const;
    // Destroys `window` once the message being handled is done, or with
    // this window if that never comes.
    void DestroyLater(std::unique_ptr<FormWindow> window);

  private:
    friend LRESULT CALLBACK Route<TrayWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    vb::Runtime& rt_;
    const Icons& icons_;
    RoutedWindow window_;
    UINT taskbarCreated_ = 0;
    // The windows of forms that went, each named by a message posted to this
    // window that destroys it.
    std::vector<std::unique_ptr<FormWindow>> pending_;
};

}  // namespace win32rt

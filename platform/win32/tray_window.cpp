#include "tray_window.h"

#include <algorithm>
#include <cstring>

#include "form_window.h"
#include "wide.h"

namespace win32rt {

namespace {

// A private message: a form window whose form has gone may be destroyed now.
constexpr UINT kDestroyWindow = WM_APP + 1;

}  // namespace

NOTIFYICONDATAW ShellRecord(const vb::NotifyIconData& data, HWND window) {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = data.uID;
    record.uFlags = data.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.uCallbackMessage = data.uCallbackMessage;
    record.hIcon = reinterpret_cast<HICON>(data.hIcon);
    const std::u16string tip = data.Tip();
    std::memcpy(record.szTip, tip.data(),
                std::min(tip.size(), std::size(record.szTip) - 1) * sizeof(wchar_t));
    return record;
}

TrayWindow::TrayWindow(HINSTANCE instance, const std::u16string& name, vb::Runtime& rt,
                       const Icons& icons)
    : rt_(rt), icons_(icons) {
    const std::u16string className = name + u".Runtime";
    WNDCLASSEXW trayClass{};
    trayClass.cbSize = sizeof trayClass;
    trayClass.lpfnWndProc = Route<TrayWindow>;
    trayClass.hInstance = instance;
    trayClass.lpszClassName = Wide(className);
    RegisterClassExW(&trayClass);
    // A hidden top-level window rather than a message-only one: only those
    // hear that the taskbar has been created again.
    CreateWindowExW(WS_EX_TOOLWINDOW, Wide(className), Wide(name), WS_POPUP, 0, 0, 0, 0, nullptr,
                    nullptr, instance, this);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
}

// The windows of forms that went first, then this one.
TrayWindow::~TrayWindow() = default;

bool TrayWindow::Tell(std::uint32_t message, const vb::NotifyIconData& icon) const {
    NOTIFYICONDATAW record = ShellRecord(icon, hwnd());
    return Shell_NotifyIconW(message, &record);
}

void TrayWindow::RemoveIcons() const {
    for (const auto& [id, data] : icons_) Tell(NIM_DELETE, data);
}

void TrayWindow::DestroyLater(std::unique_ptr<FormWindow> window) {
    const auto name = reinterpret_cast<LPARAM>(window.get());
    pending_.push_back(std::move(window));
    PostMessageW(hwnd(), kDestroyWindow, 0, name);
}

LRESULT TrayWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDestroyWindow) {
        // Out of the list before it goes: nothing is destroyed twice.
        const auto named = std::find_if(pending_.begin(), pending_.end(), [lParam](const auto& w) {
            return reinterpret_cast<LPARAM>(w.get()) == lParam;
        });
        if (named != pending_.end()) {
            const std::unique_ptr<FormWindow> window = std::move(*named);
            pending_.erase(named);
        }
        return 0;
    }
    if (message == taskbarCreated_ && message != 0) {
        // Explorer started again: the icons have to be added anew.
        for (const auto& [id, data] : icons_) Tell(NIM_ADD, data);
        return 0;
    }
    // The shell's callback for an icon: wParam is its ID, lParam the mouse
    // message. The form hears of it as the original runtime told it: as a
    // mouse move over its window.
    const auto icon = icons_.find(static_cast<std::uint32_t>(wParam));
    if (icon != icons_.end() && icon->second.uFlags & NIF_MESSAGE &&
        message == icon->second.uCallbackMessage && HIWORD(lParam) == 0) {
        const vb::NotifyIconData data = icon->second;
        rt_.NotifyIcon(data, LOWORD(lParam));
        return 0;
    }
    return DefWindowProcW(hwnd(), message, wParam, lParam);
}

}  // namespace win32rt

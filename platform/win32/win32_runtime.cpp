#include "win32_runtime.h"

#include <commctrl.h>

#include "form_window.h"
#include "input_box.h"
#include "registry_settings.h"

namespace win32rt {

Win32Runtime::Win32Runtime(HINSTANCE instance, std::u16string name)
    : vb::Runtime(
          [](std::u16string_view app) { return std::make_unique<RegistrySettingsBackend>(app); }),
      instance_(instance),
      name_(std::move(name)),
      gdi_(instance_),
      tray_(instance_, name_, *this, Icons()),
      clipboard_(instance_, tray_.hwnd()) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    FormWindow::Register(instance_);
}

Win32Runtime::~Win32Runtime() {
    tray_.RemoveIcons();
    windows_.clear();
}

bool Win32Runtime::AppPrevInstance() {
    // One copy a session: the mutex lives as long as a copy holding it, and
    // goes with it however it ends.
    if (instanceMutex_) return false;
    const std::u16string mutexName = u"Local\\" + name_ + u".Instance";
    OwnedHandle mutex(CreateMutexW(nullptr, FALSE, Wide(mutexName)));
    // A copy running with other rights holds it where this one may not look.
    if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) return true;
    if (!mutex) vb::Raise(vb::kFileAccess);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return true;
    instanceMutex_ = std::move(mutex);
    return false;
}

float Win32Runtime::ScreenTwipsPerPixelX() {
    // The screen's real resolution (the program is DPI aware): 15 at 96 dpi.
    return 1440.0f / static_cast<float>(ScreenDpi());
}

std::int32_t Win32Runtime::MsgBox(std::u16string_view prompt, std::int32_t flags,
                                  std::u16string_view title) {
    // The flags and results are the API's own numbers. The box is modal to
    // the program's active window, if it has one.
    const int result = MessageBoxW(GetActiveWindow(), Wide(std::u16string(prompt)),
                                   Wide(std::u16string(title)), static_cast<UINT>(flags));
    WaitingForInput();
    if (result == 0) vb::Raise(vb::kOutOfMemory);
    return result;
}

std::u16string Win32Runtime::InputBox(std::u16string_view prompt, std::u16string_view title) {
    std::u16string text =
        ShowInputBox(instance_, GetActiveWindow(), prompt, title, gdi_.Font(vb::Font{}));
    WaitingForInput();
    return text;
}

bool Win32Runtime::ClipboardGetFormat(std::int16_t format) {
    return format == vb::kClipboardText && clipboard_.HasText();
}

std::u16string Win32Runtime::ClipboardGetText() { return clipboard_.Text(); }

void Win32Runtime::ClipboardSetText(std::u16string_view text) { clipboard_.SetText(text); }

bool Win32Runtime::ShellIcon(std::uint32_t message, const vb::NotifyIconData& icon) {
    return tray_.Tell(message, icon);
}

vb::Handle Win32Runtime::PictureHandle(const vb::Image& image) {
    HICON icon = gdi_.Icon(image.picture, GetSystemMetrics(SM_CXSMICON));
    if (icon == nullptr) vb::Raise(vb::kInvalidCall);
    return reinterpret_cast<vb::Handle>(icon);
}

vb::MenuItem* Win32Runtime::ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) {
    vb::MenuItem* item = menus_.Show(menu, at, tray_.hwnd());
    WaitingForInput();
    return item;
}

void Win32Runtime::Exit() {
    tray_.RemoveIcons();
    ExitProcess(0);
}

}  // namespace win32rt

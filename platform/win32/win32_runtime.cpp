#include "win32_runtime.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "form_window.h"
#include "input_box.h"
#include "platform/conv.h"
#include "registry_settings.h"

namespace win32rt {

namespace {

// A private message: a form window whose form has gone may be destroyed now.
constexpr UINT kDestroyWindow = WM_APP + 1;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void AppendItems(HMENU menu, const vb::MenuItem& parent, std::vector<vb::MenuItem*>& items) {
    for (const auto& child : parent.Children()) {
        // A hidden item has no place in a Win32 menu.
        if (!child->Visible()) continue;
        if (child->IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!child->Children().empty()) {
            HMENU sub = CreatePopupMenu();
            AppendItems(sub, *child, items);
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), Wide(child->Caption()));
        } else {
            items.push_back(child.get());
            AppendMenuW(menu, MF_STRING, items.size(), Wide(child->Caption()));
        }
    }
}

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

HMENU BuildMenu(const vb::MenuItem& menu, std::vector<vb::MenuItem*>& items) {
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) vb::Raise(vb::kOutOfMemory);
    items.clear();
    AppendItems(popup, menu, items);
    return popup;
}

Win32Runtime::Win32Runtime(HINSTANCE instance, std::u16string name)
    : vb::Runtime(
          [](std::u16string_view app) { return std::make_unique<RegistrySettingsBackend>(app); }),
      instance_(instance),
      name_(std::move(name)) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const std::u16string className = name_ + u".Runtime";
    WNDCLASSEXW trayClass{};
    trayClass.cbSize = sizeof trayClass;
    trayClass.lpfnWndProc = TrayProc;
    trayClass.hInstance = instance_;
    trayClass.lpszClassName = Wide(className);
    RegisterClassExW(&trayClass);
    // A hidden top-level window rather than a message-only one: only those
    // hear that the taskbar has been created again.
    tray_ = CreateWindowExW(WS_EX_TOOLWINDOW, Wide(className), Wide(name_), WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, instance_, this);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    FormWindow::Register(instance_);
}

void Win32Runtime::RemoveIcons() {
    for (const auto& [id, data] : Icons()) {
        NOTIFYICONDATAW record = ShellRecord(data, tray_);
        Shell_NotifyIconW(NIM_DELETE, &record);
    }
}

Win32Runtime::~Win32Runtime() {
    RemoveIcons();
    windows_.clear();
    // Form windows whose forms went, still waiting to be destroyed.
    MSG pending;
    while (tray_ && PeekMessageW(&pending, tray_, kDestroyWindow, kDestroyWindow, PM_REMOVE)) {
        delete reinterpret_cast<FormWindow*>(pending.lParam);
    }
    if (tray_) DestroyWindow(tray_);
    for (const auto& [key, icon] : pictures_) DestroyIcon(icon);
    for (const auto& [key, font] : fonts_) DeleteObject(font);
    for (const auto& [menu, built] : menus_) DestroyMenu(built.handle);
    if (instanceMutex_) CloseHandle(instanceMutex_);
}

bool Win32Runtime::AppPrevInstance() {
    // One copy a session: the mutex lives as long as a copy holding it, and
    // goes with it however it ends.
    if (instanceMutex_) return false;
    const std::u16string mutexName = u"Local\\" + name_ + u".Instance";
    HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide(mutexName));
    // A copy running with other rights holds it where this one may not look.
    if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED) return true;
    if (mutex == nullptr) vb::Raise(vb::kFileAccess);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    instanceMutex_ = mutex;
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
        ShowInputBox(instance_, GetActiveWindow(), prompt, title, FontFor(vb::Font{}));
    WaitingForInput();
    return text;
}

void Win32Runtime::OpenClipboardOrRaise() {
    // Another program may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (OpenClipboard(tray_)) return;
        Sleep(20);
    }
    vb::Raise(vb::kClipboardBusy);
}

bool Win32Runtime::ClipboardGetFormat(std::int16_t format) {
    return format == vb::kClipboardText && IsClipboardFormatAvailable(CF_UNICODETEXT);
}

std::u16string Win32Runtime::ClipboardGetText() {
    OpenClipboardOrRaise();
    std::u16string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Up to the terminating NUL, and never past the block.
            const std::size_t room = GlobalSize(data) / sizeof(wchar_t);
            text = FromWide(chars, std::find(chars, chars + room, L'\0') - chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void Win32Runtime::ClipboardSetText(std::u16string_view text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (block == nullptr) vb::Raise(vb::kOutOfMemory);
    auto* chars = static_cast<char16_t*>(GlobalLock(block));
    if (chars == nullptr) {
        GlobalFree(block);
        vb::Raise(vb::kOutOfMemory);
    }
    std::copy(text.begin(), text.end(), chars);
    chars[text.size()] = u'\0';
    GlobalUnlock(block);
    try {
        OpenClipboardOrRaise();
    } catch (const vb::Error&) {
        GlobalFree(block);
        throw;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!set) {
        GlobalFree(block);
        vb::Raise(vb::kClipboardBusy);
    }
}

bool Win32Runtime::ShellIcon(std::uint32_t message, const vb::NotifyIconData& icon) {
    NOTIFYICONDATAW record = ShellRecord(icon, tray_);
    return Shell_NotifyIconW(message, &record);
}

LRESULT CALLBACK Win32Runtime::TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* rt = reinterpret_cast<Win32Runtime*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (rt == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == kDestroyWindow) {
        delete reinterpret_cast<FormWindow*>(lParam);
        return 0;
    }
    if (message == rt->taskbarCreated_ && message != 0) {
        // Explorer started again: the icons have to be added anew.
        for (const auto& [id, data] : rt->Icons()) {
            NOTIFYICONDATAW record = ShellRecord(data, window);
            Shell_NotifyIconW(NIM_ADD, &record);
        }
        return 0;
    }
    // The shell's callback for an icon: wParam is its ID, lParam the mouse
    // message. The form hears of it as the original runtime told it: as a
    // mouse move over its window.
    const auto icon = rt->Icons().find(static_cast<std::uint32_t>(wParam));
    if (icon != rt->Icons().end() && icon->second.uFlags & NIF_MESSAGE &&
        message == icon->second.uCallbackMessage && HIWORD(lParam) == 0) {
        const vb::NotifyIconData data = icon->second;
        rt->NotifyIcon(data, LOWORD(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Runtime::SetForegroundWindow(vb::Handle window) {
    // The tray form's window is the runtime's: a popup menu it owns then
    // closes when the user clicks elsewhere.
    FormWindow* seen = nullptr;
    if (const vb::Form* form = FindForm(window)) seen = WindowOf(*form);
    ::SetForegroundWindow(seen ? seen->hwnd() : tray_);
}

void Win32Runtime::CopySelection(const vb::TextBox& box) {
    // An edit control holding the text box's text and selection copies it.
    if (copier_ == nullptr) {
        copier_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOHSCROLL, 0, 0,
                                  0, 0, tray_, nullptr, instance_, nullptr);
        if (copier_ == nullptr) vb::Raise(vb::kOutOfMemory);
        ::SendMessageW(copier_, EM_SETLIMITTEXT, 0, 0);
    }
    SetWindowTextW(copier_, Wide(box.Text()));
    ::SendMessageW(copier_, EM_SETSEL, box.SelStart(), box.SelStart() + box.SelLength());
    DWORD from = 0, to = 0;
    ::SendMessageW(copier_, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                   reinterpret_cast<LPARAM>(&to));
    // The control copies nothing from an empty selection, and says nothing
    // when another program holds the clipboard: it is tried again then.
    bool copied = from == to;
    for (int attempt = 0; attempt < 5 && !copied; ++attempt) {
        const DWORD before = GetClipboardSequenceNumber();
        ::SendMessageW(copier_, WM_COPY, 0, 0);
        copied = GetClipboardSequenceNumber() != before;
        if (!copied) Sleep(20);
    }
    SetWindowTextW(copier_, L"");
    if (!copied) vb::Raise(vb::kClipboardBusy);
}

HICON Win32Runtime::Icon(const std::u16string& picture, int size) {
    HICON& icon = pictures_[{picture, size}];
    if (icon == nullptr) {
        icon = static_cast<HICON>(
            LoadImageW(instance_, Wide(picture), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    return icon;
}

vb::Handle Win32Runtime::PictureHandle(const vb::Image& image) {
    HICON icon = Icon(image.picture, GetSystemMetrics(SM_CXSMICON));
    if (icon == nullptr) vb::Raise(vb::kInvalidCall);
    return reinterpret_cast<vb::Handle>(icon);
}

HFONT Win32Runtime::FontFor(const vb::Font& font) {
    HFONT& made = fonts_[font.name + u"/" + vb::Str(static_cast<std::int32_t>(font.size * 10)) +
                         u"/" + vb::Str(font.weight)];
    if (made == nullptr) {
        LOGFONTW wanted{};
        wanted.lfHeight = -static_cast<LONG>(std::lround(font.size * ScreenDpi() / 72.0f));
        wanted.lfWeight = font.weight;
        wanted.lfCharSet = static_cast<BYTE>(font.charset);
        wanted.lfQuality = DEFAULT_QUALITY;
        const std::size_t length = std::min(font.name.size(), std::size(wanted.lfFaceName) - 1);
        std::copy_n(font.name.begin(), length, wanted.lfFaceName);
        made = CreateFontIndirectW(&wanted);
    }
    return made;
}

void Win32Runtime::Deliver(MSG& msg) {
    // Tab, the access keys, Enter and Esc in a form window.
    FormWindow* target = nullptr;
    for (const auto& [form, window] : windows_) {
        if (window->Holds(msg.hwnd)) target = window.get();
    }
    if (target && target->TranslateKeys(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32Runtime::Loop(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        WaitingForInput();
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(0);
            return;
        }
        Deliver(msg);
    }
}

void Win32Runtime::Run() {
    Loop([] { return false; });
    Win32Runtime::End();
}

void Win32Runtime::DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(0);
            return;
        }
        Deliver(msg);
    }
}

void Win32Runtime::DropMenu(const vb::MenuItem& item) {
    const vb::MenuItem* menu = &item;
    while (menu->Parent()) menu = menu->Parent();
    ++menuChanges_[menu];
    const auto built = menus_.find(menu);
    if (built == menus_.end()) return;
    DestroyMenu(built->second.handle);
    menus_.erase(built);
}

vb::MenuItem* Win32Runtime::ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) {
    // The menu is taken out of the cache while it is shown: were it changed
    // meanwhile, it would be destroyed under the system's feet.
    BuiltMenu built;
    if (const auto cached = menus_.find(&menu); cached != menus_.end()) {
        built = std::move(cached->second);
        menus_.erase(cached);
    } else {
        built.handle = BuildMenu(menu, built.items);
        built.generation = menuChanges_[&menu];
    }
    POINT point{};
    if (at) {
        point = {at->x, at->y};
    } else {
        GetCursorPos(&point);
    }
    HWND owner = GetForegroundWindow();
    if (owner == nullptr || GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()) {
        owner = tray_;
    }
    // Away from the nearer edges of the screen, as the system turns a menu
    // that would not fit: one opened at the notification area stands above
    // the icon and leaves it free to be pressed again.
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &screen);
    UINT align = 0;
    if (point.y > (screen.rcMonitor.top + screen.rcMonitor.bottom) / 2) align |= TPM_BOTTOMALIGN;
    if (point.x > (screen.rcMonitor.left + screen.rcMonitor.right) / 2) align |= TPM_RIGHTALIGN;
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
        built.handle, TPM_RETURNCMD | TPM_NONOTIFY | align, point.x, point.y, owner, nullptr));
    // So that the menu closes properly when the user clicks outside it.
    PostMessageW(owner, WM_NULL, 0, 0);
    WaitingForInput();
    vb::MenuItem* item =
        chosen > 0 && chosen <= built.items.size() ? built.items[chosen - 1] : nullptr;
    if (built.generation == menuChanges_[&menu]) {
        menus_[&menu] = std::move(built);
    } else {
        DestroyMenu(built.handle);
    }
    return item;
}

void Win32Runtime::Exit() {
    RemoveIcons();
    ExitProcess(0);
}

FormWindow* Win32Runtime::WindowOf(const vb::Form& form) const {
    const auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second.get();
}

void Win32Runtime::Measured(vb::Form& form, const FormWindow& window) {
    const FormWindow::Geometry g = window.Measure();
    SetGeometry(form, g.left, g.top, g.width, g.height, g.scaleWidth, g.scaleHeight);
}

bool Win32Runtime::SetWindow(vb::Form& form, vb::FormProperty property, float value) {
    FormWindow* window = WindowOf(form);
    if (window == nullptr) return false;
    window->Set(property, value);
    Measured(form, *window);
    return true;
}

void Win32Runtime::FormShow(vb::Form& form, std::int16_t modal) {
    if (form.NeverSeen) return;
    FormWindow* window = WindowOf(form);
    if (window == nullptr) {
        auto made = std::make_unique<FormWindow>(*this, form);
        window = made.get();
        windows_[&form] = std::move(made);
        Measured(form, *window);
    }
    window->Show();
    if (modal) {
        // Until the form is hidden or unloaded.
        Loop([this, &form] {
            const FormWindow* shown = WindowOf(form);
            return shown == nullptr || !shown->Visible();
        });
    }
}

void Win32Runtime::FormHide(vb::Form& form) {
    if (FormWindow* window = WindowOf(form)) window->Hide();
}

void Win32Runtime::FormUnloaded(vb::Form& form) {
    const auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    // The window may be handling the message that unloads its form: it is
    // hidden now and destroyed once that message is done.
    FormWindow* window = it->second.release();
    windows_.erase(it);
    window->Detach();
    window->Hide();
    PostMessageW(tray_, kDestroyWindow, 0, reinterpret_cast<LPARAM>(window));
}

void Win32Runtime::FormPrinted(vb::Form& form) {
    // Painted at once: what a load handler prints is seen before it goes on.
    if (FormWindow* window = WindowOf(form)) window->Repaint();
}

float Win32Runtime::TextHeight(const vb::Form& form) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, FontFor(form.font));
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return static_cast<float>(metrics.tmHeight) * ScreenTwipsPerPixelX();
}

void Win32Runtime::ControlSet(vb::Control& control, vb::ControlProperty property,
                              std::int32_t index) {
    if (FormWindow* window = WindowOf(control.Parent())) window->Render(control, property, index);
}

}  // namespace win32rt

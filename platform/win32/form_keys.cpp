// A form window's keyboard: Tab, the labels' access keys, Enter and Esc,
// which a window that is no dialog does not have by itself.

#include "form_window.h"

namespace win32rt {

bool FormWindow::TranslateKeys(MSG& msg) {
    if (!Visible()) return false;
    // Esc presses the cancel button and Tab moves on wherever the focus is:
    // a multi-line text box would take both for itself.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        if (vb::Control* button = form_.CancelButton()) {
            rt_.Dispatch(button->Click);
            return true;
        }
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        SendMessageW(hwnd(), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, 0);
        return true;
    }
    if (msg.message == WM_SYSCHAR ||
        (msg.message == WM_CHAR &&
         !(SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS))) {
        if (HWND next = LabelTarget(static_cast<wchar_t>(msg.wParam))) {
            SetFocus(next);
            return true;
        }
    }
    // Nothing of this object is touched once the message is handled: the
    // handler may have unloaded the form.
    return IsDialogMessageW(hwnd(), &msg) != FALSE;
}

HWND FormWindow::LabelTarget(wchar_t key) const {
    // A label has no window of its own, so the system knows nothing of it.
    const auto upper = [](wchar_t c) {
        return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
            CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
    };
    for (const vb::Control* control : form_.Controls()) {
        if (control->Kind() != vb::ControlKind::kLabel) continue;
        const char16_t access = vb::Form::AccessKey(control->Caption);
        if (access == 0 || upper(static_cast<wchar_t>(access)) != upper(key)) continue;
        const vb::Control* target = form_.LabelTarget(*control);
        return target ? ChildOf(*target) : nullptr;
    }
    return nullptr;
}

}  // namespace win32rt

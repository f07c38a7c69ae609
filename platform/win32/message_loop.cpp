// The message loop: the program's, a modal form's wait, and DoEvents.

#include "form_window.h"
#include "win32_runtime.h"

namespace win32rt {

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

}  // namespace win32rt

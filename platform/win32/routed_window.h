#pragma once
// Windows whose messages go to the object each was made for.

#include <windows.h>

#include "owned.h"

namespace win32rt {

// Destroys a window routed to an object without that object hearing of it:
// the object is going.
inline void DestroyUnrouted(HWND window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

// A routed window, owned by its object and destroyed with it.
using RoutedWindow = Owned<HWND, DestroyUnrouted>;

// The window procedure of the windows made with an `Owner` as their creation
// parameter. From the first message on, the owner holds its window in its
// RoutedWindow `window_` and answers each message in Handle; a window the
// system destroys by itself is let go of at its last message.
template <class Owner>
LRESULT CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner =
            static_cast<Owner*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        owner->window_.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = owner->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        owner->window_.release();
    }
    return result;
}

}  // namespace win32rt

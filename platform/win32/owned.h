#pragma once
// The system's handles, each freed once by its owner: whatever path leaves
// the scope, an error raised included.

#include <windows.h>

#include <utility>

namespace win32rt {

// Owns a handle that `Free` frees; null is no handle. Moves, never copies.
template <class Handle, auto Free>
class Owned {
  public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // For a call that hands a new handle back through a pointer.
    Handle* out() {
        reset();
        return &handle_;
    }
    // No longer owned: whoever takes it frees it.
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset(Handle handle = nullptr) {
        if (Handle old = std::exchange(handle_, handle)) Free(old);
    }

  private:
    Handle handle_ = nullptr;
};

using OwnedIcon = Owned<HICON, DestroyIcon>;
using OwnedFont = Owned<HFONT, DeleteObject>;
using OwnedMenu = Owned<HMENU, DestroyMenu>;
using OwnedKey = Owned<HKEY, RegCloseKey>;
// A kernel object: a mutex, a process's token.
using OwnedHandle = Owned<HANDLE, CloseHandle>;
// Memory the system allocated for what it handed back: texts, security descriptors.
using OwnedLocal = Owned<HLOCAL, LocalFree>;
using OwnedGlobal = Owned<HGLOBAL, GlobalFree>;

inline void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
// The screen's device context, as GetDC(nullptr) gives it.
using ScreenDc = Owned<HDC, ReleaseScreenDc>;

}  // namespace win32rt

#pragma once
// The named mutex under which the programs of one user take turns at a store.

#include <windows.h>

#include <string>
#include <string_view>

#include "owned.h"

namespace win32rt {

// The mutex of an application's store: one for all the user's sessions, as
// the registry is the user's (two at once, at the console and remotely,
// write it too), which every program of the user may take.
struct StoreMutex {
    static StoreMutex For(std::u16string_view app);

    std::u16string name;
    std::u16string access;  // its security descriptor, as text; empty for the default
};

// Held while it lives. A holder that died leaves the mutex abandoned, and the
// next one finishes what it left. Raises 75 naming the key at `path` when the
// mutex cannot be had in time.
class StoreLock {
  public:
    StoreLock(const StoreMutex& mutex, const std::u16string& path);
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    ~StoreLock();

  private:
    OwnedHandle mutex_;
};

}  // namespace win32rt

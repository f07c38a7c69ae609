#pragma once
// One running copy a session: the running copy holds a lock that the kernel
// drops when it ends, however it ends, so nothing left behind keeps a new one
// out. Going, the lock is released: the next holder in this process is not
// another copy of the program.

#include <string>

#include "file_descriptor.h"

namespace posix {

class InstanceLock {
  public:
    // Takes the lock on the file at `path`, made if missing; false when
    // another process holds it. Raises 75 when the file cannot be made or
    // locked.
    bool Take(const std::string& path);
    bool Held() const { return static_cast<bool>(file_); }
    void Release() { file_.Close(); }

  private:
    FileDescriptor file_;
};

}  // namespace posix

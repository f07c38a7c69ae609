#pragma once
// Writers of the file at `store` take turns on a lock that the kernel holds
// for them and drops when they end, however they end: a writer killed halfway
// keeps no one out. The lock file is removed on release; a writer that then
// holds a removed file takes the lock again on the file now named so.

#include <chrono>
#include <string>

#include "file_descriptor.h"

namespace posix {

class WriterLock {
  public:
    explicit WriterLock(const std::string& store) : store_(store), path_(store + ".lock") {}
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Waits for the other writers until the deadline; raises 75 when the file
    // cannot be made or the others keep it longer.
    void Take(std::chrono::steady_clock::time_point deadline);

  private:
    [[noreturn]] void Failed(const std::u16string& description);

    std::string store_;
    std::string path_;
    FileDescriptor file_;
};

}  // namespace posix

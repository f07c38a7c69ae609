#pragma once
// The next contents of a file, named only once they are whole: where the
// kernel can make a file without a name a writer killed halfway leaves
// nothing behind; elsewhere a file "<name>.XXXXXX".

#include <string>
#include <string_view>

#include "file_descriptor.h"

namespace posix {

class NewFile {
  public:
    // Raises `failure` with the reason when it cannot be made.
    NewFile(const std::string& target, const std::u16string& failure);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    void Write(std::string_view bytes);
    // Puts the file in the target's place, in one rename.
    void Commit();

  private:
    // A rename needs a name to rename: the unnamed file gets one.
    void Name();
    [[noreturn]] void Failed();

    std::string target_;
    std::u16string failure_;
    FileDescriptor file_;
    std::string named_;  // empty while the file has no name, or once renamed
};

}  // namespace posix

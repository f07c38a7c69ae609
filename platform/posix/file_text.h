#pragma once
// File names and system messages in the programs' error descriptions.

#include <string>
#include <string_view>

namespace posix {

// A file name or message as text: UTF-8, with what is not shown as U+FFFD.
std::u16string Shown(std::string_view bytes);
// The system's description of an errno.
std::u16string SystemMessage(int error);

}  // namespace posix

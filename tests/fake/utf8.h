#pragma once
// UTF-8 views of core text, for readable logs and test messages.

#include <string>
#include <string_view>

namespace fake {

// Invalid UTF-8 becomes U+FFFD; lone surrogates are written as U+FFFD.
std::u16string FromUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);

}  // namespace fake

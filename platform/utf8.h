#pragma once
// UTF-8, the encoding of the store file and of readable logs.

#include <optional>
#include <string>
#include <string_view>

namespace vb {

// Strict: null on any invalid sequence, overlong form or encoded surrogate.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);
// Lone surrogates become U+FFFD.
std::string EncodeUtf8(std::u16string_view text);
void AppendUtf8(char32_t codePoint, std::string& out);

}  // namespace vb

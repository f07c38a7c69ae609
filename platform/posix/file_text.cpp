#include "file_text.h"

#include <cstring>

#include "platform/utf8.h"

namespace posix {

std::u16string Shown(std::string_view bytes) {
    if (auto text = vb::DecodeUtf8(bytes)) return *std::move(text);
    std::u16string text;
    for (const unsigned char c : bytes) text += c < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD';
    return text;
}

std::u16string SystemMessage(int error) { return Shown(std::strerror(error)); }

}  // namespace posix

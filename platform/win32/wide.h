#pragma once
// The core's texts as the API's wide strings: both are UTF-16.

#include <cstddef>
#include <string>

namespace win32rt {

inline const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace win32rt

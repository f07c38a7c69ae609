#pragma once
// The runtime's standard dialogs: the message box and the input box.

#include <cstdint>
#include <string>
#include <string_view>

namespace qtrt {

// Shows `prompt` with the buttons and icon `flags` name; returns the button pressed.
std::int32_t MessageBox(std::u16string_view prompt, std::int32_t flags, std::u16string_view title);
// Asks for a line of text; empty when cancelled.
std::u16string InputBox(std::u16string_view prompt, std::u16string_view title);

}  // namespace qtrt

#pragma once
// The input box: a prompt, a line to type into, OK and キャンセル.

#include <windows.h>

#include <string>
#include <string_view>

namespace win32rt {

// The text typed, or the empty text when the user cancels. Modal to `owner`.
std::u16string ShowInputBox(HINSTANCE instance, HWND owner, std::u16string_view prompt,
                            std::u16string_view title, HFONT font);

}  // namespace win32rt

#pragma once
// The registry's keys as the store uses them: handles closed by their owner,
// texts read and written whole, and every failure raised as error 75 naming
// the key.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "owned.h"

namespace win32rt {

// Registry names compare as the registry does: ordinal, ignoring case.
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};
// A key's texts by value name.
using Values = std::map<std::u16string, std::u16string, NoCaseLess>;

// What a failure says of the key it names.
constexpr std::u16string_view kCannotRead = u" を読めません";
constexpr std::u16string_view kCannotWrite = u" に書き込めません";

// Raises 75 for the key at `path` under HKEY_CURRENT_USER.
[[noreturn]] void Fail(const std::u16string& path, std::u16string_view what, LSTATUS status);
void Check(LSTATUS status, const std::u16string& path, std::u16string_view what);

// The names of the subkeys of `key`, which is at `path`.
std::vector<std::u16string> SubkeyNames(HKEY key, const std::u16string& path);
bool Exists(HKEY parent, const std::u16string& name);
// The text values of a key. REG_SZ data is taken as counted, less one
// terminating NUL; values of other types are not texts and are left out.
Values ReadValues(HKEY key, const std::u16string& path);
void WriteText(HKEY key, const std::u16string& name, const std::u16string& text,
               const std::u16string& path);
// Deletes the subkey `name` of `parent` and all below it; one already gone is no failure.
void DeleteTree(HKEY parent, const std::u16string& name, const std::u16string& path);
void Rename(HKEY parent, const std::u16string& from, const std::u16string& to,
            const std::u16string& path);

// A file time, in the registry's 100 ns units.
inline std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace win32rt

#pragma once
// The sections of an application's key, and the side keys a commit swaps a
// section in through: "<section>~new" while it is built, "<section>~old"
// once the one it replaces is set aside. Keys so named are never sections.

#include <windows.h>

#include <map>
#include <string>
#include <string_view>

#include "registry_key.h"

namespace win32rt {

// Each section's texts by section name.
using Sections = std::map<std::u16string, Values, NoCaseLess>;

constexpr std::u16string_view kNew = u"~new";
constexpr std::u16string_view kOld = u"~old";

// Every section of the application's key `app`, at `path`.
Sections ReadSections(HKEY app, const std::u16string& path);

// Finishes or drops what a commit that died left in `app`.
void Recover(HKEY app, const std::u16string& path);

}  // namespace win32rt

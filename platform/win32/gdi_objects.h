#pragma once
// The icons and fonts the program's windows draw with.

#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "owned.h"
#include "platform/form.h"

namespace win32rt {

// The screen's resolution, in dots per inch.
int ScreenDpi();

// Each made once, kept until the runtime goes.
class GdiObjects {
  public:
    explicit GdiObjects(HINSTANCE instance) : instance_(instance) {}

    // The program's picture of that resource name at `size` pixels square;
    // null where there is none.
    HICON Icon(const std::u16string& picture, int size);
    HFONT Font(const vb::Font& font);

  private:
    HINSTANCE instance_;
    std::map<std::pair<std::u16string, int>, OwnedIcon> icons_;
    std::map<std::u16string, OwnedFont> fonts_;
};

}  // namespace win32rt

#pragma once
// The system's popup menus for the core's menus.

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "owned.h"
#include "platform/menu.h"
#include "platform/runtime.h"

namespace win32rt {

// A popup menu of `menu`'s visible children; `items` receives the item of each
// command identifier, which is its position there plus one.
OwnedMenu BuildMenu(const vb::MenuItem& menu, std::vector<vb::MenuItem*>& items);

class PopupMenus {
  public:
    // Shows `menu`'s children at `at`, or at the pointer, owned by this
    // program's foreground window or else by `owner`; returns the item
    // chosen, if any, once the menu has closed.
    vb::MenuItem* Show(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at, HWND owner);
    // `item` or another item of its menu changed.
    void Drop(const vb::MenuItem& item);

  private:
    // A system menu is slow to build item by item (quadratic under Wine): a
    // menu's is kept until one of its items, or of its submenus', changes.
    struct Built {
        OwnedMenu handle;
        std::vector<vb::MenuItem*> items;
        std::uint64_t generation = 0;  // of its menu's changes, when built
    };

    std::map<const vb::MenuItem*, Built> built_;
    // The changes of each menu shown so far.
    std::map<const vb::MenuItem*, std::uint64_t> changes_;
};

}  // namespace win32rt

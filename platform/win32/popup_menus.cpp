#include "popup_menus.h"

#include "wide.h"

namespace win32rt {

namespace {

void AppendItems(HMENU menu, const vb::MenuItem& parent, std::vector<vb::MenuItem*>& items) {
    for (const auto& child : parent.Children()) {
        // A hidden item has no place in a Win32 menu.
        if (!child->Visible()) continue;
        if (child->IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!child->Children().empty()) {
            OwnedMenu sub(CreatePopupMenu());
            AppendItems(sub.get(), *child, items);
            // Once in its menu, the submenu goes with it.
            if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub.get()),
                            Wide(child->Caption()))) {
                sub.release();
            }
        } else {
            items.push_back(child.get());
            AppendMenuW(menu, MF_STRING, items.size(), Wide(child->Caption()));
        }
    }
}

}  // namespace

OwnedMenu BuildMenu(const vb::MenuItem& menu, std::vector<vb::MenuItem*>& items) {
    OwnedMenu popup(CreatePopupMenu());
    if (!popup) vb::Raise(vb::kOutOfMemory);
    items.clear();
    AppendItems(popup.get(), menu, items);
    return popup;
}

void PopupMenus::Drop(const vb::MenuItem& item) {
    // Every menu that holds the item, up to its top-level menu, may have been
    // shown by itself; so may the item, were it a menu that goes.
    for (const vb::MenuItem* menu = &item; menu; menu = menu->Parent()) {
        if (const auto shown = changes_.find(menu); shown != changes_.end()) ++shown->second;
        built_.erase(menu);
    }
}

vb::MenuItem* PopupMenus::Show(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at, HWND owner) {
    // The menu is taken out of the cache while it is shown: were it changed
    // meanwhile, it would be destroyed under the system's feet.
    Built built;
    if (const auto cached = built_.find(&menu); cached != built_.end()) {
        built = std::move(cached->second);
        built_.erase(cached);
    } else {
        built.handle = BuildMenu(menu, built.items);
        built.generation = changes_[&menu];
    }
    POINT point{};
    if (at) {
        point = {at->x, at->y};
    } else {
        GetCursorPos(&point);
    }
    if (HWND foreground = GetForegroundWindow();
        foreground && GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId()) {
        owner = foreground;
    }
    // Away from the nearer edges of the screen, as the system turns a menu
    // that would not fit: one opened at the notification area stands above
    // the icon and leaves it free to be pressed again.
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &screen);
    UINT align = 0;
    if (point.y > (screen.rcMonitor.top + screen.rcMonitor.bottom) / 2) align |= TPM_BOTTOMALIGN;
    if (point.x > (screen.rcMonitor.left + screen.rcMonitor.right) / 2) align |= TPM_RIGHTALIGN;
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenuEx(built.handle.get(), TPM_RETURNCMD | TPM_NONOTIFY | align,
                                           point.x, point.y, owner, nullptr));
    // So that the menu closes properly when the user clicks outside it.
    PostMessageW(owner, WM_NULL, 0, 0);
    vb::MenuItem* item =
        chosen > 0 && chosen <= built.items.size() ? built.items[chosen - 1] : nullptr;
    // Kept for the next time unless it changed meanwhile.
    if (built.generation == changes_[&menu]) built_[&menu] = std::move(built);
    return item;
}

}  // namespace win32rt

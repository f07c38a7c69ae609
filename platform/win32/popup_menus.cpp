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
            HMENU sub = CreatePopupMenu();
            AppendItems(sub, *child, items);
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), Wide(child->Caption()));
        } else {
            items.push_back(child.get());
            AppendMenuW(menu, MF_STRING, items.size(), Wide(child->Caption()));
        }
    }
}

}  // namespace

HMENU BuildMenu(const vb::MenuItem& menu, std::vector<vb::MenuItem*>& items) {
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) vb::Raise(vb::kOutOfMemory);
    items.clear();
    AppendItems(popup, menu, items);
    return popup;
}

PopupMenus::~PopupMenus() {
    for (const auto& [menu, built] : built_) DestroyMenu(built.handle);
}

void PopupMenus::Drop(const vb::MenuItem& item) {
    const vb::MenuItem* menu = &item;
    while (menu->Parent()) menu = menu->Parent();
    ++changes_[menu];
    const auto built = built_.find(menu);
    if (built == built_.end()) return;
    DestroyMenu(built->second.handle);
    built_.erase(built);
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
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
        built.handle, TPM_RETURNCMD | TPM_NONOTIFY | align, point.x, point.y, owner, nullptr));
    // So that the menu closes properly when the user clicks outside it.
    PostMessageW(owner, WM_NULL, 0, 0);
    vb::MenuItem* item =
        chosen > 0 && chosen <= built.items.size() ? built.items[chosen - 1] : nullptr;
    if (built.generation == changes_[&menu]) {
        built_[&menu] = std::move(built);
    } else {
        DestroyMenu(built.handle);
    }
    return item;
}

}  // namespace win32rt

#include "popup_menus.h"

#include <QAction>

#include "scrolling_menu.h"
#include "text.h"

namespace qtrt {

PopupMenus::PopupMenus() = default;
PopupMenus::~PopupMenus() = default;

QMenu& PopupMenus::MenuFor(vb::MenuItem& menu) {
    auto& qmenu = menus_[&menu];
    if (!qmenu) {
        qmenu = std::make_unique<ScrollingMenu>();
        for (const auto& child : menu.Children()) {
            vb::MenuItem& item = *child;
            QAction* action =
                qmenu->addAction(item.IsSeparator() ? QString() : ToQt(item.Caption()));
            action->setSeparator(item.IsSeparator());
            action->setVisible(item.Visible());
            action->setData(QVariant::fromValue(static_cast<void*>(&item)));
            actions_[&item] = action;
        }
    }
    return *qmenu;
}

vb::MenuItem* PopupMenus::Show(vb::MenuItem& menu, QPoint at) {
    QAction* chosen = MenuFor(menu).exec(at);
    return chosen ? static_cast<vb::MenuItem*>(chosen->data().value<void*>()) : nullptr;
}

// A Qt menu searches its list of actions on every insertion and removal, and
// its object tree on every removal. Rather than follow a rebuild item by item,
// a loaded or unloaded item drops its menu, which goes whole, and the menu is
// made again from the items when it is next shown.
void PopupMenus::Drop(const vb::MenuItem& menu) {
    const auto qmenu = menus_.find(&menu);
    if (qmenu == menus_.end()) return;
    for (const auto& child : menu.Children()) actions_.erase(child.get());
    menus_.erase(qmenu);  // with its actions
}

void PopupMenus::Caption(const vb::MenuItem& item, const std::u16string& caption) {
    if (const auto it = actions_.find(&item); it != actions_.end()) {
        it->second->setText(ToQt(caption));
    }
}

void PopupMenus::Visible(const vb::MenuItem& item, bool visible) {
    if (const auto it = actions_.find(&item); it != actions_.end()) it->second->setVisible(visible);
}

}  // namespace qtrt

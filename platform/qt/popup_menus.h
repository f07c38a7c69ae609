#pragma once
// The Qt menus that show the program's top-level menus as popups.

#include <QPoint>
#include <map>
#include <memory>
#include <string>

#include "platform/menu.h"

class QAction;
class QMenu;

namespace qtrt {

class PopupMenus {
  public:
    PopupMenus();
    ~PopupMenus();

    // Shows the menu's children at `at`; returns the item chosen, if any,
    // once the menu has closed.
    vb::MenuItem* Show(vb::MenuItem& menu, QPoint at);
    // Drops the Qt menu of `menu`, if made, until it is shown again.
    void Drop(const vb::MenuItem& menu);
    void Caption(const vb::MenuItem& item, const std::u16string& caption);
    void Visible(const vb::MenuItem& item, bool visible);

  private:
    // The Qt menu of a top-level menu, made on first use.
    QMenu& MenuFor(vb::MenuItem& menu);

    std::map<const vb::MenuItem*, std::unique_ptr<QMenu>> menus_;
    // The actions of the menus made, each owned by its menu.
    std::map<const vb::MenuItem*, QAction*> actions_;
};

}  // namespace qtrt

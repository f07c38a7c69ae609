#pragma once
// An icon in a tray that hosts items over D-Bus (org.kde.StatusNotifierItem),
// on a connection of its own, with its menu. Every call is answered at once:
// what a click starts runs after the reply, so a menu left open never makes
// the tray wait.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QIcon>
#include <cstdint>
#include <functional>
#include <memory>

#include "dbus_menu.h"
#include "platform/runtime.h"

namespace qtrt {

class StatusNotifierItem : public QDBusVirtualObject {
    Q_OBJECT

  public:
    static constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";

    // `pressed` gets the mouse message a click stands for and where it was.
    StatusNotifierItem(std::uint32_t id, DBusMenu::Handlers menu,
                       std::function<void(std::uint32_t message, vb::ScreenPoint at)> pressed);
    ~StatusNotifierItem() override;

    void SetIcon(const QIcon& icon);
    void SetTip(const QString& tip);
    // Whether the tray's drawing of the item's menu holds every entry of
    // both menus, and is shown for a left click too: a click then activates
    // nothing.

    void SetCombined(bool combined);
    DBusMenu& Menu() { return *menu_; }

    // Offers the item to the watcher on the session bus.
    void Register();

    // Whether a watcher is on the session bus, and whether the tray it
    // belongs to shows an item's menu for a left click (GNOME Shell's).
    static bool WatcherPresent();
    static bool WatcherShowsMenuOnLeftClick();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    void Emit(const char* signal);

    QDBusConnection bus_;
    QString service_;
    QIcon icon_;
    QString tip_;
    bool combined_ = false;
    std::function<void(std::uint32_t, vb::ScreenPoint)> pressed_;
    std::unique_ptr<DBusMenu> menu_;
};

}  // namespace qtrt

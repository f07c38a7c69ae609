#pragma once
// The icon's menu exported over D-Bus (com.canonical.dbusmenu) for a tray
// that draws it itself. The entries are read from the menu tree on every
// request, so the tray always sees the menus as they are.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include <string>
#include <vector>

#include "platform/menu.h"

namespace qtrt {

class DBusMenu : public QDBusVirtualObject {
    Q_OBJECT

  public:
    struct Handlers {
        // The entries, in order; nullptr stands for a separator of the tray's own.
        std::function<std::vector<vb::MenuItem*>()> entries;
        // The user chose an entry.
        std::function<void(const vb::MenuItem& item)> chosen;
        // The tray is about to show the menu.
        std::function<void()> aboutToShow;
    };

    static constexpr const char* kPath = "/MenuBar";

    DBusMenu(QDBusConnection bus, Handlers handlers);
    ~DBusMenu() override;

    // Entries came or went: the tray fetches the menu again.
    void LayoutChanged();
    // `item`'s caption or visibility changed: the tray is told its properties.
    void ItemChanged(const vb::MenuItem& item);
    // While disabled, every entry shows greyed out and nothing can be chosen.
    void SetEnabled(bool enabled);
    // `item` is going: an entry the tray still shows for it chooses nothing.
    void Forget(const vb::MenuItem& item);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    // A caption as the tray shows it: "_" marks the access key, "__" is "_".
    static QString Label(const std::u16string& caption);

  private:
    QVariantMap Properties(const vb::MenuItem* item, int id) const;
    int IdOf(vb::MenuItem* item);
    // Runs `action` once the reply is out, if the entry `id` still exists.
    void Later(int id, const std::function<void(const vb::MenuItem&)>& action);
    void Event(int id, const QString& eventId);
    // Tells the tray, once, of everything that changed since it was last told.
    void Announce();

    QDBusConnection bus_;
    Handlers handlers_;
    std::map<const vb::MenuItem*, int> ids_;
    std::map<int, vb::MenuItem*> items_;
    int nextId_ = 2;  // 0 is the root, 1 the tray's own separator
    std::uint32_t revision_ = 1;
    bool enabled_ = true;
    bool announcing_ = false;  // an announcement is on its way
    bool layoutChanged_ = false;
    std::set<int> itemsChanged_;
};

}  // namespace qtrt

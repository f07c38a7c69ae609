#include "tray.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QEvent>
#include <QSystemTrayIcon>
#include <cstdio>

#include "application.h"
#include "status_notifier_item.h"

#include "text.h"

namespace qtrt {

Tray::Tray(vb::Runtime& rt) : rt_(rt) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // A watcher that appears, restarts or goes takes the icons along.
    auto* watcher = new QDBusServiceWatcher(QString::fromLatin1(StatusNotifierItem::kWatcher), bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
        for (auto& [id, icon] : icons_) Host(id, icon);
    });
}

Tray::~Tray() = default;

template <class Action>
void Tray::With(std::uint32_t id, Action action) {
    const auto it = icons_.find(id);
    if (it == icons_.end()) return;
    const vb::NotifyIconData data = it->second.data;  // the handler may delete the icon
    action(data);
}

bool Tray::Add(const vb::NotifyIconData& data, const QIcon& picture) {
    Icon& icon = icons_[data.uID];
    icon.data = data;
    icon.picture = picture;
    Host(data.uID, icon);
    return !picture.isNull();  // the shell shows no icon without a picture
}

bool Tray::Modify(const vb::NotifyIconData& data, const QIcon& picture) {
    const auto it = icons_.find(data.uID);
    if (it == icons_.end()) return false;
    Icon& icon = it->second;
    icon.data = data;
    icon.picture = picture;
    Show(icon);
    return true;
}

bool Tray::Delete(std::uint32_t id) {
    const auto it = icons_.find(id);
    if (it == icons_.end()) return false;
    if (it->second.xembed) it->second.xembed->hide();
    icons_.erase(it);
    return true;
}

void Tray::Clear() {
    while (!icons_.empty()) Delete(icons_.begin()->first);
}

void Tray::Show(Icon& icon) {
    const QString tip = ToQt(icon.data.Tip());
    if (icon.item) {
        icon.item->SetIcon(icon.picture);
        icon.item->SetTip(tip);
    }
    if (icon.xembed) {
        icon.xembed->setIcon(icon.picture);
        icon.xembed->setToolTip(tip);
    }
}

void Tray::Host(std::uint32_t id, Icon& icon) {
    if (StatusNotifierItem::WatcherPresent()) {
        HostOnDBus(id, icon);
    } else {
        HostOnXEmbed(id, icon);
    }
}

void Tray::HostOnDBus(std::uint32_t id, Icon& icon) {
    icon.xembed.reset();
    // Where Orbek cannot open its own menu at the icon and have it close as
    // a menu does, the tray draws one menu that holds both. GNOME Shell's
    // tray draws the item's menu for a left click anyway. In a Wayland
    // session a menu of Orbek's gets, from XWayland, neither the keys nor a
    // click beside it while a Wayland window has the focus, nor the pointer's
    // place over a panel; and natively it has no window to open from.
    icon.combined = StatusNotifierItem::WatcherShowsMenuOnLeftClick() || InWaylandSession();
    if (!icon.item) {
        DBusMenu::Handlers menu{
            [this, id] {
                const auto it = icons_.find(id);
                const vb::Form* form =
                    it == icons_.end() ? nullptr : rt_.FindForm(it->second.data.hWnd);
                return form ? vb::Runtime::TrayMenuEntries(*form, it->second.combined)
                            : std::vector<vb::MenuItem*>();
            },
            [this, id](const vb::MenuItem& item) {
                With(id, [&](const vb::NotifyIconData& data) { rt_.ChosenInTray(data, item); });
            },
            // Opening the menu that holds the sentences is the left press.
            [this, id] {
                const auto it = icons_.find(id);
                if (it == icons_.end() || !it->second.combined) return;
                With(id, [&](const vb::NotifyIconData& data) { rt_.OpenedInTray(data); });
            }};
        icon.item = std::make_unique<StatusNotifierItem>(
            id, std::move(menu), [this, id](std::uint32_t message, vb::ScreenPoint at) {
                With(id,
                     [&](const vb::NotifyIconData& data) { rt_.NotifyIcon(data, message, at); });
            });
        Show(icon);
    }
    icon.item->SetCombined(icon.combined);
    icon.item->Menu().SetEnabled(menusEnabled_);
    icon.item->Register();
}

void Tray::HostOnXEmbed(std::uint32_t id, Icon& icon) {
    icon.item.reset();
    if (icon.xembed) return;
    icon.xembed = std::make_unique<QSystemTrayIcon>();
    Show(icon);
    // Presses reach the form as the mouse messages they stand for.
    connect(icon.xembed.get(), &QSystemTrayIcon::activated, this,
            [this, id](QSystemTrayIcon::ActivationReason reason) {
                const std::uint32_t message = reason == QSystemTrayIcon::Trigger   ? WM_LBUTTONDOWN
                                              : reason == QSystemTrayIcon::Context ? WM_RBUTTONDOWN
                                                                                   : 0;
                if (message == 0) return;
                With(id, [&](const vb::NotifyIconData& data) { rt_.NotifyIcon(data, message); });
            });
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !toldNoTray_) {
        toldNoTray_ = true;
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("%1: 通知領域が見つかりません。通知領域が現れたら"
                                    "アイコンを表示します。")
                         .arg(QCoreApplication::applicationName())
                         .toLocal8Bit()
                         .constData());
    }
    // Qt moves the icon to a tray that appears or restarts later.
    icon.xembed->show();
    qApp->installEventFilter(this);
}

void Tray::SetMenusEnabled(bool enabled) {
    menusEnabled_ = enabled;
    for (auto& [id, icon] : icons_) {
        if (icon.item) icon.item->Menu().SetEnabled(enabled);
    }
}

void Tray::MenuChanged(const vb::MenuItem& item, Change change) {
    for (auto& [id, icon] : icons_) {
        if (!icon.item) continue;
        DBusMenu& menu = icon.item->Menu();
        switch (change) {
            case Change::kLoaded:
                menu.LayoutChanged();
                break;
            case Change::kGoing:
                menu.Forget(item);
                break;
            case Change::kShown:
                menu.ItemChanged(item);
                break;
        }
    }
}

bool Tray::eventFilter(QObject* watched, QEvent* event) {
    // The pointer over an XEmbed tray icon: the widget Qt embeds in the tray.
    if (event->type() == QEvent::Enter && watched->inherits("QSystemTrayIconSys")) {
        for (auto& [id, icon] : icons_) {
            if (icon.xembed)
                With(id,
                     [&](const vb::NotifyIconData& data) { rt_.NotifyIcon(data, WM_MOUSEMOVE); });
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qtrt

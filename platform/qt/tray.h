#pragma once
// The notification-area icons, on the kind of tray the desktop offers: an
// item over D-Bus while a StatusNotifierWatcher is on the session bus, else
// Qt's own icon for XEmbed trays. An icon moves to the other kind when the
// desktop's tray changes, and to a tray that appears or restarts later.

#include <QIcon>
#include <QObject>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/runtime.h"

class QSystemTrayIcon;

namespace qtrt {

class StatusNotifierItem;

class Tray : public QObject {
    Q_OBJECT

  public:
    explicit Tray(vb::Runtime& rt);
    ~Tray() override;

    // The shell's calls, for an icon as the runtime keeps its record; false
    // where the shell fails.
    bool Add(const vb::NotifyIconData& data, const QIcon& picture);
    bool Modify(const vb::NotifyIconData& data, const QIcon& picture);
    bool Delete(std::uint32_t id);
    void Clear();

    // While a popup or its command runs, a tray's drawing of the menus
    // shows them greyed out and offers nothing.
    void SetMenusEnabled(bool enabled);
    // A menu item came, is about to go, or changed its caption or visibility.
    enum class Change { kLoaded, kGoing, kShown };
    void MenuChanged(const vb::MenuItem& item, Change change);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Icon {
        vb::NotifyIconData data;
        QIcon picture;
        bool combined = false;  // the tray's menu holds both menus
        std::unique_ptr<QSystemTrayIcon> xembed;
        std::unique_ptr<StatusNotifierItem> item;
    };

    // Puts the icon on the kind of tray the desktop offers now.
    void Host(std::uint32_t id, Icon& icon);
    void HostOnDBus(std::uint32_t id, Icon& icon);
    void HostOnXEmbed(std::uint32_t id, Icon& icon);
    void Show(Icon& icon);
    // Runs `action` with the icon's record, if the icon is still there.
    template <class Action>
    void With(std::uint32_t id, Action action);

    vb::Runtime& rt_;
    std::map<std::uint32_t, Icon> icons_;
    bool menusEnabled_ = true;
    bool toldNoTray_ = false;
};

}  // namespace qtrt

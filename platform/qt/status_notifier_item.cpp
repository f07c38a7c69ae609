#include "status_notifier_item.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTimer>
#include <utility>

#include "dbus_types.h"

namespace qtrt {

namespace {

constexpr auto kInterface = "org.kde.StatusNotifierItem";
constexpr auto kPath = "/StatusNotifierItem";
constexpr auto kProperties = "org.freedesktop.DBus.Properties";

QString ConnectionName(std::uint32_t id) { return QStringLiteral("orbek-item-%1").arg(id); }

QString Owner(const QString& name) {
    const QDBusReply<QString> owner = QDBusConnection::sessionBus().interface()->serviceOwner(name);
    return owner.isValid() ? owner.value() : QString();
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(
    std::uint32_t id, DBusMenu::Handlers menu,
    std::function<void(std::uint32_t message, vb::ScreenPoint at)> pressed)
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName(id))),
      service_(QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(::getpid()).arg(id)),
      pressed_(std::move(pressed)),
      menu_(std::make_unique<DBusMenu>(bus_, std::move(menu))) {
    dbus::RegisterTypes();
    bus_.registerVirtualObject(QString::fromLatin1(kPath), this);
    bus_.registerService(service_);
}

StatusNotifierItem::~StatusNotifierItem() {
    menu_.reset();
    bus_.unregisterObject(QString::fromLatin1(kPath));
    bus_.unregisterService(service_);
    QDBusConnection::disconnectFromBus(bus_.name());
}

bool StatusNotifierItem::WatcherPresent() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(QString::fromLatin1(kWatcher));
}

bool StatusNotifierItem::WatcherShowsMenuOnLeftClick() {
    // GNOME Shell's tray draws an item's menu for a single left click and
    // activates the item only on a double click. It is recognised by who
    // owns the watcher, not by what the session says of itself.
    const QString watcher = Owner(QString::fromLatin1(kWatcher));
    return !watcher.isEmpty() && watcher == Owner(QStringLiteral("org.gnome.Shell"));
}

void StatusNotifierItem::Register() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kWatcher), QStringLiteral("/StatusNotifierWatcher"),
        QString::fromLatin1(kWatcher), QStringLiteral("RegisterStatusNotifierItem"));
    // Offered by the connection's unique name, which has its owner from the
    // start: GNOME Shell's tray, given the well-known name, looks up its owner
    // while it sets the item up and now and then drops the item on the way.
    call << bus_.baseService();
    bus_.asyncCall(call);
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
    icon_ = icon;
    Emit("NewIcon");
}

void StatusNotifierItem::SetTip(const QString& tip) {
    if (tip == tip_) return;
    tip_ = tip;
    Emit("NewTitle");
    Emit("NewToolTip");
}

void StatusNotifierItem::SetCombined(bool combined) {
    if (std::exchange(combined_, combined) != combined) menu_->LayoutChanged();
}

void StatusNotifierItem::Emit(const char* signal) {
    bus_.send(QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QString::fromLatin1(kInterface), QString::fromLatin1(signal)));
}

QString StatusNotifierItem::introspect(const QString&) const {
    return QStringLiteral(
        "<interface name=\"org.kde.StatusNotifierItem\">"
        "<property name=\"Category\" type=\"s\" access=\"read\"/>"
        "<property name=\"Id\" type=\"s\" access=\"read\"/>"
        "<property name=\"Title\" type=\"s\" access=\"read\"/>"
        "<property name=\"Status\" type=\"s\" access=\"read\"/>"
        "<property name=\"WindowId\" type=\"i\" access=\"read\"/>"
        "<property name=\"IconThemePath\" type=\"s\" access=\"read\"/>"
        "<property name=\"IconName\" type=\"s\" access=\"read\"/>"
        "<property name=\"IconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
        "<property name=\"OverlayIconName\" type=\"s\" access=\"read\"/>"
        "<property name=\"OverlayIconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
        "<property name=\"AttentionIconName\" type=\"s\" access=\"read\"/>"
        "<property name=\"AttentionIconPixmap\" type=\"a(iiay)\" access=\"read\"/>"
        "<property name=\"AttentionMovieName\" type=\"s\" access=\"read\"/>"
        "<property name=\"ToolTip\" type=\"(sa(iiay)ss)\" access=\"read\"/>"
        "<property name=\"ItemIsMenu\" type=\"b\" access=\"read\"/>"
        "<property name=\"Menu\" type=\"o\" access=\"read\"/>"
        "<method name=\"ContextMenu\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"i\" direction=\"in\"/></method>"
        "<method name=\"Activate\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"i\" direction=\"in\"/></method>"
        "<method name=\"SecondaryActivate\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"i\" direction=\"in\"/></method>"
        "<method name=\"Scroll\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"s\" direction=\"in\"/></method>"
        "<signal name=\"NewTitle\"/><signal name=\"NewIcon\"/><signal name=\"NewAttentionIcon\"/>"
        "<signal name=\"NewOverlayIcon\"/><signal name=\"NewToolTip\"/>"
        "<signal name=\"NewStatus\"><arg type=\"s\"/></signal>"
        "</interface>");
}

bool StatusNotifierItem::handleMessage(const QDBusMessage& message,
                                       const QDBusConnection& connection) {
    const QString member = message.member();
    const QVariantList args = message.arguments();
    const auto reply = [&](const QVariantList& values) {
        connection.send(message.createReply(values));
        return true;
    };

    if (message.interface() == QLatin1String(kProperties)) {
        const dbus::Pixmaps none;
        const QVariantMap all{
            {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
            {QStringLiteral("Id"), QCoreApplication::applicationName()},
            {QStringLiteral("Title"), tip_},
            {QStringLiteral("Status"), QStringLiteral("Active")},
            {QStringLiteral("WindowId"), 0},
            {QStringLiteral("IconThemePath"), QString()},
            {QStringLiteral("IconName"), QString()},
            {QStringLiteral("IconPixmap"), QVariant::fromValue(dbus::PixmapsOf(icon_))},
            {QStringLiteral("OverlayIconName"), QString()},
            {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(none)},
            {QStringLiteral("AttentionIconName"), QString()},
            {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(none)},
            {QStringLiteral("AttentionMovieName"), QString()},
            {QStringLiteral("ToolTip"), QVariant::fromValue(dbus::ToolTip{{}, {}, tip_, {}})},
            // A tray then draws the menu for a left click too.
            {QStringLiteral("ItemIsMenu"), combined_},

            {QStringLiteral("Menu"),
             QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(DBusMenu::kPath)))}};
        if (member == QLatin1String("GetAll")) return reply({all});
        if (member == QLatin1String("Get") && args.size() == 2 &&
            all.contains(args[1].toString())) {
            return reply({QVariant::fromValue(QDBusVariant(all.value(args[1].toString())))});
        }
        connection.send(
            message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such property")));
        return true;
    }
    if (message.interface() != QLatin1String(kInterface)) return false;

    const bool activate = member == QLatin1String("Activate");
    if ((activate || member == QLatin1String("ContextMenu")) && args.size() == 2) {
        if (activate && combined_) {
            // The tray's own drawing of the menu holds everything: a double
            // click opens nothing more, and a single click opens at once.
            connection.send(message.createErrorReply(
                QDBusError::UnknownMethod, QStringLiteral("the menu holds every command")));
            return true;
        }
        const vb::ScreenPoint at{args[0].toInt(), args[1].toInt()};
        const std::uint32_t press = activate ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
        QTimer::singleShot(0, this, [this, press, at] { pressed_(press, at); });
        return reply({});
    }
    // The middle button, the wheel and the rest do nothing.
    return reply({});
}

}  // namespace qtrt

#include "dbus_menu.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QTimer>
#include <utility>

#include "dbus_types.h"
#include "text.h"

namespace qtrt {

namespace {

constexpr auto kInterface = "com.canonical.dbusmenu";
constexpr auto kProperties = "org.freedesktop.DBus.Properties";
constexpr int kRoot = 0;
constexpr int kOwnSeparator = 1;

QVariantMap Only(const QVariantMap& properties, const QStringList& names) {
    if (names.isEmpty()) return properties;
    QVariantMap kept;
    for (const QString& name : names) {
        if (properties.contains(name)) kept.insert(name, properties.value(name));
    }
    return kept;
}

QList<int> Ints(const QVariant& value) { return qdbus_cast<QList<int>>(value); }

}  // namespace

DBusMenu::DBusMenu(QDBusConnection bus, Handlers handlers)
    : bus_(std::move(bus)), handlers_(std::move(handlers)) {
    dbus::RegisterTypes();
    bus_.registerVirtualObject(QString::fromLatin1(kPath), this);
}

DBusMenu::~DBusMenu() { bus_.unregisterObject(QString::fromLatin1(kPath)); }

QString DBusMenu::Label(const std::u16string& caption) {
    QString label;
    const QString text = ToQt(caption);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_') {
            label += QStringLiteral("__");
        } else if (text[i] == u'&') {
            // "&&" is an ampersand; "&" before anything else marks the access
            // key, and at the end, with nothing to mark, is dropped, as in
            // Orbek's own menus.
            if (i + 1 == text.size()) break;
            label += text[i + 1] == u'&' ? QStringLiteral("&") : QStringLiteral("_");
            if (text[i + 1] == u'&') ++i;
        } else {
            label += text[i];
        }
    }
    return label;
}

void DBusMenu::LayoutChanged() {
    layoutChanged_ = true;
    Announce();
}

void DBusMenu::ItemChanged(const vb::MenuItem& item) {
    // An entry the tray was never shown needs no word.
    if (const auto it = ids_.find(&item); it != ids_.end()) {
        itemsChanged_.insert(it->second);
        Announce();
    }
}

void DBusMenu::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    for (const auto& [id, item] : items_) itemsChanged_.insert(id);
    Announce();
}

void DBusMenu::Forget(const vb::MenuItem& item) {
    const auto it = ids_.find(&item);
    if (it == ids_.end()) return;
    itemsChanged_.erase(it->second);
    items_.erase(it->second);
    ids_.erase(it);
    LayoutChanged();
}

void DBusMenu::Announce() {
    if (std::exchange(announcing_, true)) return;
    // A rebuild changes many entries at once: the tray hears of it once.
    QTimer::singleShot(0, this, [this] {
        announcing_ = false;
        if (!itemsChanged_.empty()) {
            // Trays fetch only the entries' kinds again when the layout
            // changes: captions and states come this way.
            dbus::MenuPropertiesList changed;
            for (const int id : std::exchange(itemsChanged_, {})) {
                if (const auto it = items_.find(id); it != items_.end()) {
                    changed.append({id, Properties(it->second, id)});
                }
            }
            QDBusMessage signal = QDBusMessage::createSignal(
                QString::fromLatin1(kPath), kInterface, QStringLiteral("ItemsPropertiesUpdated"));
            signal << QVariant::fromValue(changed)
                   << QVariant::fromValue(dbus::MenuRemovedPropertiesList());
            bus_.send(signal);
        }
        if (std::exchange(layoutChanged_, false)) {
            ++revision_;
            QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath), kInterface,
                                                             QStringLiteral("LayoutUpdated"));
            signal << revision_ << kRoot;
            bus_.send(signal);
        }
    });
}

int DBusMenu::IdOf(vb::MenuItem* item) {
    if (item == nullptr) return kOwnSeparator;
    const auto [it, added] = ids_.try_emplace(item, nextId_);
    if (added) items_[nextId_++] = item;
    return it->second;
}

QVariantMap DBusMenu::Properties(const vb::MenuItem* item, int id) const {
    QVariantMap properties;
    if (id == kRoot) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return properties;
    }
    if (item == nullptr || item->IsSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        properties.insert(QStringLiteral("label"), Label(item->Caption()));
        properties.insert(QStringLiteral("enabled"), enabled_);
    }
    // Always said: a tray keeps a property that an update leaves out.
    properties.insert(QStringLiteral("visible"), item == nullptr || item->Visible());

    return properties;
}

void DBusMenu::Later(int id, const std::function<void(const vb::MenuItem&)>& action) {
    QTimer::singleShot(0, this, [this, id, action] {
        if (const auto it = items_.find(id); it != items_.end()) action(*it->second);
    });
}

void DBusMenu::Event(int id, const QString& eventId) {
    if (eventId == QLatin1String("clicked") && enabled_ && handlers_.chosen) {
        Later(id, handlers_.chosen);
    }
}

QString DBusMenu::introspect(const QString&) const {
    return QStringLiteral(
        "<interface name=\"com.canonical.dbusmenu\">"
        "<property name=\"Version\" type=\"u\" access=\"read\"/>"
        "<property name=\"TextDirection\" type=\"s\" access=\"read\"/>"
        "<property name=\"Status\" type=\"s\" access=\"read\"/>"
        "<property name=\"IconThemePath\" type=\"as\" access=\"read\"/>"
        "<method name=\"GetLayout\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"i\" direction=\"in\"/><arg type=\"as\" direction=\"in\"/>"
        "<arg type=\"u\" direction=\"out\"/><arg type=\"(ia{sv}av)\" direction=\"out\"/></method>"
        "<method name=\"GetGroupProperties\"><arg type=\"ai\" direction=\"in\"/>"
        "<arg type=\"as\" direction=\"in\"/><arg type=\"a(ia{sv})\" direction=\"out\"/></method>"
        "<method name=\"GetProperty\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"s\" direction=\"in\"/><arg type=\"v\" direction=\"out\"/></method>"
        "<method name=\"Event\"><arg type=\"i\" direction=\"in\"/><arg type=\"s\" "
        "direction=\"in\"/>"
        "<arg type=\"v\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/></method>"
        "<method name=\"EventGroup\"><arg type=\"a(isvu)\" direction=\"in\"/>"
        "<arg type=\"ai\" direction=\"out\"/></method>"
        "<method name=\"AboutToShow\"><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"b\" direction=\"out\"/></method>"
        "<method name=\"AboutToShowGroup\"><arg type=\"ai\" direction=\"in\"/>"
        "<arg type=\"ai\" direction=\"out\"/><arg type=\"ai\" direction=\"out\"/></method>"
        "<signal name=\"ItemsPropertiesUpdated\"><arg type=\"a(ia{sv})\"/><arg type=\"a(ias)\"/>"
        "</signal>"
        "<signal name=\"LayoutUpdated\"><arg type=\"u\"/><arg type=\"i\"/></signal>"
        "<signal name=\"ItemActivationRequested\"><arg type=\"i\"/><arg type=\"u\"/></signal>"
        "</interface>");
}

bool DBusMenu::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString member = message.member();
    const QVariantList args = message.arguments();
    const auto reply = [&](const QVariantList& values) {
        connection.send(message.createReply(values));
        return true;
    };
    const auto fail = [&](const QString& text) {
        connection.send(message.createErrorReply(QDBusError::InvalidArgs, text));
        return true;
    };

    if (message.interface() == QLatin1String(kProperties)) {
        const QVariantMap all{{QStringLiteral("Version"), 3u},
                              {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
                              {QStringLiteral("Status"), QStringLiteral("normal")},
                              {QStringLiteral("IconThemePath"), QStringList()}};
        if (member == QLatin1String("GetAll")) return reply({all});
        if (member == QLatin1String("Get") && args.size() == 2 &&
            all.contains(args[1].toString())) {
            return reply({QVariant::fromValue(QDBusVariant(all.value(args[1].toString())))});
        }
        return fail(QStringLiteral("no such property"));
    }
    if (message.interface() != QLatin1String(kInterface)) return false;

    if (member == QLatin1String("GetLayout") && args.size() == 3) {
        const int parent = args[0].toInt();
        const QStringList names = args[2].toStringList();
        dbus::MenuLayout layout{parent, {}, {}};
        if (parent == kRoot) {
            layout.properties = Only(Properties(nullptr, kRoot), names);
            if (args[1].toInt() != 0) {
                for (vb::MenuItem* entry : handlers_.entries()) {
                    const int id = IdOf(entry);
                    layout.children.append({id, Only(Properties(entry, id), names), {}});
                }
            }
        } else if (parent == kOwnSeparator || items_.count(parent) > 0) {
            const vb::MenuItem* item = parent == kOwnSeparator ? nullptr : items_.at(parent);
            layout.properties = Only(Properties(item, parent), names);
        } else {
            return fail(QStringLiteral("no such entry"));
        }
        return reply({revision_, QVariant::fromValue(layout)});
    }
    if (member == QLatin1String("GetGroupProperties") && args.size() == 2) {
        dbus::MenuPropertiesList found;
        for (const int id : Ints(args[0])) {
            if (id == kRoot || id == kOwnSeparator || items_.count(id) > 0) {
                const vb::MenuItem* item = items_.count(id) > 0 ? items_.at(id) : nullptr;
                found.append({id, Only(Properties(item, id), args[1].toStringList())});
            }
        }
        return reply({QVariant::fromValue(found)});
    }
    if (member == QLatin1String("GetProperty") && args.size() == 2) {
        const int id = args[0].toInt();
        if (id != kRoot && id != kOwnSeparator && items_.count(id) == 0) {
            return fail(QStringLiteral("no such entry"));
        }
        const QVariantMap properties = Properties(items_.count(id) ? items_.at(id) : nullptr, id);
        return reply({QVariant::fromValue(QDBusVariant(properties.value(args[1].toString())))});
    }
    if (member == QLatin1String("Event") && args.size() == 4) {
        Event(args[0].toInt(), args[1].toString());
        return reply({});
    }
    if (member == QLatin1String("EventGroup") && args.size() == 1) {
        QList<int> unknown;
        const auto events = qvariant_cast<QDBusArgument>(args[0]);
        events.beginArray();
        while (!events.atEnd()) {
            int id = 0;
            QString eventId;
            QDBusVariant data;
            uint timestamp = 0;
            events.beginStructure();
            events >> id >> eventId >> data >> timestamp;
            events.endStructure();
            if (items_.count(id) == 0 && id != kRoot) {
                unknown.append(id);
            } else {
                Event(id, eventId);
            }
        }
        events.endArray();
        return reply({QVariant::fromValue(unknown)});
    }
    if (member == QLatin1String("AboutToShow") && args.size() == 1) {
        if (args[0].toInt() == kRoot && handlers_.aboutToShow) {
            QTimer::singleShot(0, this, handlers_.aboutToShow);
        }
        return reply({false});
    }
    if (member == QLatin1String("AboutToShowGroup") && args.size() == 1) {
        if (Ints(args[0]).contains(kRoot) && handlers_.aboutToShow) {
            QTimer::singleShot(0, this, handlers_.aboutToShow);
        }
        return reply({QVariant::fromValue(QList<int>()), QVariant::fromValue(QList<int>())});
    }
    return false;
}

}  // namespace qtrt

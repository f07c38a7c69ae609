#pragma once
// The structures a notification-area item and its menu exchange with the
// tray over D-Bus, with their marshalling.

#include <QDBusArgument>
#include <QIcon>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <QVariantMap>

namespace qtrt::dbus {

// A picture: width, height and ARGB32 pixels in network byte order. (iiay)
struct Pixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using Pixmaps = QList<Pixmap>;

// Every size the icon comes in.
Pixmaps PixmapsOf(const QIcon& icon);

// An item's tip: icon name, pictures, title, text. (sa(iiay)ss)
struct ToolTip {
    QString iconName;
    Pixmaps pixmaps;
    QString title;
    QString text;
};

// A menu entry and the entries below it. (ia{sv}av)
struct MenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayout> children;
};

// An entry's properties. (ia{sv})
struct MenuProperties {
    int id = 0;
    QVariantMap properties;
};
using MenuPropertiesList = QList<MenuProperties>;

// Properties an entry no longer has. (ias)
struct MenuRemovedProperties {
    int id = 0;
    QStringList names;
};
using MenuRemovedPropertiesList = QList<MenuRemovedProperties>;

// Registers the types with Qt D-Bus; once is enough, more is harmless.
void RegisterTypes();

QDBusArgument& operator<<(QDBusArgument& arg, const Pixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& arg, Pixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& arg, const ToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& arg, ToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuProperties& entry);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuProperties& entry);
QDBusArgument& operator<<(QDBusArgument& arg, const MenuRemovedProperties& entry);
const QDBusArgument& operator>>(const QDBusArgument& arg, MenuRemovedProperties& entry);

}  // namespace qtrt::dbus

Q_DECLARE_METATYPE(qtrt::dbus::Pixmap)
Q_DECLARE_METATYPE(qtrt::dbus::ToolTip)
Q_DECLARE_METATYPE(qtrt::dbus::MenuLayout)
Q_DECLARE_METATYPE(qtrt::dbus::MenuProperties)
Q_DECLARE_METATYPE(qtrt::dbus::MenuRemovedProperties)

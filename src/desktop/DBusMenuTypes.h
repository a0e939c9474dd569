#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QAction;

namespace qm {

// One item of a dbusmenu layout with its children (D-Bus `(ia{sv}av)`, each child a variant
// holding the same structure). Id 0 is the root.
struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// The properties of one item (D-Bus `(ia{sv})`).
struct DBusMenuItemProperties
{
    int id = 0;
    QVariantMap properties;
};

// Names of properties of one item (D-Bus `(ias)`).
struct DBusMenuItemKeys
{
    int id = 0;
    QStringList names;
};

// One event sent by a host (D-Bus `(isvu)`).
struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

// A menu text in Qt's convention ("&" before the mnemonic, "&&" for an ampersand) in
// dbusmenu's ("_" before the mnemonic, "__" for an underscore).
QString dbusMenuLabel(const QString &qtText);

// The dbusmenu properties of `action` that differ from the defaults (a visible, enabled,
// standard item): "type" "separator" or the "label", "enabled" false, "visible" false. (The
// tray menu has no check marks, icons or shortcuts that a panel would show.)
QVariantMap dbusMenuProperties(const QAction &action);

// `properties` reduced to `names`; all of them when `names` is empty.
QVariantMap dbusMenuPropertiesNamed(const QVariantMap &properties, const QStringList &names);

// Registers the types above with QtDBus; safe to call more than once.
void registerDBusMenuTypes();

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayoutItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayoutItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemProperties &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemProperties &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemKeys &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemKeys &item);
QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuEvent &event);

} // namespace qm

Q_DECLARE_METATYPE(qm::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(qm::DBusMenuItemProperties)
Q_DECLARE_METATYPE(qm::DBusMenuItemKeys)
Q_DECLARE_METATYPE(qm::DBusMenuEvent)

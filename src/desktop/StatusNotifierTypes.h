#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

class QIcon;
class QImage;

namespace qm {

// One picture of a StatusNotifierItem icon (D-Bus `(iiay)`): 32-bit ARGB pixels, each in
// network byte order (alpha first), row by row without padding.
struct SniPixmap
{
    int width = 0;
    int height = 0;
    QByteArray argb;

    friend bool operator==(const SniPixmap &, const SniPixmap &) = default;
};

// The tooltip of a StatusNotifierItem (D-Bus `(sa(iiay)ss)`).
struct SniToolTip
{
    QString iconName;
    QList<SniPixmap> icon;
    QString title;
    QString text;

    friend bool operator==(const SniToolTip &, const SniToolTip &) = default;
};

// `image` as an icon picture (converted to non-premultiplied ARGB first).
SniPixmap sniPixmap(const QImage &image);

// `icon` drawn at each of `sizes` (square, device pixel ratio 1), smallest first; sizes the
// icon draws as nothing are left out.
QList<SniPixmap> sniPixmaps(const QIcon &icon, const QList<int> &sizes);

// Registers the types above with QtDBus; safe to call more than once.
void registerStatusNotifierTypes();

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip);

} // namespace qm

Q_DECLARE_METATYPE(qm::SniPixmap)
Q_DECLARE_METATYPE(qm::SniToolTip)

#include "desktop/StatusNotifierItemAdaptor.h"

#include "desktop/StatusNotifierItem.h"

namespace qm {

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem &item)
    : QDBusAbstractAdaptor(&item)
    , m_item(item)
{}

QString StatusNotifierItemAdaptor::category() const
{
    return StatusNotifierItem::category();
}

QString StatusNotifierItemAdaptor::id() const
{
    return m_item.id();
}

QString StatusNotifierItemAdaptor::title() const
{
    return m_item.title();
}

QString StatusNotifierItemAdaptor::status() const
{
    return m_item.status();
}

QList<SniPixmap> StatusNotifierItemAdaptor::iconPixmap() const
{
    return m_item.iconPixmaps();
}

SniToolTip StatusNotifierItemAdaptor::toolTip() const
{
    return m_item.toolTip();
}

QDBusObjectPath StatusNotifierItemAdaptor::menu() const
{
    return m_item.menu();
}

QString StatusNotifierItemAdaptor::label() const
{
    return m_item.label();
}

QString StatusNotifierItemAdaptor::labelGuide() const
{
    return m_item.labelGuide();
}

void StatusNotifierItemAdaptor::Activate(int x, int y)
{
    Q_EMIT m_item.activated(QPoint(x, y));
}

void StatusNotifierItemAdaptor::SecondaryActivate(int x, int y)
{
    Q_EMIT m_item.secondaryActivated(QPoint(x, y));
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y)
{
    Q_EMIT m_item.contextMenuRequested(QPoint(x, y));
}

void StatusNotifierItemAdaptor::Scroll(int delta, const QString &orientation)
{
    Q_EMIT m_item.scrolled(delta,
                           orientation.compare(u"horizontal", Qt::CaseInsensitive) == 0
                               ? Qt::Horizontal
                               : Qt::Vertical);
}

} // namespace qm

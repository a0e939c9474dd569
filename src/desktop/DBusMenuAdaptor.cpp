#include "desktop/DBusMenuAdaptor.h"

#include "desktop/DBusMenuExporter.h"

#include <QGuiApplication>

namespace qm {

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenuExporter &exporter)
    : QDBusAbstractAdaptor(&exporter)
    , m_exporter(exporter)
{}

QString DBusMenuAdaptor::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

uint DBusMenuAdaptor::GetLayout(int parentId,
                                int recursionDepth,
                                const QStringList &propertyNames,
                                DBusMenuLayoutItem &layout)
{
    layout = m_exporter.layout(parentId, recursionDepth, propertyNames);
    return m_exporter.revision();
}

QList<DBusMenuItemProperties> DBusMenuAdaptor::GetGroupProperties(const QList<int> &ids,
                                                                  const QStringList &propertyNames)
{
    QList<DBusMenuItemProperties> result;
    for (int id : ids)
        result.append({id, dbusMenuPropertiesNamed(m_exporter.properties(id), propertyNames)});
    return result;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString &name)
{
    return QDBusVariant(m_exporter.properties(id).value(name));
}

void DBusMenuAdaptor::Event(int id, const QString &eventId, const QDBusVariant &, uint)
{
    m_exporter.handleEvent(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent> &events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent &event : events) {
        if (!m_exporter.handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    }
    return idErrors;
}

bool DBusMenuAdaptor::AboutToShow(int id)
{
    return m_exporter.prepareToShow(id);
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    QList<int> updatesNeeded;
    for (int id : ids) {
        if (id != 0 && m_exporter.properties(id).isEmpty())
            idErrors.append(id);
        else if (m_exporter.prepareToShow(id))
            updatesNeeded.append(id);
    }
    return updatesNeeded;
}

} // namespace qm

#pragma once

#include "desktop/DBusMenuTypes.h"

#include <QDBusAbstractAdaptor>

namespace qm {

class DBusMenuExporter;

// The D-Bus face of a DBusMenuExporter (`com.canonical.dbusmenu`, version 3).
class DBusMenuAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuAdaptor(DBusMenuExporter &exporter);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId,
                   int recursionDepth,
                   const QStringList &propertyNames,
                   qm::DBusMenuLayoutItem &layout);
    QList<qm::DBusMenuItemProperties> GetGroupProperties(const QList<int> &ids,
                                                         const QStringList &propertyNames);
    QDBusVariant GetProperty(int id, const QString &name);
    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp);
    QList<int> EventGroup(const QList<qm::DBusMenuEvent> &events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors);

Q_SIGNALS:
    void ItemsPropertiesUpdated(const QList<qm::DBusMenuItemProperties> &updatedProps,
                                const QList<qm::DBusMenuItemKeys> &removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenuExporter &m_exporter;
};

} // namespace qm

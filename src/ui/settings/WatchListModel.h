#pragma once

#include "records/Deletable.h"

#include <QAbstractListModel>
#include <QTimer>

#include <optional>

namespace qm {

class AppModel;

// The watch list as the Settings window shows it: one row per watched folder in scan order, with
// its checkbox, shown name, cleanup class, path, recorded size and hint. Changes of the settings,
// the records, the folder presence and Full Disk Access are gathered and applied together; a
// change that keeps the list's paths in place (a tick) only updates the rows that differ.
class WatchListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole, // the path as stored ("~"-form)
        ShownPathRole,           // the path as shown: control characters visible, isolated
        DeletableRole,           // the cleanup class, as int(Deletable)
        SizeTextRole,            // the recorded size in the unit, or "—"
        HintRole,                // the grey hint line; absent (invalid) without one
        OpacityRole,             // 1 for a watched folder, 0.5 for an unchecked one
    };

    explicit WatchListModel(AppModel &model, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The row of the first entry with `path`, or -1.
    int rowOf(const QString &path) const;
    // Applies pending changes now instead of on the next turn of the event loop.
    void refresh();

private:
    struct Row
    {
        QString path;
        bool enabled = true;
        QString name;      // the short name, made visible and isolated
        QString plainName; // the short name, made visible (for screen readers)
        QString shownPath; // the path, made visible and isolated
        QString toolTip;
        Deletable deletable = Deletable::ask;
        QString sizeText;
        std::optional<QString> hint;

        bool operator==(const Row &) const = default;
    };

    void scheduleRefresh();

    AppModel &m_model;
    QList<Row> m_rows;
    QTimer m_refreshTimer;
};

} // namespace qm

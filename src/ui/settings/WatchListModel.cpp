#include "ui/settings/WatchListModel.h"

#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"
#include "units/NameText.h"
#include "units/SizeText.h"

namespace qm {

WatchListModel::WatchListModel(AppModel &model, QObject *parent)
    : QAbstractListModel(parent)
    , m_model(model)
{
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &WatchListModel::refresh);
    connect(&model, &AppModel::settingsChanged, this, &WatchListModel::scheduleRefresh);
    connect(&model, &AppModel::watchFolderPresenceChanged, this, &WatchListModel::scheduleRefresh);
    connect(&model, &AppModel::fullDiskAccessChanged, this, &WatchListModel::scheduleRefresh);
    if (SnapshotScheduler *scheduler = model.scheduler())
        connect(scheduler,
                &SnapshotScheduler::snapshotsChanged,
                this,
                &WatchListModel::scheduleRefresh);
    refresh();
}

void WatchListModel::scheduleRefresh()
{
    m_refreshTimer.start();
}

void WatchListModel::refresh()
{
    m_refreshTimer.stop();
    const Settings &settings = m_model.settings();
    const SnapshotScheduler *scheduler = m_model.scheduler();
    const std::optional<Snapshot> latest = scheduler ? scheduler->latestSnapshot() : std::nullopt;
    const QList<std::optional<QString>> hints = m_model.watchRowHints(settings.watchEntries);
    const bool samePaths = [&] {
        if (m_rows.size() != settings.watchEntries.size())
            return false;
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            if (m_rows.at(i).path != settings.watchEntries.at(i).path)
                return false;
        }
        return true;
    }();

    // The texts that depend on the path alone are kept from the row that had the same path.
    QHash<QString, qsizetype> previous;
    if (!samePaths) {
        for (qsizetype i = 0; i < m_rows.size(); ++i)
            previous.insert(m_rows.at(i).path, i);
    }
    const QLocale locale;
    QList<Row> rows;
    rows.reserve(settings.watchEntries.size());
    for (qsizetype i = 0; i < settings.watchEntries.size(); ++i) {
        const WatchSetting &entry = settings.watchEntries.at(i);
        Row row;
        row.path = entry.path;
        row.enabled = entry.enabled;
        row.hint = hints.at(i);
        row.sizeText = QStringLiteral("—");
        if (latest) {
            if (const auto size = latest->entries.constFind(entry.path);
                size != latest->entries.cend())
                row.sizeText = listSizeText(*size, settings.unit, locale);
        }
        const qsizetype before = samePaths ? i : previous.value(entry.path, -1);
        if (before >= 0) {
            const Row &old = m_rows.at(before);
            row.name = old.name;
            row.plainName = old.plainName;
            row.shownPath = old.shownPath;
            row.deletable = old.deletable;
            if (old.hint == row.hint)
                row.toolTip = old.toolTip;
        } else {
            row.plainName = visibleName(folderDisplayName(entry.path));
            row.name = isolated(row.plainName);
            row.shownPath = displayName(entry.path);
            row.deletable = deletability(entry.path);
        }
        if (row.toolTip.isEmpty()) {
            const QString expanded = expandTilde(entry.path, m_model.home());
            row.toolTip = row.hint ? literalToolTip(QStringList{*row.hint, expanded})
                                   : literalToolTip(expanded);
        }
        rows.append(std::move(row));
    }

    if (!samePaths) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    // Same folders in the same places: only the rows that differ are announced, in runs.
    qsizetype first = -1;
    for (qsizetype i = 0; i <= rows.size(); ++i) {
        const bool differs = i < rows.size() && !(rows.at(i) == m_rows.at(i));
        if (differs) {
            m_rows[i] = rows.at(i);
            if (first < 0)
                first = i;
        } else if (first >= 0) {
            Q_EMIT dataChanged(index(int(first)), index(int(i - 1)));
            first = -1;
        }
    }
}

int WatchListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant WatchListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.name;
    case Qt::CheckStateRole:
        return row.enabled ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
        return row.toolTip;
    case Qt::AccessibleTextRole:
        return tr("Watch %1").arg(row.plainName);
    case Qt::AccessibleDescriptionRole:
        return row.hint ? visibleName(QString(*row.hint + QLatin1String(", ") + row.path))
                        : visibleName(row.path);
    case PathRole:
        return row.path;
    case ShownPathRole:
        return row.shownPath;
    case DeletableRole:
        return int(row.deletable);
    case SizeTextRole:
        return row.sizeText;
    case HintRole:
        return row.hint ? QVariant(*row.hint) : QVariant();
    case OpacityRole:
        return row.enabled ? 1.0 : 0.5;
    default:
        return {};
    }
}

bool WatchListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    // The row follows the model's change signal, before the next paint.
    m_model.setWatchFolderEnabled(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags WatchListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
           | Qt::ItemNeverHasChildren;
}

int WatchListModel::rowOf(const QString &path) const
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).path == path)
            return int(i);
    }
    return -1;
}

} // namespace qm

#include "ui/WatchSettingsForm.h"

#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"
#include "ui/CaptionText.h"
#include "ui/UiServices.h"
#include "ui/WatchFolderRow.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <QCoroTask>

namespace qm {

WatchSettingsForm::WatchSettingsForm(AppModel &model, UiServices &services, QWidget *parent)
    : SettingsForm(parent)
    , m_model(model)
    , m_services(services)
{
    setObjectName(QStringLiteral("watchSettings"));
    SettingsGroup *group = addGroup(tr("Watched Folders"));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("watchList"));
    m_list->setAccessibleName(tr("Watched folder list"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumHeight(260);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_list->selectedItems().isEmpty())
            m_selectedPath.reset();
        else
            m_selectedPath = m_list->selectedItems().constFirst()->data(Qt::UserRole).toString();
        updateButtons();
    });
    group->addRow(m_list);

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    QPushButton *add = button(tr("Add…"), "addWatchFolder");
    connect(add, &QPushButton::clicked, this, [this] {
        QMetaObject::invokeMethod(this, &WatchSettingsForm::addFolder, Qt::QueuedConnection);
    });
    m_remove = button(tr("Remove"), "removeWatchFolder");
    connect(m_remove, &QPushButton::clicked, this, [this] {
        if (!m_selectedPath)
            return;
        m_model.removeWatchFolder(*m_selectedPath);
        setSelectedPath(std::nullopt);
    });
    m_moveUp = button(tr("Move Up"), "moveWatchFolderUp");
    connect(m_moveUp, &QPushButton::clicked, this, [this] {
        if (m_selectedPath)
            m_model.moveWatchFolder(*m_selectedPath, -1);
    });
    m_moveDown = button(tr("Move Down"), "moveWatchFolderDown");
    connect(m_moveDown, &QPushButton::clicked, this, [this] {
        if (m_selectedPath)
            m_model.moveWatchFolder(*m_selectedPath, +1);
    });
    buttons->addStretch(1);
    QPushButton *restore = button(tr("Restore Defaults"), "restoreDefaultWatchList");
    connect(restore, &QPushButton::clicked, this, [this] {
        m_model.restoreDefaultWatchList();
        setSelectedPath(std::nullopt);
    });
    group->addRow(buttons);

    m_addError = captionLabel(QString(), TextTone::orange, this);
    m_addError->setObjectName(QStringLiteral("watchAddError"));
    group->addRow(m_addError);
    group->setFooter(
        tr("Added folders are scanned right away and added to today’s record. Removing one also "
           "removes it from today’s record. Added folders are only shown in the file manager; the "
           "app never "
           "deletes them. Unchecked folders are skipped from the next scan on and left out of new "
           "records. The order is the scan order."));

    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(0);
    connect(&m_renderTimer, &QTimer::timeout, this, &WatchSettingsForm::render);
    connect(&model, &AppModel::settingsChanged, this, &WatchSettingsForm::scheduleRender);
    connect(
        &model, &AppModel::watchFolderPresenceChanged, this, &WatchSettingsForm::scheduleRender);
    connect(&model, &AppModel::watchAddErrorChanged, this, &WatchSettingsForm::scheduleRender);
    connect(&model, &AppModel::fullDiskAccessChanged, this, &WatchSettingsForm::scheduleRender);
    if (SnapshotScheduler *scheduler = model.scheduler())
        connect(scheduler,
                &SnapshotScheduler::snapshotsChanged,
                this,
                &WatchSettingsForm::scheduleRender);
    render();
}

void WatchSettingsForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    m_model.runBackgroundWork([model = &m_model] { return model->refreshWatchFolderPresence(); });
}

void WatchSettingsForm::setSelectedPath(const std::optional<QString> &path)
{
    m_selectedPath = path;
    scheduleRender();
}

void WatchSettingsForm::scheduleRender()
{
    m_renderTimer.start();
}

void WatchSettingsForm::render()
{
    m_renderTimer.stop();
    const Settings &settings = m_model.settings();
    const SnapshotScheduler *scheduler = m_model.scheduler();
    const std::optional<Snapshot> latest = scheduler ? scheduler->latestSnapshot() : std::nullopt;
    const std::optional<QString> selected = m_selectedPath;
    const QSignalBlocker blocker(m_list);
    const int scrollValue = m_list->verticalScrollBar()->value();
    m_list->clear();
    for (qsizetype index = 0; index < settings.watchEntries.size(); ++index) {
        const WatchSetting &entry = settings.watchEntries.at(index);
        auto *cell = new QWidget;
        cell->setObjectName(QStringLiteral("watchListRow"));
        auto *layout = new QHBoxLayout(cell);
        layout->setContentsMargins(8, 6, 8, 6);
        layout->setSpacing(8);
        auto *watch = new QCheckBox(cell);
        watch->setObjectName(QStringLiteral("watchCheckBox"));
        watch->setAccessibleName(tr("Watch %1").arg(folderDisplayName(entry.path)));
        watch->setChecked(entry.enabled);
        connect(watch, &QCheckBox::clicked, this, [this, index](bool on) {
            m_model.setWatchFolderEnabled(index, on);
        });
        layout->addWidget(watch);
        const std::optional<qint64> size
            = latest && latest->entries.contains(entry.path)
                  ? std::optional<qint64>(latest->entries.value(entry.path))
                  : std::nullopt;
        auto *row = new WatchFolderRow(entry.path,
                                       size,
                                       settings.unit,
                                       m_model.watchRowHint(entry.path, entry.enabled),
                                       m_model.home(),
                                       cell);
        if (!entry.enabled) {
            auto *dim = new QGraphicsOpacityEffect(row);
            dim->setOpacity(0.5);
            row->setGraphicsEffect(dim);
        }
        layout->addWidget(row, 1);

        auto *item = new QListWidgetItem(m_list);
        item->setData(Qt::UserRole, entry.path);
        item->setSizeHint(cell->sizeHint());
        m_list->setItemWidget(item, cell);
        if (selected == entry.path)
            m_list->setCurrentItem(item);
    }
    m_list->verticalScrollBar()->setValue(scrollValue);
    m_selectedPath.reset();
    for (const WatchSetting &entry : settings.watchEntries) {
        if (selected == entry.path)
            m_selectedPath = selected;
    }

    const std::optional<QString> error = m_model.watchAddError();
    m_addError->setText(error.value_or(QString()));
    m_addError->setVisible(error.has_value());
    updateButtons();
}

void WatchSettingsForm::updateButtons()
{
    const WatchSettings &entries = m_model.settings().watchEntries;
    const bool selected = m_selectedPath.has_value();
    m_remove->setEnabled(selected);
    m_moveUp->setEnabled(selected && !entries.isEmpty()
                         && entries.constFirst().path != *m_selectedPath);
    m_moveDown->setEnabled(selected && !entries.isEmpty()
                           && entries.constLast().path != *m_selectedPath);
}

void WatchSettingsForm::addFolder()
{
    const QString chosen = m_services.chooseFolder(window());
    if (chosen.isEmpty())
        return;
    m_model.runBackgroundWork([model = &m_model, chosen] { return model->addWatchFolder(chosen); });
}

} // namespace qm

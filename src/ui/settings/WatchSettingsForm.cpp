#include "ui/settings/WatchSettingsForm.h"

#include "model/AppModel.h"
#include "records/WatchList.h"
#include "settings/Settings.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/UiServices.h"
#include "ui/settings/WatchFolderDelegate.h"
#include "ui/settings/WatchListModel.h"
#include "units/NameText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include <QCoroTask>

namespace qm {

namespace {

// At most this many folders are named in a question; the rest are counted.
constexpr qsizetype namedFolders = 5;

} // namespace

QString WatchSettingsForm::removeConfirmationTitle(const QString &path)
{
    return tr("Stop watching “%1”?").arg(displayName(folderDisplayName(path)));
}

QString WatchSettingsForm::removeConfirmationMessage(const QString &path)
{
    return tr("%1 is taken off the watch list and out of today’s record, so its growth is no "
              "longer shown. The folder itself stays where it is.")
        .arg(displayName(path));
}

QString WatchSettingsForm::restoreConfirmationTitle()
{
    return tr("Restore the default watched folders?");
}

QString WatchSettingsForm::restoreConfirmationMessage(const QStringList &dropped)
{
    const QString reset = tr("The order and the checkboxes go back to the defaults.");
    if (dropped.isEmpty())
        return reset;
    QStringList names;
    for (const QString &path : dropped.first(std::min(dropped.size(), namedFolders)))
        names.append(displayName(path));
    QString list = names.join(QStringLiteral(", "));
    if (dropped.size() > namedFolders) {
        const int more = int(dropped.size() - namedFolders);
        list = tr("%1 and %n more", nullptr, more).arg(list);
    }
    const int count = int(dropped.size());
    return tr("%n folder(s) you added will be taken off the watch list and out of today’s "
              "record: %1.",
              nullptr,
              count)
               .arg(list)
           + QLatin1Char(' ') + reset + QLatin1Char(' ') + tr("No folder is touched on disk.");
}

WatchSettingsForm::WatchSettingsForm(AppModel &model, UiServices &services, QWidget *parent)
    : SettingsForm(parent)
    , m_model(model)
    , m_services(services)
{
    setObjectName(QStringLiteral("watchSettings"));
    SettingsGroup *group = addGroup(tr("Watched Folders"));

    m_rows = new WatchListModel(model, this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("watchList"));
    m_list->setAccessibleName(tr("Watched folder list"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setMinimumHeight(260);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setUniformItemSizes(true);
    m_list->setItemDelegate(new WatchFolderDelegate(m_list));
    m_list->setModel(m_rows);
    connect(m_list->selectionModel(),
            &QItemSelectionModel::selectionChanged,
            this,
            &WatchSettingsForm::selectionChanged);
    // A new order or set of folders resets the rows: the selection and the place in the list
    // are kept by path and by scroll position.
    connect(m_rows, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_scrollBeforeReset = m_list->verticalScrollBar()->value();
    });
    connect(m_rows, &QAbstractItemModel::modelReset, this, [this] {
        restoreSelection();
        m_list->verticalScrollBar()->setValue(m_scrollBeforeReset);
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
        QMetaObject::invokeMethod(this, &WatchSettingsForm::askToRemove, Qt::QueuedConnection);
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
        QMetaObject::invokeMethod(
            this, &WatchSettingsForm::askToRestoreDefaults, Qt::QueuedConnection);
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
    // The rows follow the model through WatchListModel; the form itself only shows the refusal
    // and which buttons apply (a move changes which row is first or last).
    connect(&model, &AppModel::settingsChanged, this, &WatchSettingsForm::scheduleRender);
    connect(&model, &AppModel::watchAddErrorChanged, this, &WatchSettingsForm::scheduleRender);
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
    restoreSelection();
}

void WatchSettingsForm::scheduleRender()
{
    m_renderTimer.start();
}

void WatchSettingsForm::render()
{
    m_renderTimer.stop();
    const std::optional<QString> error = m_model.watchAddError();
    m_addError->setText(error.value_or(QString()));
    m_addError->setVisible(error.has_value());
    updateButtons();
}

void WatchSettingsForm::selectionChanged()
{
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        m_selectedPath.reset();
    else
        m_selectedPath = selected.constFirst().data(WatchListModel::PathRole).toString();
    updateButtons();
}

void WatchSettingsForm::restoreSelection()
{
    const int row = m_selectedPath ? m_rows->rowOf(*m_selectedPath) : -1;
    if (row < 0) {
        m_selectedPath.reset();
        m_list->selectionModel()->clear();
    } else {
        m_list->selectionModel()->setCurrentIndex(m_rows->index(row),
                                                  QItemSelectionModel::ClearAndSelect);
    }
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

void WatchSettingsForm::askToRemove()
{
    if (!m_selectedPath)
        return;
    const QString path = *m_selectedPath;
    m_services.confirm(removeConfirmationTitle(path),
                       removeConfirmationMessage(path),
                       tr("Remove"),
                       this,
                       [form = QPointer(this), path](bool confirmed) {
                           if (!confirmed || !form)
                               return;
                           form->m_model.removeWatchFolder(path);
                           form->setSelectedPath(std::nullopt);
                       });
}

void WatchSettingsForm::askToRestoreDefaults()
{
    const QStringList defaults = watchPaths(defaultSettings());
    QStringList dropped;
    for (const QString &path : watchPaths(m_model.settings())) {
        if (!defaults.contains(path))
            dropped.append(path);
    }
    m_services.confirm(restoreConfirmationTitle(),
                       restoreConfirmationMessage(dropped),
                       tr("Restore Defaults"),
                       this,
                       [form = QPointer(this)](bool confirmed) {
                           if (!confirmed || !form)
                               return;
                           form->m_model.restoreDefaultWatchList();
                           form->setSelectedPath(std::nullopt);
                       });
}

void WatchSettingsForm::addFolder()
{
    const QString chosen = m_services.chooseFolder(window());
    if (chosen.isEmpty())
        return;
    m_model.runBackgroundWork([model = &m_model, chosen] { return model->addWatchFolder(chosen); });
}

} // namespace qm

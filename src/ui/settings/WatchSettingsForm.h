#pragma once

#include "ui/settings/SettingsGroup.h"

#include <QTimer>

#include <optional>

class QLabel;
class QListView;
class QPushButton;

namespace qm {

class AppModel;
struct UiServices;
class WatchListModel;

// The Watched Folders section of the Settings window: the watch list in scan order (a list view
// over WatchListModel, drawn by WatchFolderDelegate, so thousands of folders stay light), each
// folder with its checkbox, name, cleanup badge, path, recorded size and hint; buttons to add
// (through a folder chooser), remove, move and restore the defaults; and why an added folder was
// refused.
class WatchSettingsForm : public SettingsForm
{
    Q_OBJECT

public:
    WatchSettingsForm(AppModel &model, UiServices &services, QWidget *parent = nullptr);

    // The selected row's path; absent with no selection.
    const std::optional<QString> &selectedPath() const { return m_selectedPath; }
    void setSelectedPath(const std::optional<QString> &path);

    // The questions before folders leave the list (and their lines leave today's record).
    static QString removeConfirmationTitle(const QString &path);
    static QString removeConfirmationMessage(const QString &path);
    static QString restoreConfirmationTitle();
    // `dropped`: the folders on the list that are not among the defaults, in list order.
    static QString restoreConfirmationMessage(const QStringList &dropped);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void scheduleRender();
    void render();
    void updateButtons();
    void addFolder();
    void askToRemove();
    void askToRestoreDefaults();
    void selectionChanged();
    void restoreSelection();

    AppModel &m_model;
    UiServices &m_services;
    std::optional<QString> m_selectedPath;
    QTimer m_renderTimer;
    WatchListModel *m_rows = nullptr;
    QListView *m_list = nullptr;
    int m_scrollBeforeReset = 0;
    QPushButton *m_remove = nullptr;
    QPushButton *m_moveUp = nullptr;
    QPushButton *m_moveDown = nullptr;
    QLabel *m_addError = nullptr;
};

} // namespace qm

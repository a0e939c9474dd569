#pragma once

#include "model/MenuTab.h"

#include <QTimer>
#include <QWidget>

class QLabel;

namespace qm {

class AppModel;
class Banner;
class ExternalVolumeList;
class ScanLine;
class SegmentedPicker;
class StorageBar;

// The top of the popover: the update and notification banners, the storage bar (or "Reading
// free space…"), the external volumes, the scan line, the prediction, a divider and the tab
// picker. Each part shows only under its condition; all of it is redrawn from the model.
class PopoverHeader : public QWidget
{
    Q_OBJECT
public:
    explicit PopoverHeader(AppModel &model, QWidget *parent = nullptr);

    void setSelectedTab(MenuTab tab);

    // The command that opens the desktop's notification settings, or empty when no known
    // settings tool is installed.
    static QStringList notificationSettingsCommand();

Q_SIGNALS:
    void tabPicked(MenuTab tab);

private:
    void scheduleRefresh();
    void refresh();

    AppModel &m_model;
    QTimer m_refreshTimer;
    Banner *m_updateBanner = nullptr;
    Banner *m_notificationBanner = nullptr;
    QWidget *m_storage = nullptr;
    QLabel *m_readingFreeSpace = nullptr;
    StorageBar *m_storageBar = nullptr;
    ExternalVolumeList *m_volumes = nullptr;
    ScanLine *m_scanLine = nullptr;
    QLabel *m_prediction = nullptr;
    SegmentedPicker *m_tabPicker = nullptr;
};

} // namespace qm

#include "ui/popover/PopoverHeader.h"
#include "ui/controls/CaptionText.h"

#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "platform/Updates.h"
#include "records/SnapshotScheduler.h"
#include "ui/controls/Divider.h"
#include "ui/controls/ScreenStyle.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/popover/Banner.h"
#include "ui/popover/ExternalVolumeList.h"
#include "ui/popover/ScanLine.h"
#include "ui/popover/StorageBar.h"
#include "units/Placeholders.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace qm {

namespace {
constexpr int storageTopGap = 14;
} // namespace

QStringList PopoverHeader::notificationSettingsCommand()
{
    const QList<QStringList> known{
        {QStringLiteral("gnome-control-center"), QStringLiteral("notifications")},
        {QStringLiteral("systemsettings"), QStringLiteral("kcm_notifications")},
    };
    for (const QStringList &command : known) {
        const QString program = QStandardPaths::findExecutable(command.first());
        if (!program.isEmpty())
            return QStringList{program} + command.mid(1);
    }
    return {};
}

PopoverHeader::PopoverHeader(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("popoverHeader"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_updateBanner = new Banner(Glyph::arrowDownCircle, {}, accentColor(this), this);
    m_updateBanner->setObjectName(QStringLiteral("updateBanner"));
    connect(m_updateBanner->addButton(QCoreApplication::translate("Popover", "Details…"),
                                      QStringLiteral("updateDetails")),
            &QPushButton::clicked,
            this,
            [this] { m_model.updates().checkForUpdates(); });
    layout->addWidget(m_updateBanner);

    m_notificationBanner
        = new Banner(Glyph::bellSlash,
                     QCoreApplication::translate("Popover", "Notifications are not allowed"),
                     Banner::warningTint(),
                     this);
    m_notificationBanner->setObjectName(QStringLiteral("notificationBanner"));
    const QStringList settingsCommand = notificationSettingsCommand();
    if (!settingsCommand.isEmpty()) {
        connect(m_notificationBanner->addButton(
                    QCoreApplication::translate("Popover", "Open System Settings"),
                    QStringLiteral("openNotificationSettings")),
                &QPushButton::clicked,
                this,
                [settingsCommand] {
                    QProcess::startDetached(settingsCommand.first(), settingsCommand.mid(1));
                });
    }
    layout->addWidget(m_notificationBanner);

    // The storage part has 14 pixels above it (see refresh()).
    m_storage = new QWidget(this);
    auto *storage = new QVBoxLayout(m_storage);
    storage->setContentsMargins(0, storageTopGap, 0, 0);
    storage->setSpacing(0);
    m_readingFreeSpace
        = new QLabel(QCoreApplication::translate("Popover", "Reading free space…"), m_storage);
    m_readingFreeSpace->setObjectName(QStringLiteral("readingFreeSpace"));
    QPalette secondary = m_readingFreeSpace->palette();
    secondary.setColor(QPalette::WindowText, toneColor(TextTone::secondary, this));
    m_readingFreeSpace->setPalette(secondary);
    storage->addWidget(m_readingFreeSpace);
    m_storageBar = new StorageBar(m_storage);
    storage->addWidget(m_storageBar);
    layout->addWidget(m_storage);

    m_volumes = new ExternalVolumeList(this);
    layout->addWidget(m_volumes);

    m_scanLine = new ScanLine(this);
    m_scanLine->setObjectName(QStringLiteral("scanLine"));
    connect(m_scanLine, &ScanLine::scanNowClicked, this, [this] {
        if (SnapshotScheduler *scheduler = m_model.scheduler())
            m_model.runBackgroundWork([scheduler] { return scheduler->requestScan(); });
    });
    layout->addWidget(m_scanLine);

    m_prediction = new QLabel(this);
    m_prediction->setObjectName(QStringLiteral("prediction"));
    m_prediction->setFont(captionFont());
    m_prediction->setWordWrap(true);
    m_prediction->setToolTip(fullPredictionHelpText());
    layout->addWidget(m_prediction);

    layout->addWidget(new Divider(this));

    m_tabPicker = new SegmentedPicker(
        {{QCoreApplication::translate("Popover", "Growth"),
          int(MenuTab::growth),
          QStringLiteral("growthTabButton")},
         {QCoreApplication::translate("Popover", "Cleanup"),
          int(MenuTab::cleanup),
          QStringLiteral("cleanupTabButton")}},
        QCoreApplication::translate("Popover", "Switch between Growth and Cleanup"),
        this);
    m_tabPicker->setObjectName(QStringLiteral("tabPicker"));
    connect(m_tabPicker, &SegmentedPicker::valueChanged, this, [this](int value) {
        Q_EMIT tabPicked(MenuTab(value));
    });
    layout->addWidget(m_tabPicker);

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PopoverHeader::refresh);
    connect(
        &m_model.monitor(), &DiskSpaceMonitor::spaceChanged, this, &PopoverHeader::scheduleRefresh);
    connect(&m_model, &AppModel::settingsChanged, this, &PopoverHeader::scheduleRefresh);
    connect(&m_model,
            &AppModel::notificationAuthorizationChanged,
            this,
            &PopoverHeader::scheduleRefresh);
    connect(&m_model, &AppModel::externalVolumesChanged, this, &PopoverHeader::scheduleRefresh);
    connect(&m_model, &AppModel::fullPredictionChanged, this, &PopoverHeader::scheduleRefresh);
    connect(&m_model.updates(),
            &UpdateController::pendingVersionChanged,
            this,
            &PopoverHeader::scheduleRefresh);
    if (SnapshotScheduler *scheduler = m_model.scheduler()) {
        connect(scheduler,
                &SnapshotScheduler::isScanningChanged,
                this,
                &PopoverHeader::scheduleRefresh);
        connect(
            scheduler, &SnapshotScheduler::snapshotsChanged, this, &PopoverHeader::scheduleRefresh);
    }
    refresh();
}

void PopoverHeader::setSelectedTab(MenuTab tab)
{
    m_tabPicker->setValue(int(tab));
}

void PopoverHeader::scheduleRefresh()
{
    m_refreshTimer.start();
}

void PopoverHeader::refresh()
{
    m_refreshTimer.stop();
    const Settings &settings = m_model.settings();

    const std::optional<QString> &version = m_model.updates().pendingVersion();
    m_updateBanner->setVisible(version.has_value());
    if (version)
        m_updateBanner->setText(fillPlaceholders(
            QCoreApplication::translate("Popover", "Version %@ is available"), {*version}));

    const bool notificationsDenied
        = m_model.notificationAuthorization() == NotificationAuthorization::denied;
    m_notificationBanner->setVisible(notificationsDenied);
    // 14 pixels between the storage part and what is above it: a banner, after which the
    // layout's spacing counts towards the gap, or the top of the header, where the layout adds
    // no spacing before its first shown item.
    const int spacing = static_cast<QBoxLayout *>(layout())->spacing();
    const bool bannerAbove = version.has_value() || notificationsDenied;
    m_storage->layout()->setContentsMargins(
        0, bannerAbove ? storageTopGap - spacing : storageTopGap, 0, 0);

    const std::optional<DiskSpace> space = m_model.monitor().space();
    m_readingFreeSpace->setVisible(!space);
    m_storageBar->setVisible(space.has_value());
    if (space)
        m_storageBar->setSpace(*space, settings.unit);

    const bool showVolumes = settings.showExternalVolumes && !m_model.externalVolumes().isEmpty();
    m_volumes->setVisible(showVolumes);
    if (showVolumes)
        m_volumes->setVolumes(m_model.externalVolumes(), settings.unit);

    const SnapshotScheduler *scheduler = m_model.scheduler();
    const std::optional<Snapshot> latest = scheduler ? scheduler->latestSnapshot() : std::nullopt;
    m_scanLine->setState(scanTimeText(latest, m_model.now(), m_model.calendar()),
                         scheduler && scheduler->isScanning());

    const std::optional<FullPrediction> prediction = m_model.fullPrediction();
    m_prediction->setVisible(prediction.has_value());
    if (prediction)
        m_prediction->setText(fullPredictionText(*prediction));
}

} // namespace qm

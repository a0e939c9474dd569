#include "ui/settings/AboutSettingsForm.h"

#include "model/AppModel.h"
#include "platform/Calendar.h"
#include "platform/LogExportController.h"
#include "platform/PlatformProfile.h"
#include "platform/Updates.h"
#include "ui/controls/BusySpinner.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/UiServices.h"

#include "BuildNumber.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStandardPaths>

namespace qm {

QString AboutSettingsForm::versionText(const QString &name,
                                       const QString &shortVersion,
                                       const QString &build)
{
    const auto orDefault = [](const QString &text, const QString &fallback) {
        return text.isEmpty() ? fallback : text;
    };
    return orDefault(name, QStringLiteral("Quillmere")) + QLatin1Char(' ')
           + orDefault(shortVersion, QStringLiteral("?")) + QStringLiteral(" (")
           + orDefault(build, QStringLiteral("?")) + QLatin1Char(')');
}

QString AboutSettingsForm::versionText()
{
#ifdef QUILLMERE_VERSION
    const QString version = QStringLiteral(QUILLMERE_VERSION);
#else
    const QString version;
#endif
#ifdef QUILLMERE_BUILD
    const QString build = QStringLiteral(QUILLMERE_BUILD);
#else
    const QString build;
#endif
    return versionText(QStringLiteral("Quillmere"), version, build);
}

QString AboutSettingsForm::logFileName(const QString &dayKey)
{
    return QStringLiteral("Quillmere-log-") + dayKey + QStringLiteral(".txt");
}

AboutSettingsForm::AboutSettingsForm(AppModel &model,
                                     UiServices &services,
                                     const QStringList &deviceLines,
                                     QWidget *parent)
    : SettingsForm(parent)
    , m_model(model)
    , m_services(services)
{
    setObjectName(QStringLiteral("aboutSettings"));

    SettingsGroup *version = addGroup(tr("Version"));
    auto *versionLine = new QLabel(versionText(), this);
    versionLine->setObjectName(QStringLiteral("versionText"));
    versionLine->setAccessibleName(tr("Version ") + versionLine->text());
    version->addRow(versionLine);
    for (const QString &line : deviceLines) {
        QLabel *device = captionLabel(line, TextTone::secondary, this);
        device->setObjectName(QStringLiteral("deviceLine"));
        device->setTextInteractionFlags(Qt::TextSelectableByMouse);
        version->addRow(device);
    }

    // Where something else brings new versions (the system's packages on Linux), the group says
    // what; an updater of our own gets its controls, disabled while there is none.
    UpdateController &updates = model.updates();
    SettingsGroup *group = addGroup(tr("Updates"));
    const QString source
        = updates.hasUpdater()
              ? QString()
              : updateSourceText(currentProfile(), QProcessEnvironment::systemEnvironment().keys());
    if (!source.isEmpty()) {
        QLabel *line = captionLabel(source, TextTone::secondary, this);
        line->setObjectName(QStringLiteral("updateSource"));
        line->setWordWrap(true);
        group->addRow(line);
    } else {
        auto *check = new QPushButton(tr("Check for Updates…"), this);
        check->setObjectName(QStringLiteral("checkForUpdates"));
        check->setEnabled(updates.hasUpdater());
        connect(check, &QPushButton::clicked, &updates, &UpdateController::checkForUpdates);
        group->addRow(check);
        auto *automatic = new QCheckBox(tr("Automatically check for updates"), this);
        automatic->setEnabled(updates.hasUpdater());
        automatic->setChecked(updates.automaticallyChecksForUpdates());
        connect(automatic,
                &QCheckBox::clicked,
                &updates,
                &UpdateController::setAutomaticallyChecksForUpdates);
        connect(&updates,
                &UpdateController::automaticallyChecksForUpdatesChanged,
                automatic,
                [automatic, &updates] {
                    automatic->setChecked(updates.automaticallyChecksForUpdates());
                });
        group->addRow(automatic);
        group->setFooter(
            tr("When on, checks once a day. New versions are shown with what changed."));
    }

    SettingsGroup *settings = addGroup(tr("Settings"));
    auto *reset = new QPushButton(tr("Reset Settings…"), this);
    reset->setObjectName(QStringLiteral("resetSettingsButton"));
    connect(reset, &QPushButton::clicked, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_services.confirm(resetSettingsConfirmationTitle(),
                                   resetSettingsConfirmationMessage(),
                                   resetSettingsConfirmationButton(),
                                   window(),
                                   [form = QPointer(this)](bool confirmed) {
                                       if (confirmed && form)
                                           form->m_model.resetSettings();
                                   });
            },
            Qt::QueuedConnection);
    });
    auto *resetRow = new QHBoxLayout;
    resetRow->addWidget(reset);
    resetRow->addStretch(1);
    settings->addRow(resetRow);
    settings->setFooter(
        tr("Returns settings.json to its defaults. Records (snapshots.json) are kept."));

    SettingsGroup *log = addGroup(tr("Log"));
    auto *logRow = new QHBoxLayout;
    m_export = new QPushButton(tr("Export Log…"), this);
    m_export->setObjectName(QStringLiteral("exportLogButton"));
    connect(m_export, &QPushButton::clicked, this, [this] {
        QMetaObject::invokeMethod(this, &AboutSettingsForm::exportLog, Qt::QueuedConnection);
    });
    logRow->addWidget(m_export);
    m_exportSpinner = new BusySpinner(this);
    logRow->addWidget(m_exportSpinner);
    m_exportStatus = captionLabel(QString(), TextTone::secondary, this);
    m_exportStatus->setObjectName(QStringLiteral("exportLogStatus"));
    m_exportStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_exportStatus->setMaximumHeight(QFontMetrics(captionFont()).lineSpacing() * 2);
    logRow->addWidget(m_exportStatus, 1);
    log->addRow(logRow);
    log->setFooter(tr("Saves the last 7 days of this app’s log (log show) to a text file, for bug "
                      "reports."));

    LogExportController &exporter = model.logExport();
    connect(&exporter, &LogExportController::isExportingChanged, this, &AboutSettingsForm::update);
    connect(&exporter, &LogExportController::lastResultChanged, this, &AboutSettingsForm::update);
    update();
}

void AboutSettingsForm::exportLog()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString suggested = QDir(desktop).filePath(
        logFileName(Calendar::current().dayKey(QDateTime::currentDateTime())));
    const QString chosen = m_services.chooseSaveFile(window(), suggested);
    if (!chosen.isEmpty())
        m_model.logExport().exportTo(chosen);
}

void AboutSettingsForm::update()
{
    const LogExportController &exporter = m_model.logExport();
    const bool exporting = exporter.isExporting();
    m_export->setEnabled(!exporting);
    m_exportSpinner->setVisible(exporting);
    if (exporting)
        m_exportStatus->setText(tr("Exporting…"));
    else
        m_exportStatus->setText(exporter.lastResult().value_or(QString()));
}

} // namespace qm

#include "ui/settings/GeneralSettingsForm.h"

#include "model/AppModel.h"
#include "platform/LoginItem.h"
#include "platform/PlatformProfile.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/UiServices.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace qm {

QString GeneralSettingsForm::fullDiskAccessText(FullDiskAccess::Status status)
{
    switch (status) {
    case FullDiskAccess::Status::granted:
        return tr("Granted");
    case FullDiskAccess::Status::denied:
        return tr("Not granted (Mail and Messages will not be recorded)");
    case FullDiskAccess::Status::undetermined:
        break;
    }
    return tr("Unknown");
}

GeneralSettingsForm::GeneralSettingsForm(AppModel &model, UiServices &services, QWidget *parent)
    : SettingsForm(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("generalSettings"));

    SettingsGroup *startup = addGroup(tr("Startup"));
    m_launchAtLogin = new QCheckBox(tr("Launch at Login"), this);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    connect(m_launchAtLogin, &QCheckBox::clicked, this, [this](bool on) {
        m_model.setLaunchAtLogin(on);
        update();
    });
    startup->addRow(m_launchAtLogin);
    // The autostart entry of the desktop never waits for an approval, so there is no approval
    // row to show.
    m_loginError = captionLabel(QString(), TextTone::red, this);
    m_loginError->setObjectName(QStringLiteral("launchAtLoginError"));
    startup->addRow(m_loginError);

    SettingsGroup *units = addGroup(tr("Units"));
    auto *unitRow = new QWidget(this);
    unitRow->setAccessibleName(tr("Capacity unit"));
    auto *unitLayout = new QGridLayout(unitRow);
    unitLayout->setContentsMargins(0, 0, 0, 0);
    unitLayout->setHorizontalSpacing(12);
    unitLayout->addWidget(new QLabel(tr("Capacity unit"), unitRow), 0, 0, Qt::AlignTop);
    m_units = new QButtonGroup(this);
    int line = 0;
    for (const ByteUnit unit : {ByteUnit::GB, ByteUnit::GiB}) {
        auto *choice = new QRadioButton(unitDescription(unit), unitRow);
        choice->setObjectName(QStringLiteral("unit_") + byteUnitRawValue(unit));
        m_units->addButton(choice, int(unit));
        unitLayout->addWidget(choice, line++, 1);
    }
    unitLayout->setColumnStretch(1, 1);
    connect(m_units, &QButtonGroup::idClicked, this, [this](int id) {
        const auto unit = static_cast<ByteUnit>(id);
        if (unit == m_model.settings().unit)
            return;
        m_model.setUnit(unit);
        m_model.clampWarningLineToCapacity();
    });
    units->addRow(unitRow);
    units->addRow(captionLabel(
        tr("Applies to every size shown in the menu bar, popover, settings, and notifications, and "
           "to how thresholds are read. Numbers stay as they are when you switch (20 means 20 GB → "
           "20 GiB). Values above the limit are rounded."),
        TextTone::secondary,
        this));

    if (currentProfile().hasFullDiskAccessControl) {
        SettingsGroup *permissions = addGroup(tr("Permissions"));
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(tr("Full Disk Access"), this));
        row->addStretch(1);
        m_accessStatus = new QLabel(this);
        applyTone(m_accessStatus, TextTone::secondary);
        row->addWidget(m_accessStatus);
        auto *open = new QPushButton(tr("Open System Settings"), this);
        connect(open, &QPushButton::clicked, this, [&services] {
            services.openUrl(QStringLiteral(
                "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"));
        });
        row->addWidget(open);
        permissions->addRow(row);
        connect(&model, &AppModel::fullDiskAccessChanged, this, &GeneralSettingsForm::update);
    }

    connect(&model, &AppModel::settingsChanged, this, &GeneralSettingsForm::update);
    connect(&model.launchAtLogin(),
            &LaunchAtLogin::isEnabledChanged,
            this,
            &GeneralSettingsForm::update);
    connect(&model.launchAtLogin(),
            &LaunchAtLogin::lastErrorChanged,
            this,
            &GeneralSettingsForm::update);
    update();
}

void GeneralSettingsForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    m_model.refreshFullDiskAccess();
}

void GeneralSettingsForm::update()
{
    const LaunchAtLogin &login = m_model.launchAtLogin();
    m_launchAtLogin->setChecked(login.isEnabled());
    m_loginError->setText(login.lastError().value_or(QString()));
    m_loginError->setVisible(login.lastError().has_value());
    if (QAbstractButton *unit = m_units->button(int(m_model.settings().unit)))
        unit->setChecked(true);
    if (m_accessStatus)
        m_accessStatus->setText(fullDiskAccessText(m_model.fullDiskAccess()));
}

} // namespace qm

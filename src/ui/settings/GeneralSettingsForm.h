#pragma once

#include "platform/FullDiskAccess.h"
#include "ui/settings/SettingsGroup.h"

class QButtonGroup;
class QCheckBox;
class QLabel;

namespace qm {

class AppModel;
struct UiServices;

// The General section of the Settings window: launch at login (with the error of a failed
// change), the capacity unit, and, where the system has such a control, Full Disk Access.
class GeneralSettingsForm : public SettingsForm
{
    Q_OBJECT

public:
    GeneralSettingsForm(AppModel &model, UiServices &services, QWidget *parent = nullptr);

    // The Full Disk Access status as shown.
    static QString fullDiskAccessText(FullDiskAccess::Status status);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void update();

    AppModel &m_model;
    QCheckBox *m_launchAtLogin = nullptr;
    QLabel *m_loginError = nullptr;
    QButtonGroup *m_units = nullptr;
    QLabel *m_accessStatus = nullptr;
};

} // namespace qm

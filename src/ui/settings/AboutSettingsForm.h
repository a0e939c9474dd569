#pragma once

#include "ui/settings/SettingsGroup.h"

#include <QStringList>

class QLabel;
class QPushButton;

namespace qm {

class AppModel;
class BusySpinner;
struct UiServices;

// The About section of the Settings window: the version and the device lines, update checks
// (or what updates the program where it has no updater), "Reset Settings…" and "Export Log…".
class AboutSettingsForm : public SettingsForm
{
    Q_OBJECT

public:
    AboutSettingsForm(AppModel &model,
                      UiServices &services,
                      const QStringList &deviceLines,
                      QWidget *parent = nullptr);

    // "<name> <short version> (<build>)", with "Quillmere" and "?" for what is missing.
    static QString
    versionText(const QString &name, const QString &shortVersion, const QString &build);
    // The version of this program.
    static QString versionText();
    // The file name offered by "Export Log…": "Quillmere-log-<day key>.txt".
    static QString logFileName(const QString &dayKey);

private:
    void exportLog();
    void update();

    AppModel &m_model;
    UiServices &m_services;
    QPushButton *m_export = nullptr;
    BusySpinner *m_exportSpinner = nullptr;
    QLabel *m_exportStatus = nullptr;
};

} // namespace qm

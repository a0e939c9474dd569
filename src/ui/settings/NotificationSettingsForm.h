#pragma once

#include "freespace/NotificationAuthorization.h"
#include "ui/settings/SettingsGroup.h"

#include <QStringList>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qm {

class AppModel;
class Stepper;

// The Notifications section of the Settings window: notifications on or off, the warning and
// critical lines typed or stepped (with the note when a value was rounded), and the
// notification permission. The two fields keep what the user typed until it is committed by
// Return or by leaving the field; then they show the stored values again.
class NotificationSettingsForm : public SettingsForm
{
    Q_OBJECT

public:
    explicit NotificationSettingsForm(AppModel &model, QWidget *parent = nullptr);

    // The permission as shown.
    static QString authorizationText(const std::optional<NotificationAuthorization> &status);
    // The desktop's notification settings page, when a known settings program is installed.
    static std::optional<QStringList> notificationSettingsCommand();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class LineField { threshold, critical };

    // Commits what the user typed into `edit`; nothing when it was not edited since it was last
    // written.
    void commitTyped(LineField field, QLineEdit *edit);
    void commit(LineField field, const QString &text);
    void rewriteTexts();
    void update();

    AppModel &m_model;
    QLineEdit *m_warning = nullptr;
    QLineEdit *m_critical = nullptr;
    Stepper *m_warningStepper = nullptr;
    Stepper *m_criticalStepper = nullptr;
    QLabel *m_warningLabel = nullptr;
    QLabel *m_criticalLabel = nullptr;
    QLabel *m_warningUnit = nullptr;
    QLabel *m_criticalUnit = nullptr;
    QLabel *m_warningCaption = nullptr;
    QLabel *m_criticalCaption = nullptr;
    QLabel *m_roundingNote = nullptr;
    QLabel *m_permission = nullptr;
};

} // namespace qm

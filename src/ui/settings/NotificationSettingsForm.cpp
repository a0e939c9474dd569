#include "ui/settings/NotificationSettingsForm.h"

#include "freespace/AlertRules.h"
#include "model/AppModel.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/Stepper.h"
#include "units/SizeText.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

namespace qm {

QString
NotificationSettingsForm::authorizationText(const std::optional<NotificationAuthorization> &status)
{
    if (status == NotificationAuthorization::denied)
        return tr("Not allowed");
    if (status == NotificationAuthorization::authorized)
        return tr("Allowed");
    return tr("Not determined");
}

std::optional<QStringList> NotificationSettingsForm::notificationSettingsCommand()
{
    const QStringList candidates[] = {
        {QStringLiteral("gnome-control-center"), QStringLiteral("notifications")},
        {QStringLiteral("systemsettings"), QStringLiteral("kcm_notifications")},
    };
    for (const QStringList &candidate : candidates) {
        const QString program = QStandardPaths::findExecutable(candidate.constFirst());
        if (!program.isEmpty())
            return QStringList{program, candidate.at(1)};
    }
    return std::nullopt;
}

NotificationSettingsForm::NotificationSettingsForm(AppModel &model, QWidget *parent)
    : SettingsForm(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("notificationSettings"));
    SettingsGroup *lines = addGroup(tr("Free Space Color and Notifications"));

    auto *notify = new QCheckBox(tr("Send free space notifications"), this);
    notify->setObjectName(QStringLiteral("notifyEnabled"));
    connect(notify, &QCheckBox::clicked, this, [this](bool on) { m_model.setNotifyEnabled(on); });
    connect(&model, &AppModel::settingsChanged, notify, [notify, &model] {
        notify->setChecked(model.settings().notifyEnabled);
    });
    notify->setChecked(model.settings().notifyEnabled);
    lines->addRow(notify);
    lines->addRow(captionLabel(tr("Even when off, the menu bar color follows the warning and "
                                  "critical lines."),
                               TextTone::secondary,
                               this));

    // One row per line: label, field, stepper, unit.
    const auto lineRow = [this, lines](const QString &name,
                                       QLabel *&label,
                                       QLineEdit *&field,
                                       Stepper *&stepper,
                                       QLabel *&unit,
                                       const QString &stepperName,
                                       LineField which) {
        auto *row = new QHBoxLayout;
        label = new QLabel(this);
        row->addWidget(label);
        row->addStretch(1);
        field = new QLineEdit(this);
        field->setObjectName(name);
        field->setFixedWidth(64);
        field->setAlignment(Qt::AlignRight);
        field->installEventFilter(this);
        connect(field, &QLineEdit::returnPressed, this, [this, field, which] {
            commitTyped(which, field);
        });
        row->addWidget(field);
        stepper = new Stepper(this);
        stepper->setObjectName(name + QStringLiteral("Stepper"));
        stepper->setAccessibleName(stepperName);
        connect(stepper, &Stepper::stepped, this, [this, which](qint64 value) {
            commit(which, wholeNumberText(value));
        });
        row->addWidget(stepper);
        unit = new QLabel(this);
        row->addWidget(unit);
        lines->addRow(row);
    };

    lineRow(QStringLiteral("warningLineField"),
            m_warningLabel,
            m_warning,
            m_warningStepper,
            m_warningUnit,
            tr("Adjust warning line"),
            LineField::threshold);
    m_warningCaption = captionLabel(QString(), TextTone::secondary, this);
    m_warningCaption->setObjectName(QStringLiteral("warningLineCaption"));
    lines->addRow(m_warningCaption);
    lineRow(QStringLiteral("criticalLineField"),
            m_criticalLabel,
            m_critical,
            m_criticalStepper,
            m_criticalUnit,
            tr("Adjust critical line"),
            LineField::critical);
    m_criticalCaption = captionLabel(QString(), TextTone::secondary, this);
    m_criticalCaption->setObjectName(QStringLiteral("criticalLineCaption"));
    lines->addRow(m_criticalCaption);
    m_roundingNote = captionLabel(QString(), TextTone::orange, this);
    m_roundingNote->setObjectName(QStringLiteral("roundingNote"));
    m_roundingNote->setVisible(false);
    lines->addRow(m_roundingNote);

    SettingsGroup *permission = addGroup(tr("Notification Permission"));
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(new QLabel(tr("Status"), this));
    statusRow->addStretch(1);
    m_permission = new QLabel(this);
    m_permission->setObjectName(QStringLiteral("notificationPermission"));
    applyTone(m_permission, TextTone::secondary);
    statusRow->addWidget(m_permission);
    // Shown only where the desktop has a notification settings page to open.
    if (const std::optional<QStringList> command = notificationSettingsCommand()) {
        auto *open = new QPushButton(tr("Open System Settings"), this);
        connect(open, &QPushButton::clicked, this, [command] {
            QProcess::startDetached(command->constFirst(), command->mid(1));
        });
        statusRow->addWidget(open);
    }
    permission->addRow(statusRow);
    permission->addRow(captionLabel(tr("Notification style and sound can be changed in System "
                                       "Settings"),
                                    TextTone::secondary,
                                    this));

    connect(&model, &AppModel::settingsChanged, this, &NotificationSettingsForm::update);
    connect(&model,
            &AppModel::notificationAuthorizationChanged,
            this,
            &NotificationSettingsForm::update);
    rewriteTexts();
    update();
}

void NotificationSettingsForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    rewriteTexts();
    m_model.runBackgroundWork(
        [model = &m_model] { return model->reloadNotificationAuthorization(); });
}

bool NotificationSettingsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        // Leaving the field commits it; the window losing focus or a menu opening does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_warning)
                commitTyped(LineField::threshold, m_warning);
            else if (watched == m_critical)
                commitTyped(LineField::critical, m_critical);
        }
    }
    return SettingsForm::eventFilter(watched, event);
}

void NotificationSettingsForm::commitTyped(LineField field, QLineEdit *edit)
{
    // A field that still shows the stored value has nothing to commit; committing it again would
    // clear the note of the value the user just entered (Return, then leaving the field).
    if (!edit->isModified())
        return;
    commit(field, edit->text());
}

void NotificationSettingsForm::commit(LineField field, const QString &text)
{
    const AppModel::LineInputOutcome outcome = field == LineField::threshold
                                                   ? m_model.applyWarningLineInput(text)
                                                   : m_model.applyCriticalLineInput(text);
    const std::optional<QString> note = outcome.applied ? outcome.note : std::nullopt;
    m_roundingNote->setText(note.value_or(QString()));
    m_roundingNote->setVisible(note.has_value());
    rewriteTexts();
}

void NotificationSettingsForm::rewriteTexts()
{
    m_warning->setText(wholeNumberText(m_model.settings().thresholdGB));
    m_critical->setText(wholeNumberText(m_model.settings().criticalGB));
}

void NotificationSettingsForm::update()
{
    const Settings &settings = m_model.settings();
    const QString unit = byteUnitRawValue(settings.unit);
    const qint64 warningLimit = m_model.warningLineLimit();
    const qint64 criticalLimit = qMax<qint64>(settings.thresholdGB - 1, 1);

    m_warningLabel->setText(tr("%1 (%2)").arg(tr("Warning Line"), unit));
    m_warning->setAccessibleName(m_warningLabel->text());
    m_criticalLabel->setText(tr("%1 (%2)").arg(tr("Critical Line"), unit));
    m_critical->setAccessibleName(m_criticalLabel->text());
    m_warningUnit->setText(unit);
    m_criticalUnit->setText(unit);
    m_warningStepper->setRange(lowestWarningLine, warningLimit);
    m_warningStepper->setValue(settings.thresholdGB);
    m_criticalStepper->setRange(1, criticalLimit);
    m_criticalStepper->setValue(settings.criticalGB);
    m_warningCaption->setText(
        tr("When free space drops below this, the menu bar turns yellow and a notification is sent "
           "at this value (once a day). %1–%2 %3 (up to the startup disk’s total capacity).")
            .arg(wholeNumberText(lowestWarningLine), wholeNumberText(warningLimit), unit));
    m_criticalCaption->setText(
        tr("When free space drops below this, the menu bar turns red. Must be below the warning "
           "line (%1–%2 %3). Entering the warning line or more rounds it to the warning line − %1.")
            .arg(wholeNumberText(1), wholeNumberText(criticalLimit), unit));
    m_permission->setText(authorizationText(m_model.notificationAuthorization()));
}

} // namespace qm

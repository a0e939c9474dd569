#pragma once

#include "freespace/MenuBarStyle.h"
#include "ui/settings/SettingsGroup.h"

#include <QHash>

class QButtonGroup;
class QCheckBox;
class QLabel;

namespace qm {

class AppModel;

// The Menu Bar section of the Settings window: the label style with a preview of each style,
// one decimal, the gauge, the external volumes, and the refresh interval.
class MenuBarSettingsForm : public SettingsForm
{
    Q_OBJECT

public:
    explicit MenuBarSettingsForm(AppModel &model, QWidget *parent = nullptr);

    // The text of a style's choice: its name, two spaces, and the preview (the label in that
    // style in quotes; nothing before the first reading).
    static QString styleChoiceText(const QString &name, const std::optional<QString> &preview);

private:
    void update();

    AppModel &m_model;
    QButtonGroup *m_styles = nullptr;
    QHash<int, QLabel *> m_previewImages;
    QCheckBox *m_decimal = nullptr;
    QCheckBox *m_gauge = nullptr;
    QCheckBox *m_volumes = nullptr;
    QButtonGroup *m_intervals = nullptr;
};

} // namespace qm

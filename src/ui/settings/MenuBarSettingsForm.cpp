#include "ui/settings/MenuBarSettingsForm.h"

#include "freespace/DiskSpaceMonitor.h"
#include "freespace/MenuBarLabel.h"
#include "model/AppModel.h"
#include "ui/controls/CaptionText.h"
#include "ui/tray/MenuBarImage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

namespace qm {

namespace {

struct IntervalChoice
{
    qint64 seconds;
    const char *text;
};

constexpr IntervalChoice intervalChoices[] = {
    {30, QT_TRANSLATE_NOOP("MenuBarSettingsForm", "30 s")},
    {60, QT_TRANSLATE_NOOP("MenuBarSettingsForm", "60 s")},
    {300, QT_TRANSLATE_NOOP("MenuBarSettingsForm", "5 min")},
};

} // namespace

QString MenuBarSettingsForm::styleChoiceText(const QString &name,
                                             const std::optional<QString> &preview)
{
    const QString quoted = preview ? tr("“%1”").arg(*preview) : QString();
    return name + QStringLiteral("  ") + quoted;
}

MenuBarSettingsForm::MenuBarSettingsForm(AppModel &model, QWidget *parent)
    : SettingsForm(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("menuBarSettings"));
    SettingsGroup *display = addGroup(tr("Menu Bar Display"));

    auto *styles = new QWidget(this);
    styles->setAccessibleName(tr("Menu bar style"));
    auto *grid = new QGridLayout(styles);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->addWidget(new QLabel(tr("Style"), styles), 0, 0, Qt::AlignTop);
    m_styles = new QButtonGroup(this);
    int line = 0;
    for (const MenuBarStyle style : allMenuBarStyles) {
        auto *choice = new QRadioButton(styles);
        choice->setObjectName(QStringLiteral("style_") + menuBarStyleRawValue(style));
        m_styles->addButton(choice, int(style));
        grid->addWidget(choice, line, 1);
        auto *image = new QLabel(styles);
        image->setObjectName(QStringLiteral("stylePreviewImage"));
        m_previewImages.insert(int(style), image);
        grid->addWidget(image, line, 2, Qt::AlignRight | Qt::AlignVCenter);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    connect(m_styles, &QButtonGroup::idClicked, this, [this](int id) {
        const auto style = static_cast<MenuBarStyle>(id);
        if (style != m_model.settings().menuBarStyle)
            m_model.setMenuBarStyle(style);
    });
    display->addRow(styles);

    m_decimal = new QCheckBox(tr("Show one decimal (applies to all size displays)"), this);
    m_decimal->setObjectName(QStringLiteral("showDecimal"));
    connect(m_decimal, &QCheckBox::clicked, this, [this](bool on) {
        m_model.setDecimalDigits(on ? 1 : 0);
    });
    display->addRow(m_decimal);

    m_gauge = new QCheckBox(tr("Show Gauge"), this);
    m_gauge->setObjectName(QStringLiteral("showGauge"));
    connect(m_gauge, &QCheckBox::clicked, this, [this](bool on) { m_model.setShowGauge(on); });
    display->addRow(m_gauge);
    display->addRow(captionLabel(
        tr("Shows a thin usage gauge under the number that turns yellow or red at the warning and "
           "critical lines. When off, only text is shown and no color (notifications still "
           "arrive)."),
        TextTone::secondary,
        this));

    m_volumes = new QCheckBox(tr("Show external volume free space"), this);
    m_volumes->setObjectName(QStringLiteral("showExternalVolumes"));
    connect(m_volumes, &QCheckBox::clicked, this, [this](bool on) {
        m_model.setShowExternalVolumes(on);
        m_model.requestExternalVolumes();
    });
    display->addRow(m_volumes);
    display->addRow(captionLabel(
        tr("Lists the free space of connected external volumes under the bar in the popover (up "
           "to %1, then “and N more”). Disk images and network volumes are not listed, and no "
           "color is used.")
            .arg(QLocale().toString(3)),
        TextTone::secondary,
        this));

    SettingsGroup *refresh = addGroup(tr("Refresh Interval"));
    auto *picker = new QWidget(this);
    picker->setAccessibleName(tr("Refresh Interval"));
    auto *pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(0, 0, 0, 0);
    pickerRow->addWidget(new QLabel(tr("Refresh Interval"), picker));
    pickerRow->addStretch(1);
    pickerRow->setSpacing(0);
    m_intervals = new QButtonGroup(this);
    m_intervals->setExclusive(true);
    for (const IntervalChoice &choice : intervalChoices) {
        auto *segment = new QPushButton(tr(choice.text), picker);
        segment->setObjectName(QStringLiteral("interval_%1").arg(choice.seconds));
        segment->setCheckable(true);
        m_intervals->addButton(segment, int(choice.seconds));
        pickerRow->addWidget(segment);
    }
    connect(m_intervals, &QButtonGroup::idClicked, this, [this](int seconds) {
        m_model.setRefreshInterval(seconds);
    });
    refresh->addRow(picker);
    refresh->addRow(captionLabel(tr("How often the free space number and the notification check "
                                    "update. Doesn’t affect the once-a-day scan."),
                                 TextTone::secondary,
                                 this));

    connect(&model, &AppModel::settingsChanged, this, &MenuBarSettingsForm::update);
    connect(&model.monitor(), &DiskSpaceMonitor::spaceChanged, this, &MenuBarSettingsForm::update);
    update();
}

void MenuBarSettingsForm::update()
{
    const Settings &settings = m_model.settings();
    const std::optional<DiskSpace> space = m_model.monitor().space();
    for (const MenuBarStyle style : allMenuBarStyles) {
        QAbstractButton *choice = m_styles->button(int(style));
        const std::optional<QString> preview
            = space ? std::optional<QString>(m_model.menuBarText(style)) : std::nullopt;
        choice->setText(styleChoiceText(menuBarStyleName(style), preview));
        choice->setChecked(style == settings.menuBarStyle);
        // The label as the panel shows it, gauge included.
        QLabel *image = m_previewImages.value(int(style));
        if (!space) {
            image->clear();
            continue;
        }
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap = QPixmap::fromImage(menuBarImage(m_model.menuBarText(style),
                                                         space,
                                                         settings,
                                                         ratio,
                                                         menuBarFont(),
                                                         menuBarLabelColor()));
        pixmap.setDevicePixelRatio(ratio);
        image->setPixmap(pixmap);
    }
    m_decimal->setChecked(settings.decimalDigits == 1);
    m_gauge->setChecked(settings.showGauge);
    m_volumes->setChecked(settings.showExternalVolumes);
    if (QAbstractButton *segment = m_intervals->button(int(settings.refreshInterval)))
        segment->setChecked(true);
}

} // namespace qm

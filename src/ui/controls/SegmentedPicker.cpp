#include "ui/controls/SegmentedPicker.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

namespace qm {

namespace {

// The chosen segment in the accent colour: a checked push button drawn by the style alone looks
// like an unchecked one in some dark schemes.
void showChosen(QPushButton *button, const QPalette &base, bool chosen)
{
    QPalette palette = base;
    if (chosen) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Button, base.color(group, QPalette::Highlight));
            palette.setColor(
                group, QPalette::ButtonText, base.color(group, QPalette::HighlightedText));
        }
    }
    button->setPalette(palette);
}

} // namespace

SegmentedPicker::SegmentedPicker(const QList<Item> &items,
                                 const QString &accessibleName,
                                 QWidget *parent)
    : QWidget(parent)
    , m_items(items)
{
    setAccessibleName(accessibleName);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (const Item &item : items) {
        auto *button = new QPushButton(item.text, this);
        button->setObjectName(item.objectName);
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(button);
        layout->addWidget(button);
        m_buttons.append(button);
        connect(button, &QPushButton::toggled, this, [this, button](bool checked) {
            showChosen(button, palette(), checked);
        });
        const int value = item.value;
        connect(button, &QPushButton::clicked, this, [this, value] {
            if (m_value == value)
                return;
            m_value = value;
            Q_EMIT valueChanged(value);
        });
    }
    if (!items.isEmpty())
        setValue(items.first().value);
}

void SegmentedPicker::setValue(int value)
{
    m_value = value;
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_buttons[i]->setChecked(m_items[i].value == value);
}

QPushButton *SegmentedPicker::button(int value) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].value == value)
            return m_buttons[i];
    }
    return nullptr;
}

} // namespace qm

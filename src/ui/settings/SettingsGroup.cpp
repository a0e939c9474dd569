#include "ui/settings/SettingsGroup.h"

#include "ui/controls/CaptionText.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace qm {

SettingsGroup::SettingsGroup(const QString &title, QWidget *parent)
    : QWidget(parent)
{
    m_outer = new QVBoxLayout(this);
    m_outer->setContentsMargins(0, 0, 0, 0);
    m_outer->setSpacing(6);
    if (!title.isEmpty()) {
        auto *heading = new QLabel(title, this);
        QFont font = heading->font();
        font.setWeight(QFont::DemiBold);
        heading->setFont(font);
        heading->setObjectName(QStringLiteral("groupHeading"));
        m_outer->addWidget(heading);
    }
    m_box = new QFrame(this);
    m_box->setFrameShape(QFrame::StyledPanel);
    m_box->setFrameShadow(QFrame::Plain);
    m_box->setBackgroundRole(QPalette::Base);
    m_box->setAutoFillBackground(true);
    m_rows = new QVBoxLayout(m_box);
    m_rows->setContentsMargins(12, 10, 12, 10);
    m_rows->setSpacing(8);
    m_outer->addWidget(m_box);
}

void SettingsGroup::addRow(QWidget *row)
{
    m_rows->addWidget(row);
}

void SettingsGroup::addRow(QLayout *row)
{
    m_rows->addLayout(row);
}

void SettingsGroup::setFooter(const QString &text)
{
    QLabel *footer = captionLabel(text, TextTone::secondary, this);
    footer->setObjectName(QStringLiteral("groupFooter"));
    footer->setContentsMargins(4, 0, 4, 0);
    m_outer->addWidget(footer);
}

SettingsForm::SettingsForm(QWidget *parent)
    : QWidget(parent)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // On a small or scaled screen a form may be wider than the window: it scrolls sideways
    // rather than being cut off at the window's edge.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto *content = new QWidget(scroll);
    m_groups = new QVBoxLayout(content);
    // Narrower at the sides than above and below: the longest choices (the capacity units) fit
    // the window's preferred width without scrolling sideways.
    m_groups->setContentsMargins(16, 20, 16, 20);
    m_groups->setSpacing(20);
    m_groups->addStretch(1);
    scroll->setWidget(content);
    outer->addWidget(scroll);
}

SettingsGroup *SettingsForm::addGroup(const QString &title)
{
    auto *group = new SettingsGroup(title, this);
    // Before the closing stretch.
    m_groups->insertWidget(m_groups->count() - 1, group);
    return group;
}

} // namespace qm

#include "ui/popover/ExternalVolumeList.h"

#include "ui/controls/Badge.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/ScreenStyle.h"
#include "ui/controls/ShareBar.h"
#include "units/NameText.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

namespace {

QWidget *volumeLine(const ExternalVolume &volume, ByteUnit unit, QWidget *parent)
{
    auto *line = new QWidget(parent);
    line->setObjectName(QStringLiteral("volumeLine"));
    auto *column = new QVBoxLayout(line);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    auto *name = new ElidedLabel(displayName(volume.name), Qt::ElideMiddle, line);
    name->setFont(captionFont());
    row->addWidget(name, 1);
    if (volume.isReadOnly)
        row->addWidget(new Badge(QCoreApplication::translate("ExternalVolume", "Read-only"), line));
    auto *size = secondaryCaption(volumeLineText(volume.space, unit), line);
    row->addWidget(size);
    column->addLayout(row);
    if (const std::optional<double> used = volumeUsedFraction(volume.space)) {
        auto *bar = new ShareBar(4, 2, line);
        bar->setLayers({{1.0, 0.15}, {*used, 0.4}});
        column->addWidget(bar);
    }
    line->setAccessibleName(displayName(volume.name) + QStringLiteral(", ") + size->text());
    return line;
}

} // namespace

ExternalVolumeList::ExternalVolumeList(QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("externalVolumes"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(6);
}

void ExternalVolumeList::setVolumes(const ExternalVolumes &volumes, ByteUnit unit)
{
    if (volumes == m_volumes && unit == m_unit && !m_layout->isEmpty())
        return;
    m_volumes = volumes;
    m_unit = unit;
    rebuild();
}

void ExternalVolumeList::rebuild()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const VolumeLines lines = m_expanded ? VolumeLines{m_volumes, 0} : volumeLines(m_volumes);
    for (const ExternalVolume &volume : lines.shown)
        m_layout->addWidget(volumeLine(volume, m_unit, this));
    if (lines.moreCount > 0) {
        auto *more = new QPushButton(moreVolumesText(lines.moreCount), this);
        more->setObjectName(QStringLiteral("moreVolumes"));
        more->setFlat(true);
        more->setCursor(Qt::PointingHandCursor);
        // Drawn as a link: a caption that shows more when clicked.
        more->setFont(captionFont());
        more->setStyleSheet(
            QStringLiteral("QPushButton { text-align: left; padding: 0; border: none; color: %1; }")
                .arg(toneColor(TextTone::link, this).name()));
        more->setAccessibleDescription(
            QCoreApplication::translate("ExternalVolume", "Shows every volume"));
        // Rebuilt later: the button is deleted by the rebuild it starts.
        connect(more, &QPushButton::clicked, this, [this] {
            m_expanded = true;
            QMetaObject::invokeMethod(this, &ExternalVolumeList::rebuild, Qt::QueuedConnection);
        });
        m_layout->addWidget(more, 0, Qt::AlignLeft);
    }
}

} // namespace qm

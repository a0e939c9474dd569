#include "ui/popover/StorageBar.h"

#include "ui/controls/ScreenStyle.h"
#include "ui/controls/ShareBar.h"
#include "ui/controls/TabularFigures.h"
#include "ui/popover/StorageBarLayout.h"

#include <QLabel>
#include <QVBoxLayout>

namespace qm {

StorageBar::StorageBar(QWidget *parent)
    : QWidget(parent)
    , m_track(new ShareBar(8, 4, this))
    , m_caption(secondaryCaption({}, this))
{
    setObjectName(QStringLiteral("storageBar"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_track);
    m_caption->setObjectName(QStringLiteral("storageCaption"));
    useTabularFigures(m_caption);
    m_caption->setWordWrap(true);
    layout->addWidget(m_caption);
}

void StorageBar::setSpace(const DiskSpace &space, ByteUnit unit)
{
    m_space = space;
    // The track, the used and purgeable part over it, the used part over both.
    const StorageBarFractions fractions
        = storageBarFractions(space.free, space.total, space.purgeable);
    m_track->setLayers(
        {{1.0, 0.15}, {fractions.used + fractions.purgeable, 0.4}, {fractions.used, 1.0}});
    m_caption->setText(storageText(space.free, space.total, space.purgeable, unit));
    // At most two lines.
    m_caption->setMaximumHeight(2 * m_caption->fontMetrics().lineSpacing());
    setAccessibleName(m_caption->text());
}

QString StorageBar::caption() const
{
    return m_caption->text();
}

} // namespace qm

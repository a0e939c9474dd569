#include "ui/StorageBar.h"

#include "ui/ScreenStyle.h"
#include "ui/StorageBarLayout.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace qm {

// The three layers, each a rounded bar from the leading edge: the track, the used and
// purgeable part, the used part.
class StorageBar::Track : public QWidget
{
public:
    explicit Track(QWidget *parent)
        : QWidget(parent)
    {
        setFixedHeight(8);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    StorageBarFractions fractions;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QColor label = palette().color(QPalette::WindowText);
        const double width = this->width();
        const auto layer = [&](double share, double opacity) {
            if (share <= 0)
                return;
            painter.setBrush(withOpacity(label, opacity));
            painter.drawRoundedRect(QRectF(0, 0, width * share, height()), 4, 4);
        };
        layer(1.0, 0.15);
        layer(fractions.used + fractions.purgeable, 0.4);
        layer(fractions.used, 1.0);
    }
};

StorageBar::StorageBar(QWidget *parent)
    : QWidget(parent)
    , m_track(new Track(this))
    , m_caption(secondaryCaption({}, this))
{
    setObjectName(QStringLiteral("storageBar"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_track);
    m_caption->setObjectName(QStringLiteral("storageCaption"));
    m_caption->setWordWrap(true);
    layout->addWidget(m_caption);
}

void StorageBar::setSpace(const DiskSpace &space, ByteUnit unit)
{
    m_space = space;
    m_track->fractions = storageBarFractions(space.free, space.total, space.purgeable);
    m_caption->setText(storageText(space.free, space.total, space.purgeable, unit));
    // At most two lines.
    m_caption->setMaximumHeight(2 * m_caption->fontMetrics().lineSpacing());
    setAccessibleName(m_caption->text());
    m_track->update();
}

QString StorageBar::caption() const
{
    return m_caption->text();
}

} // namespace qm

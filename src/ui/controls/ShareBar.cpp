#include "ui/controls/ShareBar.h"

#include "ui/controls/ScreenStyle.h"

#include <QPainter>

namespace qm {

ShareBar::ShareBar(int height, qreal cornerRadius, QWidget *parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ShareBar::setLayers(const QList<Layer> &layers)
{
    m_layers = layers;
    update();
}

void ShareBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor label = palette().color(QPalette::WindowText);
    for (const Layer &layer : m_layers) {
        if (layer.share <= 0)
            continue;
        painter.setBrush(withOpacity(label, layer.opacity));
        painter.drawRoundedRect(
            QRectF(0, 0, width() * layer.share, height()), m_cornerRadius, m_cornerRadius);
    }
}

} // namespace qm

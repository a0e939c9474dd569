#include "ui/controls/BusySpinner.h"

#include <QPainter>

namespace qm {

namespace {
constexpr int spokes = 8;
}

BusySpinner::BusySpinner(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(sizeHint());
    setAccessibleName(tr("In progress"));
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        update();
    });
}

void BusySpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal radius = qMin(width(), height()) / 2.0;
    QColor color = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
        // The newest spoke is darkest; the others fade behind it.
        const int age = (m_step - i + spokes) % spokes;
        color.setAlphaF(1.0 - age * 0.11);
        QPen pen(color, radius * 0.22, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 360.0 / spokes);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.85));
        painter.restore();
    }
}

void BusySpinner::showEvent(QShowEvent *)
{
    m_timer.start();
}

void BusySpinner::hideEvent(QHideEvent *)
{
    m_timer.stop();
}

} // namespace qm

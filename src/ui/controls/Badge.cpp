#include "ui/controls/Badge.h"

#include "ui/controls/ScreenStyle.h"

#include <QCoreApplication>
#include <QPainter>

namespace qm {

namespace {
constexpr int horizontalPadding = 5;
constexpr int verticalPadding = 1;
} // namespace

Badge::Badge(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setFont(smallCaptionFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

Badge *Badge::newBadge(QWidget *parent)
{
    auto *badge = new Badge(QCoreApplication::translate("Growth", "New"), parent);
    badge->setObjectName(QStringLiteral("newBadge"));
    return badge;
}

QSize Badge::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

void Badge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(accentColor(this), 0.15));
    painter.drawRoundedRect(area, area.height() / 2, area.height() / 2);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace qm

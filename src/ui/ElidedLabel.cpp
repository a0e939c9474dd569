#include "ui/ElidedLabel.h"
#include "units/NameText.h"

#include <QPainter>

namespace qm {

ElidedLabel::ElidedLabel(const QString &text, Qt::TextElideMode mode, QWidget *parent)
    : QWidget(parent)
    , m_mode(mode)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setText(text);
}

void ElidedLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    // Names from the disk: control and direction characters are shown, never obeyed. A name
    // that comes isolated (displayName) keeps its isolate; only what lies inside is made visible.
    const QChar firstStrongIsolate(0x2068);
    const QChar popDirectionalIsolate(0x2069);
    if (text.size() >= 2 && text.front() == firstStrongIsolate
        && text.back() == popDirectionalIsolate)
        m_shown = isolated(visibleName(QStringView(text).sliced(1, text.size() - 2)));
    else
        m_shown = visibleName(text);
    setAccessibleName(m_shown);
    updateGeometry();
    update();
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(m_shown, m_mode, width());
}

QSize ElidedLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(m_shown) + 1, fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 4, fontMetrics().height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

} // namespace qm

#include "ui/popover/Banner.h"

#include "ui/controls/ScreenStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace qm {

Banner::Banner(Glyph glyph, const QString &text, const QColor &tint, QWidget *parent)
    : QWidget(parent)
    , m_tint(tint)
    , m_text(new QLabel(text, this))
    , m_row(new QHBoxLayout(this))
{
    m_row->setContentsMargins(8, 6, 8, 6);
    m_row->setSpacing(8);
    auto *icon = new QLabel(this);
    icon->setPixmap(glyphIcon(glyph, palette().color(QPalette::WindowText)).pixmap(14, 14));
    icon->setAlignment(Qt::AlignTop);
    m_row->addWidget(icon);
    m_text->setFont(captionFont());
    m_text->setWordWrap(true);
    m_row->addWidget(m_text, 1);
}

void Banner::setText(const QString &text)
{
    m_text->setText(text);
}

QString Banner::text() const
{
    return m_text->text();
}

QPushButton *Banner::addButton(const QString &title, const QString &objectName)
{
    auto *button = new QPushButton(title, this);
    button->setObjectName(objectName);
    button->setFont(captionFont());
    button->setAutoDefault(false);
    m_row->addWidget(button, 0, Qt::AlignVCenter);
    return button;
}

void Banner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(m_tint, 0.1));
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}

} // namespace qm

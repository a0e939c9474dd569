#include "ui/controls/Stepper.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm {

Stepper::Stepper(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAccessibleName(tr("Increment"));
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAccessibleName(tr("Decrement"));
    for (QToolButton *button : {m_up, m_down}) {
        button->setFixedSize(18, 12);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        column->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
    updateButtons();
}

void Stepper::setRange(qint64 minimum, qint64 maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
    updateButtons();
}

void Stepper::setValue(qint64 value)
{
    m_value = value;
    updateButtons();
}

void Stepper::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up)
        step(1);
    else if (event->key() == Qt::Key_Down)
        step(-1);
    else
        QWidget::keyPressEvent(event);
}

void Stepper::step(qint64 by)
{
    const qint64 next = qBound(m_minimum, m_value + by, m_maximum);
    if (next == m_value)
        return;
    Q_EMIT stepped(next);
}

void Stepper::updateButtons()
{
    m_up->setEnabled(m_value < m_maximum);
    m_down->setEnabled(m_value > m_minimum);
}

} // namespace qm

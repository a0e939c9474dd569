#pragma once

#include <QWidget>

class QToolButton;

namespace qm {

// Two small arrow buttons that step a whole number up or down within a range. It shows no
// number itself; a step reports the new value and the owner decides what it becomes.
class Stepper : public QWidget
{
    Q_OBJECT

public:
    explicit Stepper(QWidget *parent = nullptr);

    void setRange(qint64 minimum, qint64 maximum);
    void setValue(qint64 value);
    qint64 value() const { return m_value; }
    qint64 minimum() const { return m_minimum; }
    qint64 maximum() const { return m_maximum; }

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

Q_SIGNALS:
    // A step within the range asks for this value.
    void stepped(qint64 value);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void step(qint64 by);
    void updateButtons();

    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    qint64 m_minimum = 1;
    qint64 m_maximum = 1;
    qint64 m_value = 1;
};

} // namespace qm

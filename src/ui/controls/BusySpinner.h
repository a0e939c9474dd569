#pragma once

#include <QTimer>
#include <QWidget>

namespace qm {

// The small spinner that stands in for a value while it is being worked out. It turns only
// while it is visible.
class BusySpinner : public QWidget
{
    Q_OBJECT

public:
    explicit BusySpinner(QWidget *parent = nullptr);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_timer;
    int m_step = 0;
};

} // namespace qm

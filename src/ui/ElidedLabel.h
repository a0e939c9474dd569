#pragma once

#include <QLabel>

namespace qm {

// A one-line label that shortens its text with an ellipsis (in the middle or at the end) to the
// width it is given; text() stays the full text.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(const QString &text,
                         Qt::TextElideMode mode = Qt::ElideRight,
                         QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::TextElideMode m_mode;
};

} // namespace qm

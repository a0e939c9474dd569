#pragma once

#include <QLabel>

namespace qm {

// A small word on a tinted capsule: "New" next to a grown folder, "Read-only" next to a volume.
class Badge : public QLabel
{
    Q_OBJECT
public:
    explicit Badge(const QString &text, QWidget *parent = nullptr);

    // The "New" badge of a folder that the earlier record did not have.
    static Badge *newBadge(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace qm

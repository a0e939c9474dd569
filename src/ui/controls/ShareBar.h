#pragma once

#include <QList>
#include <QWidget>

namespace qm {

// A thin rounded bar of layers drawn from the leading edge, each a share (0...1) of the width in
// the label colour at its own opacity: the storage bar, the external volumes' bars.
class ShareBar : public QWidget
{
    Q_OBJECT
public:
    struct Layer
    {
        double share = 0;
        double opacity = 1;
    };

    ShareBar(int height, qreal cornerRadius, QWidget *parent = nullptr);

    void setLayers(const QList<Layer> &layers);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_cornerRadius;
    QList<Layer> m_layers;
};

} // namespace qm

#pragma once

#include "freespace/ExternalVolume.h"

#include <QWidget>

class QVBoxLayout;

namespace qm {

// The external volumes under the storage bar: at most three lines, each the name, a "Read-only"
// badge where it applies and the free space, over a thin usage bar; then a line for the rest.
class ExternalVolumeList : public QWidget
{
    Q_OBJECT
public:
    explicit ExternalVolumeList(QWidget *parent = nullptr);

    void setVolumes(const ExternalVolumes &volumes, ByteUnit unit);

private:
    QVBoxLayout *m_layout = nullptr;
};

} // namespace qm

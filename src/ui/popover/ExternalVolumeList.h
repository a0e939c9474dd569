#pragma once

#include "freespace/ExternalVolume.h"

#include <QWidget>

class QVBoxLayout;

namespace qm {

// The external volumes under the storage bar: at most three lines, each the name, a "Read-only"
// badge where it applies and the free space, over a thin usage bar; then a line for the rest,
// which shows all of them when clicked (a nearly full or read-only disk is never out of reach).
class ExternalVolumeList : public QWidget
{
    Q_OBJECT
public:
    explicit ExternalVolumeList(QWidget *parent = nullptr);

    void setVolumes(const ExternalVolumes &volumes, ByteUnit unit);
    // Whether every volume is listed (after the line for the rest was clicked).
    bool isExpanded() const { return m_expanded; }

private:
    void rebuild();

    QVBoxLayout *m_layout = nullptr;
    ExternalVolumes m_volumes;
    ByteUnit m_unit = ByteUnit::GB;
    bool m_expanded = false;
};

} // namespace qm

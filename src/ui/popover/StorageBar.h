#pragma once

#include "freespace/DiskSpace.h"
#include "units/ByteUnit.h"

#include <QWidget>

class QLabel;

namespace qm {

class ShareBar;

// The bar that splits the startup volume into used, purgeable and free space, with its caption.
// The whole bar is one accessible element named by the caption.
class StorageBar : public QWidget
{
    Q_OBJECT
public:
    explicit StorageBar(QWidget *parent = nullptr);

    void setSpace(const DiskSpace &space, ByteUnit unit);
    const DiskSpace &space() const { return m_space; }
    QString caption() const;

private:
    DiskSpace m_space;
    ShareBar *m_track = nullptr;
    QLabel *m_caption = nullptr;
};

} // namespace qm

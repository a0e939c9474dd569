#pragma once

#include "cleanup/CleanupViewModel.h"
#include "units/ByteUnit.h"

#include <QWidget>

namespace qm {

// The Trash line of the Cleanup tab: what the Trash holds (a spinner while it is measured) and
// "Show in Folder", which opens the Trash.
class CleanupTrashRow : public QWidget
{
    Q_OBJECT

public:
    CleanupTrashRow(CleanupViewModel::TrashDisplay state,
                    bool isMeasuring,
                    ByteUnit unit,
                    QWidget *parent = nullptr);

    // "Empty", "—" or the list size text.
    static QString stateText(CleanupViewModel::TrashDisplay state, ByteUnit unit);

Q_SIGNALS:
    void openTrashRequested();
};

} // namespace qm

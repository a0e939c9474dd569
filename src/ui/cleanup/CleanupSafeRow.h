#pragma once

#include "cleanup/CleanupItem.h"
#include "units/ByteUnit.h"

#include <QWidget>

namespace qm {

// One folder of the Cleanup tab: its short name, why it is safe (and how many items it holds,
// and what to quit first), its size or a spinner while it is measured, "Show in Folder" and,
// for rows that may go, "Move to Trash". Hovering shows the full path.
class CleanupSafeRow : public QWidget
{
    Q_OBJECT

public:
    CleanupSafeRow(const CleanupItem &item,
                   ByteUnit unit,
                   bool isMeasuring,
                   const QString &home,
                   QWidget *parent = nullptr);

    const CleanupItem &item() const { return m_item; }
    // Whether "Move to Trash" can be clicked (not while another move runs).
    void setTrashEnabled(bool enabled);

    // The row's subtitle: the reason, " items inside" for a counted contents row, and the quit
    // label, joined by " / ".
    static QString subtitle(const CleanupItem &item);
    // The size column: "—" without a size, else the list size text.
    static QString sizeText(const std::optional<qint64> &size, ByteUnit unit);

Q_SIGNALS:
    void revealRequested(const QString &expandedPath);
    void trashRequested(const CleanupItem &item);

private:
    CleanupItem m_item;
    QWidget *m_trashButton = nullptr;
};

} // namespace qm

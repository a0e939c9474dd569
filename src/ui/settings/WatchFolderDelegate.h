#pragma once

#include <QStyledItemDelegate>

namespace qm {

// Draws one watched folder of the Settings window's list: the checkbox, then the short name with
// its cleanup badge ("Not in Cleanup" with a lock, "Caches only"), the path below it (elided in
// the middle), the hint under that, and the recorded size at the right; at half opacity when
// unchecked. Every text is one line; every row has the same height. A click on the checkbox or
// Space on the current row ticks it.
class WatchFolderDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter,
               const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Where the checkbox sits in a row drawn in `rowRect`.
    static QRect checkBoxRect(const QRect &rowRect, const QWidget *widget);

protected:
    bool editorEvent(QEvent *event,
                     QAbstractItemModel *model,
                     const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};

} // namespace qm

#include "ui/settings/WatchFolderDelegate.h"

#include "records/Deletable.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/SymbolIcon.h"
#include "ui/controls/TabularFigures.h"
#include "ui/controls/TextContrast.h"
#include "ui/settings/WatchListModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace qm {

namespace {

constexpr int horizontalMargin = 8;
constexpr int verticalMargin = 6;
constexpr int spacing = 8;
constexpr int lineGap = 2;
constexpr int lockSize = 10;

QStyle *styleOf(const QWidget *widget)
{
    return widget ? widget->style() : QApplication::style();
}

int lineHeight(const QFont &font)
{
    return QFontMetrics(font).height();
}

} // namespace

QRect WatchFolderDelegate::checkBoxRect(const QRect &rowRect, const QWidget *widget)
{
    const QStyle *style = styleOf(widget);
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    return {rowRect.left() + horizontalMargin,
            rowRect.top() + (rowRect.height() - height) / 2,
            width,
            height};
}

QSize WatchFolderDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // Every row has room for the hint line, so that a row keeps its height when a tick adds or
    // removes its hint, and the list can take one height for all rows.
    const int captionHeight = lineHeight(captionFont());
    int height = lineHeight(option.font) + 2 * (lineGap + captionHeight);
    const QStyle *style = styleOf(option.widget);
    height
        = std::max(height, style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, option.widget));
    return {200, height + 2 * verticalMargin};
}

void WatchFolderDelegate::paint(QPainter *painter,
                                const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = option.widget;
    QStyle *style = styleOf(widget);
    painter->save();
    // Selection and hover background, as any list row.
    opt.text.clear();
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    QStyleOptionButton check;
    check.rect = checkBoxRect(option.rect, widget);
    check.state = QStyle::State_Enabled
                  | (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On
                                                                           : QStyle::State_Off);
    if (option.state & QStyle::State_HasFocus)
        check.state |= QStyle::State_HasFocus;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, widget);

    painter->setOpacity(index.data(WatchListModel::OpacityRole).toDouble());
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    const QColor primary = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? mutedText(primary, palette.color(QPalette::Highlight), 0.35)
                                      : toneColor(TextTone::secondary, widget);

    const QRect content
        = option.rect.adjusted(check.rect.right() + 1 - option.rect.left() + spacing,
                               verticalMargin,
                               -horizontalMargin,
                               -verticalMargin);

    // The size at the right.
    const QFont sizeFont = tabularFiguresFont(option.font);
    const QString sizeText = index.data(WatchListModel::SizeTextRole).toString();
    const QFontMetrics sizeMetrics(sizeFont);
    const int sizeWidth = sizeMetrics.horizontalAdvance(sizeText);
    painter->setFont(sizeFont);
    painter->setPen(secondary);
    painter->drawText(
        QRect(content.right() - sizeWidth + 1, content.top(), sizeWidth, content.height()),
        Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
        sizeText);
    const int textRight = content.right() - sizeWidth - spacing;

    const QFontMetrics nameMetrics(option.font);
    const QFont caption = captionFont();
    const QFontMetrics captionMetrics(caption);
    const bool hasHint = index.data(WatchListModel::HintRole).isValid();
    const int block = nameMetrics.height() + lineGap + captionMetrics.height()
                      + (hasHint ? lineGap + captionMetrics.height() : 0);
    int y = content.top() + (content.height() - block) / 2;
    const int width = std::max(0, textRight - content.left());

    // Name and badge on one line; the name gives way first.
    QString badge;
    const auto deletable = Deletable(index.data(WatchListModel::DeletableRole).toInt());
    if (deletable == Deletable::never)
        badge = tr("Not in Cleanup");
    else if (deletable == Deletable::cachesOnly)
        badge = tr("Caches only");
    const QFont badgeFont = smallCaptionFont();
    const QFontMetrics badgeMetrics(badgeFont);
    const int badgeWidth = badge.isEmpty()
                               ? 0
                               : badgeMetrics.horizontalAdvance(badge)
                                     + (deletable == Deletable::never ? lockSize + 2 : 0);
    const int nameRoom = std::max(0, width - (badge.isEmpty() ? 0 : badgeWidth + 6));
    const QString name = nameMetrics.elidedText(
        index.data(Qt::DisplayRole).toString(), Qt::ElideRight, nameRoom, Qt::TextSingleLine);
    painter->setFont(option.font);
    painter->setPen(primary);
    painter->drawText(QRect(content.left(), y, nameRoom, nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      name);
    if (!badge.isEmpty()) {
        int x = content.left() + nameMetrics.horizontalAdvance(name) + 6;
        if (deletable == Deletable::never) {
            const QRect lock(x, y + (nameMetrics.height() - lockSize) / 2, lockSize, lockSize);
            symbolIcon(Symbol::lock).paint(painter, lock);
            x += lockSize + 2;
        }
        painter->setFont(badgeFont);
        painter->setPen(secondary);
        painter->drawText(
            QRect(x, y, badgeMetrics.horizontalAdvance(badge) + 1, nameMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            badge);
    }
    y += nameMetrics.height() + lineGap;

    painter->setFont(caption);
    painter->setPen(secondary);
    painter->drawText(
        QRect(content.left(), y, width, captionMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        captionMetrics.elidedText(index.data(WatchListModel::ShownPathRole).toString(),
                                  Qt::ElideMiddle,
                                  width,
                                  Qt::TextSingleLine));
    if (hasHint) {
        y += captionMetrics.height() + lineGap;
        painter->drawText(QRect(content.left(), y, width, captionMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          captionMetrics.elidedText(index.data(WatchListModel::HintRole).toString(),
                                                    Qt::ElideRight,
                                                    width,
                                                    Qt::TextSingleLine));
    }
    painter->restore();
}

bool WatchFolderDelegate::editorEvent(QEvent *event,
                                      QAbstractItemModel *model,
                                      const QStyleOptionViewItem &option,
                                      const QModelIndex &index)
{
    const auto toggle = [&] {
        const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A press on the box belongs to the box, as with a checkbox widget.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        return mouse->button() == Qt::LeftButton
               && checkBoxRect(option.rect, option.widget).contains(mouse->position().toPoint());
    }
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton
            || !checkBoxRect(option.rect, option.widget).contains(mouse->position().toPoint()))
            return false;
        return toggle();
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        return toggle();
    }
    default:
        return false;
    }
}

} // namespace qm

#include "ui/cleanup/CleanupSafeRow.h"

#include "records/WatchList.h"
#include "ui/controls/BusySpinner.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/SymbolIcon.h"
#include "ui/controls/TabularFigures.h"
#include "units/NameText.h"
#include "units/SizeText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm {

QString CleanupSafeRow::subtitle(const CleanupItem &item)
{
    QStringList parts{item.reason};
    if (item.kind.type == CleanupTarget::Kind::Type::folderContents && item.childCount)
        parts.append(tr("%Ln item(s) inside", nullptr, *item.childCount));
    if (item.precondition)
        parts.append(quitLabel(*item.precondition));
    return parts.join(QStringLiteral(" / "));
}

QString CleanupSafeRow::sizeText(const std::optional<qint64> &size, ByteUnit unit)
{
    return size ? listSizeText(*size, unit) : QStringLiteral("—");
}

CleanupSafeRow::CleanupSafeRow(
    const CleanupItem &item, ByteUnit unit, bool isMeasuring, const QString &home, QWidget *parent)
    : QWidget(parent)
    , m_item(item)
{
    setObjectName(QStringLiteral("cleanupSafeRow"));
    const QString expanded = expandTilde(item.path, home);
    const QString name = displayName(folderDisplayName(item.path));
    setToolTip(literalToolTip(expanded));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 5, 0, 5);
    row->setSpacing(8);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *title = new ElidedLabel(name, Qt::ElideMiddle, this);
    title->setObjectName(QStringLiteral("rowTitle"));
    texts->addWidget(title);
    auto *sub = new ElidedLabel(subtitle(item), Qt::ElideRight, this);
    sub->setObjectName(QStringLiteral("rowSubtitle"));
    sub->setFont(captionFont());
    applyTone(sub, TextTone::secondary);
    texts->addWidget(sub);
    row->addLayout(texts, 1);

    if (isMeasuring) {
        row->addWidget(new BusySpinner(this));
    } else {
        auto *size = new QLabel(sizeText(item.size, unit), this);
        size->setObjectName(QStringLiteral("rowSize"));
        useTabularFigures(size);
        applyTone(size, TextTone::secondary);
        row->addWidget(size);
    }

    QToolButton *reveal = symbolButton(
        Symbol::folder, tr("Show in Folder"), tr("Show in Folder: %1").arg(name), this);
    reveal->setObjectName(QStringLiteral("showInFolderButton"));
    connect(reveal, &QToolButton::clicked, this, [this, expanded] {
        Q_EMIT revealRequested(expanded);
    });
    row->addWidget(reveal);

    if (item.section == CleanupItem::Section::safe) {
        const bool contents = item.kind.type == CleanupTarget::Kind::Type::folderContents;
        QToolButton *trash = symbolButton(
            Symbol::trash,
            contents ? tr("Move Contents to Trash…") : tr("Move to Trash…"),
            (contents ? tr("Move Contents to Trash: %1") : tr("Move to Trash: %1")).arg(name),
            this);
        trash->setObjectName(QStringLiteral("moveToTrashButton"));
        connect(trash, &QToolButton::clicked, this, [this] { Q_EMIT trashRequested(m_item); });
        row->addWidget(trash);
        m_trashButton = trash;
    }
}

void CleanupSafeRow::setTrashEnabled(bool enabled)
{
    if (m_trashButton)
        m_trashButton->setEnabled(enabled);
}

} // namespace qm

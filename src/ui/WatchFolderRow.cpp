#include "ui/WatchFolderRow.h"
#include "units/NameText.h"

#include "records/WatchList.h"
#include "ui/CaptionText.h"
#include "ui/ElidedLabel.h"
#include "ui/SymbolIcon.h"
#include "units/SizeText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace qm {

QString WatchFolderRow::helpText(const std::optional<QString> &hint, const QString &expandedPath)
{
    return hint ? *hint + QLatin1Char('\n') + expandedPath : expandedPath;
}

WatchFolderRow::WatchFolderRow(const QString &path,
                               const std::optional<qint64> &size,
                               ByteUnit unit,
                               const std::optional<QString> &hint,
                               const QString &home,
                               QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("watchFolderRow"));
    const QString expanded = expandTilde(path, home);
    setToolTip(hint ? literalToolTip(QStringList{*hint, expanded}) : literalToolTip(expanded));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    auto *column = new QVBoxLayout;
    column->setSpacing(2);
    auto *titleLine = new QHBoxLayout;
    titleLine->setSpacing(6);
    auto *name = new QLabel(visibleName(folderDisplayName(path)), this);
    name->setTextFormat(Qt::PlainText);
    name->setObjectName(QStringLiteral("watchFolderName"));
    titleLine->addWidget(name);

    const Deletable deletable = deletability(path);
    if (deletable != Deletable::ask) {
        const bool never = deletable == Deletable::never;
        if (never) {
            auto *lock = new QLabel(this);
            lock->setPixmap(symbolIcon(Symbol::lock).pixmap(QSize(10, 10)));
            titleLine->addWidget(lock);
        }
        auto *badge = new QLabel(never ? tr("Not in Cleanup") : tr("Caches only"), this);
        badge->setObjectName(QStringLiteral("cleanupBadge"));
        badge->setFont(smallCaptionFont());
        applyTone(badge, TextTone::secondary);
        titleLine->addWidget(badge);
    }
    titleLine->addStretch(1);
    column->addLayout(titleLine);

    auto *pathLine = new ElidedLabel(path, Qt::ElideMiddle, this);
    pathLine->setObjectName(QStringLiteral("watchFolderPath"));
    pathLine->setFont(captionFont());
    applyTone(pathLine, TextTone::secondary);
    column->addWidget(pathLine);
    if (hint) {
        QLabel *hintLine = captionLabel(*hint, TextTone::secondary, this);
        hintLine->setObjectName(QStringLiteral("watchFolderHint"));
        column->addWidget(hintLine);
    }
    row->addLayout(column, 1);

    auto *sizeLabel = new QLabel(size ? listSizeText(*size, unit) : QStringLiteral("—"), this);
    sizeLabel->setObjectName(QStringLiteral("watchFolderSize"));
    applyTone(sizeLabel, TextTone::secondary);
    row->addWidget(sizeLabel);
}

} // namespace qm

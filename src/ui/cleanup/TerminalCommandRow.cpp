#include "ui/cleanup/TerminalCommandRow.h"

#include "ui/controls/CaptionText.h"
#include "ui/controls/ElidedLabel.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm {

std::optional<QString> TerminalCommandRow::snapshotDetail(const CleanupItem &item,
                                                          const QStringList &snapshots)
{
    if (!item.kind.commandLine.contains(QLatin1String("tmutil")) || snapshots.isEmpty())
        return std::nullopt;
    return tr("%Ln local snapshot(s): %1", nullptr, int(snapshots.size()))
        .arg(snapshots.join(QStringLiteral(", ")));
}

TerminalCommandRow::TerminalCommandRow(const CleanupItem &item,
                                       const std::optional<QString> &detail,
                                       QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("cleanupCommandRow"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 5, 0, 5);
    row->setSpacing(8);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *title = new ElidedLabel(item.path, Qt::ElideRight, this);
    texts->addWidget(title);

    auto *command = new ElidedLabel(item.kind.commandLine, Qt::ElideRight, this);
    command->setObjectName(QStringLiteral("commandText"));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(captionFont().pointSizeF());
    command->setFont(mono);
    applyTone(command, TextTone::secondary);
    command->setToolTip(item.kind.commandLine);
    texts->addWidget(command);

    auto *reason = new ElidedLabel(item.reason, Qt::ElideRight, this);
    reason->setObjectName(QStringLiteral("commandReason"));
    reason->setFont(smallCaptionFont());
    applyTone(reason, TextTone::tertiary);
    reason->setToolTip(item.help.value_or(item.reason));
    texts->addWidget(reason);

    if (detail) {
        auto *detailLine = new ElidedLabel(*detail, Qt::ElideRight, this);
        detailLine->setObjectName(QStringLiteral("commandDetail"));
        detailLine->setFont(smallCaptionFont());
        applyTone(detailLine, TextTone::secondary);
        detailLine->setToolTip(*detail);
        texts->addWidget(detailLine);
    }
    row->addLayout(texts, 1);

    auto *copy = new QToolButton(this);
    copy->setText(tr("Copy"));
    copy->setObjectName(QStringLiteral("copyCommandButton"));
    copy->setFont(captionFont());
    copy->setAccessibleName(tr("Copy"));
    const QString line = item.kind.commandLine;
    connect(copy, &QToolButton::clicked, this, [line] {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(line);
    });
    row->addWidget(copy);
}

} // namespace qm

#include "ui/growth/GrowthRow.h"

#include "desktop/FolderRevealer.h"
#include "records/WatchList.h"
#include "ui/controls/Badge.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/ScreenStyle.h"
#include "ui/controls/SymbolIcon.h"
#include "ui/controls/TabularFigures.h"
#include "ui/controls/ThemeIcon.h"
#include "units/NameText.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include <limits>

namespace qm {

namespace {
constexpr int lockSize = 12;
} // namespace

QString growthChangeText(qint64 delta, ByteUnit unit)
{
    // The magnitude of the smallest 64-bit value does not fit; one byte less is shown.
    const qint64 magnitude = delta < 0 ? (delta == std::numeric_limits<qint64>::min()
                                              ? std::numeric_limits<qint64>::max()
                                              : -delta)
                                       : delta;
    return (delta < 0 ? QStringLiteral("-") : QStringLiteral("+")) + listSizeText(magnitude, unit);
}

QToolButton *showInFolderButton(const QString &name,
                                const QString &absolutePath,
                                FolderRevealer &revealer,
                                QWidget *parent)
{
    QToolButton *button
        = symbolButton(Symbol::folder,
                       QCoreApplication::translate("Growth", "Show in Folder"),
                       QCoreApplication::translate("Growth", "Show in Folder: ") + name,
                       parent);
    button->setObjectName(QStringLiteral("showInFolderButton"));
    QObject::connect(button, &QToolButton::clicked, button, [&revealer, absolutePath] {
        revealer.reveal(absolutePath);
    });
    return button;
}

QLabel *growthChangeLabel(qint64 delta, ByteUnit unit, QWidget *parent)
{
    auto *label = new QLabel(growthChangeText(delta, unit), parent);
    label->setObjectName(QStringLiteral("change"));
    QFont font = label->font();
    font.setWeight(QFont::Medium);
    label->setFont(font);
    useTabularFigures(label);
    // Changes of up to three digits take one width, right-aligned, so that the sizes before
    // them stand in a column too.
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(
        label->fontMetrics().horizontalAdvance(growthChangeText(-888'800'000, unit)));
    return label;
}

GrowthRow::GrowthRow(const DeltaItem &item,
                     ByteUnit unit,
                     bool isExpanded,
                     const QString &home,
                     FolderRevealer &revealer,
                     QWidget *parent)
    : QWidget(parent)
    , m_path(item.path)
    , m_isExpanded(isExpanded)
{
    setObjectName(QStringLiteral("growthRow"));
    setCursor(Qt::PointingHandCursor);
    const QString absolute = expandTilde(item.path, home);
    const QString name = displayName(folderDisplayName(item.path));
    setToolTip(literalToolTip(absolute));
    setAccessibleName(name);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(8);
    const QColor secondary = secondaryTextColor(this);

    auto *chevron = new QLabel(this);
    chevron->setObjectName(QStringLiteral("disclosure"));
    chevron->setPixmap(
        glyphIcon(isExpanded ? Glyph::chevronDown : Glyph::chevronRight, secondary).pixmap(10, 10));
    chevron->setFixedWidth(10);
    layout->addWidget(chevron);

    auto *line = new QHBoxLayout;
    line->setSpacing(6);
    auto *nameLabel = new ElidedLabel(name, Qt::ElideMiddle, this);
    nameLabel->setObjectName(QStringLiteral("folderName"));
    line->addWidget(nameLabel, 1);
    if (item.isNew)
        line->addWidget(Badge::newBadge(this));
    QLabel *size = secondaryCaption(listSizeText(item.currentSize, unit), this);
    size->setObjectName(QStringLiteral("currentSize"));
    useTabularFigures(size);
    line->addWidget(size);
    layout->addLayout(line, 1);

    if (deletability(item.path) == Deletable::never) {
        auto *lock = new QLabel(this);
        lock->setObjectName(QStringLiteral("appDataLock"));
        lock->setPixmap(symbolIcon(Symbol::lock).pixmap(lockSize, lockSize));
        const QString help = QCoreApplication::translate(
            "Growth", "App data. Quillmere doesn’t offer cleanup here.");
        lock->setToolTip(help);
        lock->setAccessibleName(help);
        layout->addWidget(lock);
    } else {
        // The lock's place stays, so that sizes line up with those of locked rows.
        layout->addSpacing(lockSize + layout->spacing());
    }
    layout->addWidget(growthChangeLabel(item.delta, unit, this));
    QToolButton *examine = symbolButton(Symbol::examine,
                                        QCoreApplication::translate("Growth", "Examine"),
                                        QCoreApplication::translate("Growth", "Examine: ") + name,
                                        this);
    examine->setObjectName(QStringLiteral("examineButton"));
    connect(examine, &QToolButton::clicked, this, [&revealer, absolute] {
        revealer.examine(absolute);
    });
    layout->addWidget(examine);
    layout->addWidget(showInFolderButton(name, absolute, revealer, this));
}

void GrowthRow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT toggled(m_path);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace qm

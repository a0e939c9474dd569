#include "ui/growth/ChildGrowthList.h"

#include "platform/AppDisplayNames.h"
#include "ui/controls/Badge.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/ScreenStyle.h"
#include "ui/growth/GrowthRow.h"
#include "units/NameText.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm {

namespace {

QWidget *childRow(const ChildDelta &child,
                  ByteUnit unit,
                  const QString &parentAbsolutePath,
                  AppDisplayNames &displayNames,
                  FolderRevealer &revealer,
                  QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setObjectName(QStringLiteral("childGrowthRow"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(8);

    auto *names = new QWidget(row);
    names->setToolTip(literalToolTip(child.name));
    auto *column = new QVBoxLayout(names);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    const std::optional<QString> appName = displayNames.displayName(child.name);
    if (appName && *appName != child.name) {
        auto *app = new ElidedLabel(displayName(*appName), Qt::ElideRight, names);
        app->setObjectName(QStringLiteral("applicationName"));
        column->addWidget(app);
        auto *folder = new ElidedLabel(displayName(child.name), Qt::ElideMiddle, names);
        folder->setObjectName(QStringLiteral("childName"));
        makeSecondary(folder);
        column->addWidget(folder);
    } else {
        auto *folder = new ElidedLabel(displayName(child.name), Qt::ElideRight, names);
        folder->setObjectName(QStringLiteral("childName"));
        column->addWidget(folder);
    }
    layout->addWidget(names, 1);
    if (child.isNew)
        layout->addWidget(Badge::newBadge(row));
    layout->addWidget(growthChangeLabel(child.delta, unit, row));
    layout->addWidget(showInFolderButton(displayName(appName.value_or(child.name)),
                                         parentAbsolutePath + QLatin1Char('/') + child.name,
                                         revealer,
                                         row));
    return row;
}

} // namespace

ChildGrowthList::ChildGrowthList(const ChildDeltaReport &report,
                                 ByteUnit unit,
                                 const QString &parentAbsolutePath,
                                 AppDisplayNames &displayNames,
                                 FolderRevealer &revealer,
                                 QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("childGrowthList"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 0, 0, 4);
    layout->setSpacing(0);
    if (report.isUnavailable()) {
        QLabel *note
            = secondaryCaption(QCoreApplication::translate("Growth", "No breakdown yet"), this);
        note->setObjectName(QStringLiteral("childNote"));
        layout->addWidget(note);
        return;
    }
    if (report.items->isEmpty()) {
        QLabel *note
            = secondaryCaption(QCoreApplication::translate("Growth", "No notable changes"), this);
        note->setObjectName(QStringLiteral("childNote"));
        layout->addWidget(note);
        return;
    }
    for (const ChildDelta &child : *report.items)
        layout->addWidget(childRow(child, unit, parentAbsolutePath, displayNames, revealer, this));
}

} // namespace qm

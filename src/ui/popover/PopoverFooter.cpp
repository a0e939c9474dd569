#include "ui/popover/PopoverFooter.h"

#include "ui/controls/Divider.h"
#include "ui/controls/ScreenStyle.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

PopoverFooter::PopoverFooter(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("popoverFooter"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new Divider(this));
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    const auto button = [this, row](const QString &title, const QString &name) {
        auto *button = new QPushButton(title, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        row->addWidget(button);
        return button;
    };
    QPushButton *settings = button(QCoreApplication::translate("Popover", "Settings…"),
                                   QStringLiteral("settingsButton"));
    settings->setToolTip(QKeySequence(Qt::CTRL | Qt::Key_Comma).toString(QKeySequence::NativeText));
    row->addStretch(1);
    QPushButton *window = button(QCoreApplication::translate("Popover", "Open in Window"),
                                 QStringLiteral("openInWindowButton"));
    QPushButton *quit
        = button(QCoreApplication::translate("Popover", "Quit"), QStringLiteral("quitButton"));
    quit->setToolTip(QKeySequence(QKeySequence::Quit).toString(QKeySequence::NativeText));
    layout->addLayout(row);
    connect(settings, &QPushButton::clicked, this, &PopoverFooter::settingsRequested);
    connect(window, &QPushButton::clicked, this, &PopoverFooter::openInWindowRequested);
    connect(quit, &QPushButton::clicked, this, &PopoverFooter::quitRequested);
}

} // namespace qm

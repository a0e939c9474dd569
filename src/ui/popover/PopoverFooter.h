#pragma once

#include <QWidget>

namespace qm {

// The bottom of the popover: a divider, then "Settings…", "Open in Window" and "Quit".
class PopoverFooter : public QWidget
{
    Q_OBJECT
public:
    explicit PopoverFooter(QWidget *parent = nullptr);

Q_SIGNALS:
    void settingsRequested();
    void openInWindowRequested();
    void quitRequested();
};

} // namespace qm

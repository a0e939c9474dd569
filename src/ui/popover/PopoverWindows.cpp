#include "ui/popover/PopoverWindows.h"

#include <QApplication>
#include <QWidget>

namespace qm {

void closePopoverWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible()
            && QLatin1String(window->metaObject()->className()).contains(QLatin1String("Popover")))
            window->hide();
    }
}

} // namespace qm

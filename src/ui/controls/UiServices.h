#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace qm {

class FolderRevealer;

// The dialogs and desktop services the screens ask for, each replaceable (tests answer them
// without a window). Every member has a real default.
struct UiServices
{
    // The two-button question before anything is moved to the Trash or reset. It returns at once;
    // `answer` is called later, once, with true when the user chose `buttonTitle`. Default:
    // confirmDestructive (a sheet inside the popover, a message box elsewhere).
    std::function<void(const QString &title,
                       const QString &message,
                       const QString &buttonTitle,
                       QWidget *parent,
                       std::function<void(bool confirmed)> answer)>
        confirm;
    // One folder to watch; empty when the user cancelled. Default: a QFileDialog for folders.
    std::function<QString(QWidget *parent)> chooseFolder;
    // Where to save a file, starting at `suggestedPath`; empty when cancelled. Default: a
    // QFileDialog save dialog for plain text.
    std::function<QString(QWidget *parent, const QString &suggestedPath)> chooseSaveFile;
    // Shows items in the file manager and opens the Trash.
    std::shared_ptr<FolderRevealer> revealer;
    // Opens a link (a system settings page). Default: QDesktopServices.
    std::function<void(const QString &url)> openUrl;
};

// Fills every missing member with its real default.
UiServices withDefaultUiServices(UiServices services = {});

} // namespace qm

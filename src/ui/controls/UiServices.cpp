#include "ui/controls/UiServices.h"

#include "desktop/FolderRevealer.h"
#include "ui/controls/ConfirmDestructive.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace qm {

namespace {

QString chooseFolderWithDialog(QWidget *parent)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept,
                        QCoreApplication::translate("Settings", "Add to Watch List"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString chooseSaveFileWithDialog(QWidget *parent, const QString &suggestedPath)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QCoreApplication::translate("Settings", "Plain text (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(suggestedPath);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

UiServices withDefaultUiServices(UiServices services)
{
    if (!services.confirm)
        services.confirm = confirmDestructive;
    if (!services.chooseFolder)
        services.chooseFolder = chooseFolderWithDialog;
    if (!services.chooseSaveFile)
        services.chooseSaveFile = chooseSaveFileWithDialog;
    if (!services.revealer)
        services.revealer = std::make_shared<FileManagerRevealer>();
    if (!services.openUrl)
        services.openUrl = [](const QString &url) {
            QDesktopServices::openUrl(QUrl(url));
        };
    return services;
}

} // namespace qm

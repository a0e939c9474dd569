#pragma once

#include "desktop/FolderRevealer.h"
#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "settings/Settings.h"
#include "support/FakeLoginItem.h"
#include "support/TestEnvironment.h"
#include "ui/controls/UiServices.h"

#include <QCoroTask>
#include <QDir>
#include <QTemporaryDir>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <memory>

namespace qm::test {

// Records what the screens asked the file manager to show.
class RecordingRevealer : public FolderRevealer
{
public:
    QStringList revealed;
    QStringList examined;
    int trashOpened = 0;
    void reveal(const QString &path) override { revealed.append(path); }
    void openTrash() override { ++trashOpened; }
    void examine(const QString &path) override { examined.append(path); }
};

// A model whose home is this test process's private home (where the real Trash of the tests
// is) and whose settings and records live in a temporary folder. The disk reads `free` of
// `total` bytes; no scan starts by itself.
class UiModelTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::optional<qint64> capacity = 994'000'000'000;
    std::optional<DiskSpace> space = DiskSpace{245'300'000'000, 994'000'000'000, 0};
    std::shared_ptr<RecordingRevealer> revealer = std::make_shared<RecordingRevealer>();

    // Readings run on threads of their own and may outlive the model; the readers below use this
    // fixture, so it waits for them to end.
    ~UiModelTest() override { DiskSpaceMonitor::readerThreads()->waitForDone(10000); }

    QString settingsPath() const { return dir.filePath(QStringLiteral("Quillmere/settings.json")); }
    QString snapshotsPath() const
    {
        return dir.filePath(QStringLiteral("Quillmere/snapshots.json"));
    }

    AppModel::Services services()
    {
        AppModel::Services s;
        s.settingsFile = settingsPath();
        s.snapshotsFile = snapshotsPath();
        s.home = privateHome();
        s.diskSpaceReader = [this]() -> Result<DiskSpace> {
            if (space)
                return *space;
            return Error{QStringLiteral("no reading")};
        };
        s.totalCapacityReader = [this] {
            return capacity;
        };
        s.fullDiskAccessStatus = [] {
            return FullDiskAccess::Status::undetermined;
        };
        s.startFirstScan = [](SnapshotScheduler &) {
        };
        s.loginItem = loginItem;
        return s;
    }

    // Test answers for every dialog: the confirmation says `confirmAnswer` and records its texts.
    UiServices answeringServices()
    {
        UiServices s;
        s.confirm = [this](const QString &title,
                           const QString &message,
                           const QString &button,
                           QWidget *,
                           const std::function<void(bool)> &answer) {
            confirmations.append({title, message, button});
            answer(confirmAnswer);
        };
        s.chooseFolder = [this](QWidget *) {
            return chosenFolder;
        };
        s.chooseSaveFile = [this](QWidget *, const QString &suggested) {
            suggestedSavePaths.append(suggested);
            return chosenSaveFile;
        };
        s.revealer = revealer;
        s.openUrl = [this](const QString &url) {
            openedUrls.append(url);
        };
        return s;
    }

    Settings settingsOnDisk() const { return decodeSettings(readFile(settingsPath())).value(); }

    bool confirmAnswer = true;
    QList<QStringList> confirmations;
    QString chosenFolder;
    QString chosenSaveFile;
    QStringList suggestedSavePaths;
    QStringList openedUrls;
};

} // namespace qm::test

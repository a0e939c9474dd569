#include "model/AppModelFixture.h"
#include "support/LogCapture.h"
#include "support/SmallFileSystem.h"

#include <QDir>

using namespace qm;
using test::AppModelTest;

// Settings changed while the disk is full: the file keeps the earlier settings, the failure is
// logged once, the model keeps the change, and the next save once there is room writes it all.
TEST_F(AppModelTest, SettingsChangedOnAFullDiskAreKeptAndSavedLater)
{
    test::SmallFileSystem disk(dir.filePath(QStringLiteral("small")));
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root (" << qPrintable(disk.failure()) << ")";
    const QString folder = disk.path() + QStringLiteral("/Quillmere");
    const QString settingsFile = folder + QStringLiteral("/settings.json");
    AppModel::Services s = services();
    s.settingsFile = settingsFile;
    s.snapshotsFile = folder + QStringLiteral("/snapshots.json");
    AppModel model(s);
    model.setThresholdGB(30);
    const QByteArray earlier = test::readFile(settingsFile);
    ASSERT_EQ(decodeSettings(earlier).value().thresholdGB, 30);

    ASSERT_TRUE(disk.fill());
    {
        test::LogCapture capture;
        model.setThresholdGB(40);
        const QString failure = QStringLiteral("settings.json の保存に失敗: ");
        int failures = 0;
        for (const test::LogLine &line : capture.lines())
            failures += line.text.startsWith(failure) && line.level == QStringLiteral("error");
        EXPECT_EQ(failures, 1) << qPrintable(capture.dump());
    }
    EXPECT_EQ(test::readFile(settingsFile), earlier);
    EXPECT_EQ(model.settings().thresholdGB, 40);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("settings.json")})
        << "a failed save leaves no temporary file behind";

    ASSERT_TRUE(disk.makeRoom());
    model.setCriticalGB(5);
    const Settings saved = decodeSettings(test::readFile(settingsFile)).value();
    EXPECT_EQ(saved.thresholdGB, 40);
    EXPECT_EQ(saved, model.settings());
}

#include "ui/ScreenFixture.h"
#include "ui/UiModelFixture.h"

#include "cleanup/CleanupViewModel.h"
#include "freespace/DiskSpaceMonitor.h"
#include "records/SnapshotScheduler.h"
#include "settings/Settings.h"
#include "ui/cleanup/CleanupTab.h"
#include "ui/settings/SettingsWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

// Pictures of the screens for a person to look at, under the build folder.
QString screensFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/screens");
}

// Draws the widget at both scales; true when both pictures were written.
bool renderAtBothScales(QWidget &widget, const QString &name)
{
    QDir().mkpath(screensFolder());
    bool written = true;
    for (const int scale : {1, 2}) {
        QPixmap picture(widget.size() * scale);
        picture.setDevicePixelRatio(scale);
        picture.fill(widget.palette().color(QPalette::Window));
        widget.render(&picture);
        written
            = picture.save(QStringLiteral("%1/%2@%3x.png").arg(screensFolder(), name).arg(scale))
              && written;
    }
    return written;
}

class ScreenRenderTest : public UiModelTest
{
};

} // namespace

TEST_F(ScreenRenderTest, EverySettingsSectionAndTheCleanupTab)
{
    const QString cache = privateHome() + QStringLiteral("/.cache");
    ASSERT_TRUE(
        writeFile(cache + QStringLiteral("/pip/http/wheel.whl"), QByteArray(2'400'000, 'p')));
    ASSERT_TRUE(
        writeFile(cache + QStringLiteral("/thumbnails/normal/a.png"), QByteArray(800'000, 't')));
    ASSERT_TRUE(writeFile(cache + QStringLiteral("/go-build/00/obj"), QByteArray(120'000, 'g')));
    ASSERT_TRUE(writeFile(privateHome() + QStringLiteral("/.npm/_cacache/index-v5/x"),
                          QByteArray(50'000, 'n')));
    ASSERT_TRUE(
        writeFile(privateHome() + QStringLiteral("/Documents/letter.txt"), QByteArray(4'000, 'd')));

    AppModel model(services());
    QCoro::waitFor(model.monitor().refresh());
    QCoro::waitFor(model.scheduler()->requestScan());

    SettingsWindow window(model);
    window.services() = answeringServices();
    for (const SettingsSection section : allSettingsSections) {
        window.open(section);
        window.resize(SettingsWindow::minimumContentSize);
        QTest::qWait(50);
        SCOPED_TRACE(settingsSectionRawValue(section).toStdString());
        EXPECT_TRUE(renderAtBothScales(
            window, QStringLiteral("settings-") + settingsSectionRawValue(section)));
    }
    window.hide();

    // The tab as the popover holds it: 360 points wide, with some padding around.
    QWidget host;
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(12, 4, 12, 12);
    auto *tab = new CleanupTab(model, &host);
    tab->services() = answeringServices();
    layout->addWidget(tab);
    host.resize(360, 560);
    host.show();
    ASSERT_TRUE(waitUntil(
        [&] {
            const CleanupViewModel &cleanup = model.cleanup();
            return cleanup.lastMeasuredAt().has_value() && !cleanup.isMeasuring()
                   && !cleanup.isMeasuringTrash();
        },
        30000));
    QTest::qWait(50);
    EXPECT_TRUE(renderAtBothScales(host, QStringLiteral("cleanup-tab")));
}

// The questions before folders leave the watch list, as the user sees them (real message
// boxes), in the desktop's palette and in a dark one.
TEST_F(ScreenRenderTest, TheWatchListQuestions)
{
    AppModel model(services());
    WatchSettings entries = defaultSettings().watchEntries;
    for (const char *added : {"~/Projects/Quillmere", "~/Music/Live ‏recordings", "~/Scans"})
        entries.append({QString::fromUtf8(added), true});
    model.setWatchEntries(entries);
    const QPalette light = QApplication::palette();
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? breezeDarkPalette() : light);
        SettingsWindow window(model);
        window.open(SettingsSection::watch);
        auto *list = window.findChild<QListView *>(QStringLiteral("watchList"));
        ASSERT_NE(list, nullptr);
        list->selectionModel()->setCurrentIndex(list->model()->index(int(entries.size()) - 3, 0),
                                                QItemSelectionModel::ClearAndSelect);
        for (const char *button : {"removeWatchFolder", "restoreDefaultWatchList"}) {
            SCOPED_TRACE(button);
            QTest::mouseClick(window.findChild<QPushButton *>(QString::fromLatin1(button)),
                              Qt::LeftButton);
            QMessageBox *box = nullptr;
            ASSERT_TRUE(waitUntil([&] {
                box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                return box != nullptr;
            }));
            QTest::qWait(50);
            EXPECT_TRUE(renderAtBothScales(*box,
                                           QString::fromLatin1(button) + QStringLiteral("-question")
                                               + (dark ? QStringLiteral("-dark") : QString())));
            box->reject();
            ASSERT_TRUE(waitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
        }
        EXPECT_EQ(model.settings().watchEntries, entries) << "nothing was answered";
    }
    QApplication::setPalette(light);
}

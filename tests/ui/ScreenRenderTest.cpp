#include "UiModelFixture.h"

#include "cleanup/CleanupViewModel.h"
#include "freespace/DiskSpaceMonitor.h"
#include "records/SnapshotScheduler.h"
#include "ui/CleanupTab.h"
#include "ui/SettingsWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
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

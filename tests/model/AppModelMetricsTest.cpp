// The fleet metrics file follows the model: written at every reading once switched on, and a
// file that cannot be written is reported once, not at every reading.
#include "AppModelFixture.h"
#include "freespace/DiskSpaceMonitor.h"
#include "metrics/FleetMetrics.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

using AppModelMetricsTest = test::AppModelTest;

TEST_F(AppModelMetricsTest, FleetMetricsAreWrittenAtEveryReadingOnceSwitchedOn)
{
    AppModel model(services());
    // The collector's folder exists; the program creates none.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"textfile"_s));
    const QString file = dir.filePath(u"textfile/quillmere.prom"_s);
    QCoro::waitFor(model.monitor().refresh());
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    EXPECT_FALSE(QFile::exists(file)) << "off by default";

    model.setFleetMetricsEnabled(true);
    model.setFleetMetricsFile(u"~/textfile/quillmere.prom"_s); // "~" is the home folder
    EXPECT_TRUE(settingsOnDisk().fleetMetricsEnabled);
    QCoro::waitFor(model.monitor().refresh());
    ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(file); }));
    const QByteArray text = test::readFile(file);
    // Whose metrics they are: the user and the home folder's volume.
    const FleetMetricsSource source = currentFleetMetricsSource(dir.path());
    const QByteArray labels = QStringLiteral("{user=\"%1\",mountpoint=\"%2\"}")
                                  .arg(source.user, source.mountPoint)
                                  .toUtf8();
    EXPECT_TRUE(text.contains("\nquillmere_free_bytes" + labels + " 100\n")) << text.data();
    EXPECT_TRUE(text.contains("\nquillmere_capacity_bytes" + labels + " 1000\n")) << text.data();

    // A folder that is a regular file: every reading fails, the log says so once.
    ASSERT_TRUE(test::writeFile(dir.filePath(u"blocked"_s), "x"));
    model.setFleetMetricsFile(u"~/blocked/quillmere.prom"_s);
    test::LogCapture capture;
    for (int reading = 0; reading < 3; ++reading) {
        QCoro::waitFor(model.monitor().refresh());
        ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    }
    EXPECT_EQ(capture.lines(u"AppModel"_s).size(), 1) << capture.dump().toStdString();
}

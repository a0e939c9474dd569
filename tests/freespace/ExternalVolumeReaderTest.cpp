#include "freespace/ExternalVolumeReader.h"
#include "freespace/DiskSpacePrinter.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>

#include <sys/mount.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace qm;
using namespace std::chrono_literals;

namespace qm {

[[maybe_unused]] static void PrintTo(const ExternalVolume &volume, std::ostream *out)
{
    *out << '{' << volume.mountPath.toStdString() << ", " << volume.name.toStdString() << ", ";
    if (volume.space)
        PrintTo(*volume.space, out);
    else
        *out << "no space";
    *out << (volume.isReadOnly ? ", read-only}" : "}");
}

} // namespace qm

namespace {

using Entry = ExternalVolumeReader::Probe::Entry;

// Plays the volumes of the probe; thread-safe, as the reader calls it on worker threads.
struct FakeVolumes
{
    struct Volume
    {
        Entry entry;
        std::optional<DiskSpace> space;
        std::chrono::milliseconds delay{0};
        // The first measurement of this volume waits until `gate` is released.
        bool gatedOnce = false;
    };

    QMutex mutex;
    QList<Volume> volumes;
    QStringList measured;
    int listCalls = 0;
    std::atomic<int> busy = 0;
    std::atomic<int> mostBusy = 0;
    QSemaphore gate;

    void add(const Volume &volume)
    {
        QMutexLocker locker(&mutex);
        volumes.append(volume);
    }

    QStringList measuredPaths()
    {
        QMutexLocker locker(&mutex);
        return measured;
    }

    int listCount()
    {
        QMutexLocker locker(&mutex);
        return listCalls;
    }

    static ExternalVolumeReader::Probe probe(const std::shared_ptr<FakeVolumes> &fake)
    {
        return {[fake] {
                    const int now = ++fake->busy;
                    fake->mostBusy = std::max(fake->mostBusy.load(), now);
                    QMutexLocker locker(&fake->mutex);
                    ++fake->listCalls;
                    QList<Entry> entries;
                    for (const Volume &v : fake->volumes)
                        entries.append(v.entry);
                    --fake->busy;
                    return entries;
                },
                [fake](const QString &mountPath) -> std::optional<DiskSpace> {
                    const int now = ++fake->busy;
                    fake->mostBusy = std::max(fake->mostBusy.load(), now);
                    Volume volume;
                    bool gated = false;
                    {
                        QMutexLocker locker(&fake->mutex);
                        fake->measured.append(mountPath);
                        for (Volume &v : fake->volumes) {
                            if (v.entry.mountPath == mountPath) {
                                volume = v;
                                gated = std::exchange(v.gatedOnce, false);
                            }
                        }
                    }
                    if (gated)
                        fake->gate.tryAcquire(1, 10000);
                    QThread::msleep(static_cast<unsigned long>(volume.delay.count()));
                    --fake->busy;
                    return volume.space;
                }};
    }
};

FakeVolumes::Volume fakeVolume(const QString &name, qint64 free, bool readOnly = false)
{
    return {{QStringLiteral("/media/") + name, name, readOnly},
            DiskSpace{free, 1'000'000'000'000, 0}};
}

ExternalVolume measured(const FakeVolumes::Volume &v)
{
    return {v.entry.mountPath, v.entry.name, v.space, v.entry.isReadOnly};
}

ExternalVolume unmeasured(const FakeVolumes::Volume &v)
{
    return {v.entry.mountPath, v.entry.name, std::nullopt, v.entry.isReadOnly};
}

// Every pass result the reader delivered.
struct Deliveries
{
    QList<ExternalVolumeReader::PassResult> passes;
    void attach(ExternalVolumeReader &reader)
    {
        reader.setOnPassFinished([this](qint64 pass, const ExternalVolumes &volumes) {
            passes.append({pass, volumes});
        });
    }
};

// Counts the ticks of a short timer: they only come while the main thread is free.
struct EventLoopChecker
{
    QTimer timer;
    int ticks = 0;
    EventLoopChecker()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks; });
        timer.start(10);
    }
};

} // namespace

TEST(ExternalVolumeReader, PassMeasuresEveryVolumeInNameOrder)
{
    auto fake = std::make_shared<FakeVolumes>();
    const auto disk10 = fakeVolume(QStringLiteral("Disk 10"), 10);
    const auto disk9 = fakeVolume(QStringLiteral("Disk 9"), 9, true);
    auto archive = fakeVolume(QStringLiteral("archive"), 0);
    archive.space = std::nullopt; // measuring fails
    fake->add(disk10);
    fake->add(disk9);
    fake->add(archive);

    ExternalVolumeReader reader(FakeVolumes::probe(fake), 5s);
    Deliveries deliveries;
    deliveries.attach(reader);
    EXPECT_EQ(reader.passNumber(), 0);
    EXPECT_EQ(reader.budget(), 5s);

    reader.request();
    EXPECT_EQ(reader.passNumber(), 1);
    EXPECT_TRUE(reader.isRunning());
    ASSERT_TRUE(test::waitUntil([&] { return !reader.isRunning(); }));

    const ExternalVolumes expected{unmeasured(archive), measured(disk9), measured(disk10)};
    ASSERT_EQ(deliveries.passes.size(), 1);
    EXPECT_EQ(deliveries.passes[0].pass, 1);
    EXPECT_EQ(deliveries.passes[0].volumes, expected);
    EXPECT_EQ(reader.known(), (ExternalVolumeReader::PassResult{1, expected}));
    EXPECT_EQ(reader.knownVolumesAfter(0), expected);
    EXPECT_TRUE(reader.knownVolumesAfter(1).isEmpty());
    EXPECT_EQ(
        fake->measuredPaths(),
        (QStringList{archive.entry.mountPath, disk9.entry.mountPath, disk10.entry.mountPath}));
    EXPECT_FALSE(reader.hasPendingRequest());
    EXPECT_EQ(fake->mostBusy, 1);
}

TEST(ExternalVolumeReader, SlowVolumeIsShownWithoutSpaceAfterTheBudgetThenWithIt)
{
    constexpr auto budget = 300ms;
    auto fake = std::make_shared<FakeVolumes>();
    const auto alpha = fakeVolume(QStringLiteral("Alpha"), 1);
    auto beta = fakeVolume(QStringLiteral("Beta"), 2);
    beta.delay = 1200ms;
    const auto gamma = fakeVolume(QStringLiteral("Gamma"), 3);
    fake->add(alpha);
    fake->add(beta);
    fake->add(gamma);

    ExternalVolumeReader reader(FakeVolumes::probe(fake), budget);
    Deliveries deliveries;
    deliveries.attach(reader);
    EventLoopChecker checker;
    QElapsedTimer elapsed;
    elapsed.start();

    // As the model does: a ticket, the request, and a look at what is known after the budget.
    const qint64 ticket = reader.passNumber();
    reader.request();
    ASSERT_TRUE(test::waitUntil([&] { return elapsed.elapsed() >= budget.count(); }));
    const ExternalVolumes shown = reader.knownVolumesAfter(ticket);
    EXPECT_EQ(shown, (ExternalVolumes{measured(alpha), unmeasured(beta), unmeasured(gamma)}));
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(volumeLineText(shown[1].space, ByteUnit::GB), QStringLiteral("\u2014"));
    EXPECT_TRUE(deliveries.passes.isEmpty());

    // The slow answer still arrives with the pass; the budget was spent, so Gamma is not measured.
    ASSERT_TRUE(test::waitUntil([&] { return !deliveries.passes.isEmpty(); }, 10000));
    EXPECT_GE(elapsed.elapsed(), beta.delay.count());
    EXPECT_EQ(deliveries.passes[0],
              (ExternalVolumeReader::PassResult{
                  1, {measured(alpha), measured(beta), unmeasured(gamma)}}));
    EXPECT_EQ(fake->measuredPaths(), (QStringList{alpha.entry.mountPath, beta.entry.mountPath}));
    // About 120 ticks of 10 ms while Beta slept; a blocked main thread would see one or two.
    EXPECT_GE(checker.ticks, 30);
}

TEST(ExternalVolumeReader, AVolumeThatNeverAnswersHoldsNoPass)
{
    auto fake = std::make_shared<FakeVolumes>();
    const auto alpha = fakeVolume(QStringLiteral("Alpha"), 1);
    auto beta = fakeVolume(QStringLiteral("Beta"), 2);
    beta.gatedOnce = true; // its first measurement hangs until the test releases it
    fake->add(alpha);
    fake->add(beta);

    ExternalVolumeReader reader(FakeVolumes::probe(fake), 5000ms);
    reader.setHangLimit(200ms);
    Deliveries deliveries;
    deliveries.attach(reader);

    // The pass stops waiting for Beta and ends; Beta is left without a space.
    reader.request();
    ASSERT_TRUE(test::waitUntil([&] { return deliveries.passes.size() == 1; }, 5000));
    EXPECT_EQ(deliveries.passes[0].volumes, (ExternalVolumes{measured(alpha), unmeasured(beta)}));
    EXPECT_FALSE(reader.isRunning());

    // While that call is still out, the next pass lists both and does not ask Beta again.
    reader.request();
    ASSERT_TRUE(test::waitUntil([&] { return deliveries.passes.size() == 2; }, 5000));
    EXPECT_EQ(deliveries.passes[1].volumes, (ExternalVolumes{measured(alpha), unmeasured(beta)}));
    EXPECT_EQ(fake->measuredPaths().count(beta.entry.mountPath), 1);

    // Once the disk answers, Beta is measured again. A pass that starts before the released
    // call has returned still skips Beta, so passes are asked for until one measures it.
    fake->gate.release();
    const ExternalVolumes bothMeasured{measured(alpha), measured(beta)};
    ASSERT_TRUE(test::waitUntil(
        [&] {
            const bool done
                = deliveries.passes.size() >= 3 && deliveries.passes.last().volumes == bothMeasured;
            if (!done && !reader.isRunning())
                reader.request();
            return done;
        },
        5000));
    EXPECT_EQ(fake->measuredPaths().count(beta.entry.mountPath), 2);
}

TEST(ExternalVolumeReader, RequestsDuringAPassCoalesceIntoOneMorePass)
{
    auto fake = std::make_shared<FakeVolumes>();
    const auto alpha = fakeVolume(QStringLiteral("Alpha"), 1);
    auto beta = fakeVolume(QStringLiteral("Beta"), 2);
    beta.gatedOnce = true;
    const auto gamma = fakeVolume(QStringLiteral("Gamma"), 3);
    fake->add(alpha);
    fake->add(beta);
    fake->add(gamma);

    ExternalVolumeReader reader(FakeVolumes::probe(fake), 10s);
    Deliveries deliveries;
    deliveries.attach(reader);
    reader.request();
    ASSERT_TRUE(test::waitUntil([&] { return fake->measuredPaths().size() == 2; }));

    // A disk is plugged in while Beta is being measured; the popover asks three times.
    const auto delta = fakeVolume(QStringLiteral("Delta"), 4);
    fake->add(delta);
    const qint64 ticket = reader.passNumber();
    reader.request();
    reader.request();
    reader.request();
    EXPECT_EQ(reader.passNumber(), 1);
    EXPECT_TRUE(reader.hasPendingRequest());
    fake->gate.release();

    ASSERT_TRUE(test::waitUntil([&] { return !reader.isRunning(); }));
    ASSERT_EQ(deliveries.passes.size(), 2);
    // The first pass stops measuring once a request is pending; its result is older than the
    // ticket, so the model ignores it.
    EXPECT_EQ(deliveries.passes[0],
              (ExternalVolumeReader::PassResult{
                  1, {measured(alpha), measured(beta), unmeasured(gamma)}}));
    EXPECT_LE(deliveries.passes[0].pass, ticket);
    EXPECT_EQ(deliveries.passes[1],
              (ExternalVolumeReader::PassResult{
                  2, {measured(alpha), measured(beta), measured(delta), measured(gamma)}}));
    EXPECT_GT(deliveries.passes[1].pass, ticket);
    EXPECT_EQ(fake->listCount(), 2);
    EXPECT_EQ(fake->mostBusy, 1);
    EXPECT_FALSE(reader.hasPendingRequest());

    // The reader serves later requests again.
    reader.request();
    ASSERT_TRUE(test::waitUntil([&] { return !reader.isRunning(); }));
    EXPECT_EQ(deliveries.passes.size(), 3);
    EXPECT_EQ(deliveries.passes[2].pass, 3);
}

TEST(ExternalVolumeReader, ReaderEndedDuringAPassDeliversNothing)
{
    auto fake = std::make_shared<FakeVolumes>();
    auto alpha = fakeVolume(QStringLiteral("Alpha"), 1);
    alpha.gatedOnce = true;
    fake->add(alpha);

    Deliveries deliveries;
    auto reader = std::make_unique<ExternalVolumeReader>(FakeVolumes::probe(fake), 5s);
    deliveries.attach(*reader);
    reader->request();
    ASSERT_TRUE(test::waitUntil([&] { return fake->busy == 1; }));
    reader.reset();
    fake->gate.release();

    ASSERT_TRUE(test::waitUntil([&] { return fake->busy == 0; }));
    test::waitUntil([] { return false; }, 100);
    EXPECT_TRUE(deliveries.passes.isEmpty());
}

TEST(ExternalVolumeReader, DefaultProbeReadsTheMountTable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(
        QFile::link(QStringLiteral("/dev/sdb1"), dir.filePath(QStringLiteral("Backup\\x20Disk"))));

    const ExternalVolumeReader::Probe probe = ExternalVolumeReader::defaultProbe(
        QStringLiteral(QUILLMERE_TEST_DATA_DIR) + QStringLiteral("/mountinfo-desktop.txt"),
        dir.path(),
        QStringLiteral("/home/alice"));
    EXPECT_EQ(probe.list(),
              (QList<Entry>{{QStringLiteral("/run/media/alice/USB Backup"),
                             QStringLiteral("Backup Disk"),
                             false}}));
    EXPECT_TRUE(ExternalVolumeReader::defaultProbe(QStringLiteral("/nonexistent/mountinfo"))
                    .list()
                    .isEmpty());

    // Only a mount point is measured: a plain folder is a volume that has gone.
    const std::optional<DiskSpace> root = probe.space(QStringLiteral("/"));
    ASSERT_TRUE(root.has_value());
    EXPECT_GT(root->total, 0);
    EXPECT_FALSE(probe.space(dir.path()).has_value());
    EXPECT_FALSE(probe.space(dir.filePath(QStringLiteral("missing"))).has_value());

    // A real mount point whose name the kernel escapes in its table.
    QTemporaryDir mountDir;
    ASSERT_TRUE(mountDir.isValid());
    const QString target = mountDir.filePath(QStringLiteral("Disk \u00e4 1"));
    ASSERT_TRUE(QDir().mkpath(target));
    const QByteArray path = QFile::encodeName(target);
    if (::mount("quillmere-test", path.constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);
    const std::optional<DiskSpace> mounted = probe.space(target);
    ::umount2(path.constData(), MNT_DETACH);
    EXPECT_EQ(mounted, (DiskSpace{1 << 20, 1 << 20, 0}));
}

TEST(ExternalVolumeReader, MountPointsThatAreNotUtf8AreNamedApartAndMeasured)
{
    // Two volumes mounted in folders whose names differ only in a byte that is not UTF-8 (a
    // Latin-1 "é" and "è"): each keeps a name of its own and is measured, not read as gone.
    QTemporaryDir parent(QStringLiteral("/mnt/quillmere-test-XXXXXX"));
    if (!parent.isValid())
        GTEST_SKIP() << "no folder can be made under /mnt here";
    const QByteArray base = QFile::encodeName(parent.path());
    struct Volume
    {
        QByteArray folder;
        const char *escaped; // as the kernel writes it in its table
        const char *device;  // major:minor
        const char *source;
        const char *options;
        QString name;
        qint64 size;
    };
    const QList<Volume> volumes{
        {base + "/caf\xe9",
         "/caf\\351",
         "8:17",
         "/dev/sdb1",
         "size=1m",
         QStringLiteral("caf\\xE9"),
         1 << 20},
        {base + "/caf\xe8",
         "/caf\\350",
         "8:33",
         "/dev/sdc1",
         "size=2m",
         QStringLiteral("caf\\xE8"),
         2 << 20},
    };
    struct Unmount
    {
        QList<QByteArray> folders;
        ~Unmount()
        {
            // QDir cannot name these folders to remove them.
            for (const QByteArray &folder : folders) {
                ::umount2(folder.constData(), MNT_DETACH);
                ::rmdir(folder.constData());
            }
        }
    } unmount;
    QByteArray table = "1 0 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw\n";
    for (const Volume &volume : volumes) {
        ASSERT_EQ(::mkdir(volume.folder.constData(), 0700), 0) << std::strerror(errno);
        unmount.folders.append(volume.folder);
        if (::mount("quillmere-test", volume.folder.constData(), "tmpfs", 0, volume.options) != 0)
            GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);
        table += QByteArray("2 1 ") + volume.device + " / " + base + volume.escaped
                 + " rw,relatime - exfat " + volume.source + " rw\n";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString mountInfo = dir.filePath(QStringLiteral("mountinfo"));
    ASSERT_TRUE(test::writeFile(mountInfo, table));

    const ExternalVolumeReader::Probe probe
        = ExternalVolumeReader::defaultProbe(mountInfo, dir.path(), QStringLiteral("/home/alice"));
    const QList<Entry> entries = probe.list();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_NE(entries[0].mountPath, entries[1].mountPath);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(volumes[i].name.toStdString());
        EXPECT_EQ(entries[i].name, volumes[i].name);
        EXPECT_EQ(probe.space(entries[i].mountPath),
                  (DiskSpace{volumes[i].size, volumes[i].size, 0}));
    }
}

TEST(ExternalVolumeReader, RealProbeOnThisMachine)
{
    ExternalVolumeReader reader;
    Deliveries deliveries;
    deliveries.attach(reader);
    reader.request();
    ASSERT_TRUE(test::waitUntil([&] { return !reader.isRunning(); }, 20000));
    ASSERT_EQ(deliveries.passes.size(), 1);

    const Result<QList<MountEntry>> mounts = readMountInfo();
    ASSERT_TRUE(mounts.ok());
    for (const ExternalVolume &volume : deliveries.passes[0].volumes) {
        const auto mount = std::find_if(mounts->begin(), mounts->end(), [&](const MountEntry &m) {
            return m.mountPoint == volume.mountPath;
        });
        ASSERT_NE(mount, mounts->end()) << volume.mountPath.toStdString();
        EXPECT_TRUE(mount->source.startsWith(QLatin1String("/dev/")));
        EXPECT_FALSE(mount->source.startsWith(QLatin1String("/dev/loop")));
        EXPECT_NE(mount->fileSystemType, QStringLiteral("overlay"));
    }
}

TEST(ExternalVolumeReader, TheSystemVolumeComesFirstWhenTheHomeFolderLivesApart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString mountInfo = dir.filePath(QStringLiteral("mountinfo"));
    ASSERT_TRUE(test::writeFile(mountInfo,
                                "1 0 259:2 / / ro,relatime - ext4 /dev/nvme0n1p2 ro\n"
                                "2 1 259:3 / /home rw,relatime - ext4 /dev/nvme0n1p3 rw\n"
                                "3 1 8:17 / /media/ann/Disk rw,relatime - exfat /dev/sdb1 rw\n"
                                "4 1 8:33 / /mnt/homes rw,relatime - ext4 /dev/sdc1 rw\n"));
    const Entry system{QStringLiteral("/"), QStringLiteral("System"), true};
    const Entry disk{QStringLiteral("/media/ann/Disk"), QStringLiteral("Disk"), false};
    const Entry homes{QStringLiteral("/mnt/homes"), QStringLiteral("homes"), false};
    const struct
    {
        const char *name;
        QString home;
        QList<Entry> entries;
    } cases[] = {
        {"home on its own partition", QStringLiteral("/home/ann"), {system, disk, homes}},
        {"home on the root volume", QStringLiteral("/root"), {disk, homes}},
        {"a home that only begins like a mount point",
         QStringLiteral("/homework/ann"),
         {disk, homes}},
        {"home on a disk mounted like an external one: that disk is the startup volume",
         QStringLiteral("/mnt/homes/ann"),
         {system, disk}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExternalVolumeReader::defaultProbe(
                      mountInfo, dir.filePath(QStringLiteral("none")), c.home)
                      .list(),
                  c.entries);
    }
}

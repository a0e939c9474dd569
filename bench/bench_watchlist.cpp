// The Watched Folders section with 2,020 folders on the list: the time from opening the section
// to its first paint, and the time from ticking one folder's checkbox until the form has caught
// up (the change saved and every queued reaction run), each against a plain list view of the
// same 2,020 text rows opened and changed the same way in the same run. Target: a tick within
// one frame (16 ms). Prints PASS or FAIL for each; exits 1 only when the form did not open.

#include "model/AppModel.h"
#include "records/Snapshot.h"
#include "settings/SettingsStore.h"
#include "ui/settings/SettingsWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace qm;

namespace {

constexpr int folders = 2020;
constexpr int rounds = 9;
constexpr double frameMs = 16;
constexpr qint64 GB = 1'000'000'000;

class PaintProbe : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Runs every event already posted (zero-interval timers included) until the queue is empty.
void drain()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/share"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/state"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("org.quillmere.*=false"));

    // 2,020 folders, half of them measured in each of 30 daily records, some not measured.
    QStringList paths;
    for (int f = 0; f < folders; ++f)
        paths.append(QStringLiteral("~/projects/client %1/build").arg(f));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    QList<Snapshot> records;
    for (int ago = 29; ago >= 0; --ago) {
        Snapshot snapshot;
        snapshot.date = calendar.dayKey(now.addDays(-ago));
        snapshot.free = 300 * GB;
        snapshot.scannedAt = snapshot.date + QStringLiteral("T00:42:05Z");
        for (int f = 0; f < folders; f += 2)
            snapshot.entries.insert(paths.at(f), GB + f);
        for (int f = 1; f < folders; f += 20)
            snapshot.unmeasured.append(paths.at(f));
        records.append(snapshot);
    }
    const QString data = home.filePath(QStringLiteral("data"));
    Settings settings = defaultSettings();
    settings.watchEntries.clear();
    for (const QString &path : paths)
        settings.watchEntries.append({path, true});
    if (!writeWhole(data + QStringLiteral("/snapshots.json"), encodeSnapshots(records))
        || !SettingsStore(data + QStringLiteral("/settings.json")).save(settings).ok()) {
        std::fprintf(stderr, "cannot write the settings and records\n");
        return 1;
    }

    AppModel::Services services;
    services.settingsFile = data + QStringLiteral("/settings.json");
    services.snapshotsFile = data + QStringLiteral("/snapshots.json");
    services.home = home.path();
    services.startFirstScan = [](SnapshotScheduler &) {
    };
    services.folderPresenceProbe = [](const QString &) {
        return FolderPresence::present;
    };
    AppModel model(services);
    if (model.settings().watchEntries.size() != folders || model.records().size() != 30) {
        std::fprintf(stderr, "the settings or records were not read\n");
        return 1;
    }

    // The plain list: the same rows as bare text in a QListView, changed by editing one row.
    QStringListModel plainModel(paths);
    QListView plain;
    plain.setModel(&plainModel);
    plain.resize(720, 512);
    PaintProbe plainPaint;
    plain.viewport()->installEventFilter(&plainPaint);

    PaintProbe formPaint;

    QElapsedTimer timer;
    timer.start();
    plain.show();
    while (!plainPaint.painted && timer.elapsed() < 60'000)
        QCoreApplication::processEvents();
    const double plainOpen = msSince(timer);

    // From making the window (which makes its forms) to the painted list.
    timer.restart();
    SettingsWindow window(model);
    auto *list = window.findChild<QAbstractItemView *>(QStringLiteral("watchList"));
    if (!list) {
        std::fprintf(stderr, "the Watched Folders list is missing\n");
        return 1;
    }
    list->viewport()->installEventFilter(&formPaint);
    window.open(SettingsSection::watch);
    while (!formPaint.painted && timer.elapsed() < 60'000)
        QCoreApplication::processEvents();
    const double formOpen = msSince(timer);
    if (!formPaint.painted) {
        std::fprintf(stderr, "the Watched Folders form did not paint\n");
        return 1;
    }
    drain();

    // Each round ticks row 100 off or on, as its checkbox does, and waits until everything
    // queued by the change has run.
    std::vector<double> ticks;
    std::vector<double> plainTicks;
    for (int round = 0; round < rounds; ++round) {
        const bool on = round % 2 == 1;
        timer.restart();
        model.setWatchFolderEnabled(100, on);
        drain();
        ticks.push_back(msSince(timer));
        if (model.settings().watchEntries.at(100).enabled != on) {
            std::fprintf(stderr, "the tick did not reach the settings\n");
            return 1;
        }
        timer.restart();
        plainModel.setData(plainModel.index(100),
                           paths.at(100) + (on ? QStringLiteral(" on") : QStringLiteral(" off")));
        drain();
        plainTicks.push_back(msSince(timer));
    }
    const double tick = median(ticks);
    const double plainTick = median(plainTicks);

    std::printf("bench_watchlist: %d watched folders, 30 days of records\n", folders);
    std::printf("  open the section: form %.1f ms, plain list %.1f ms, ratio %.1f\n",
                formOpen,
                plainOpen,
                formOpen / std::max(plainOpen, 0.001));
    std::printf(
        "  tick one folder (median of %d): form %.2f ms, plain list %.2f ms, ratio %.1f  %s\n",
        rounds,
        tick,
        plainTick,
        tick / std::max(plainTick, 0.001),
        tick <= frameMs ? "PASS" : "FAIL");
    return 0;
}

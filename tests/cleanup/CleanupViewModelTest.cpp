#include "cleanup/CleanupViewModel.h"
#include "platform/ProcessRunner.h"
#include "records/WatchList.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <set>

#include <sys/types.h>

using namespace Qt::StringLiterals;

[[maybe_unused]] static void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(u" | "_s).toStdString() << ']';
}

namespace qm {
[[maybe_unused]] static void PrintTo(const CleanupItem &row, std::ostream *os)
{
    *os << "{" << row.path.toStdString() << " size "
        << (row.size ? std::to_string(*row.size) : std::string("-")) << " children "
        << (row.childCount ? std::to_string(*row.childCount) : std::string("-")) << " section "
        << int(row.section) << " reason " << row.reason.toStdString() << "}";
}
[[maybe_unused]] static void PrintTo(const TrashResult &result, std::ostream *os)
{
    *os << "{" << result.itemPath.toStdString() << ": moved " << result.moved << ", failed "
        << result.failed << " [" << result.failures.join(u" | ").toStdString() << "]}";
}
[[maybe_unused]] static void PrintTo(const CleanupViewModel::TrashDisplay &state, std::ostream *os)
{
    *os << "{kind " << int(state.kind) << ", " << state.bytes << " bytes}";
}
} // namespace qm

using namespace qm;
using namespace std::chrono_literals;

namespace {

using TrashDisplay = CleanupViewModel::TrashDisplay;

const QString fakeDu = QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/cleanupmodel_du.sh");
const QString fakeTmutil = QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/cleanup_fake_tmutil.sh");
const QString trashStateHelper
    = QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_cleanupmodel_trash_state");

QStringList pathsOf(const QList<CleanupItem> &rows)
{
    QStringList paths;
    for (const CleanupItem &row : rows)
        paths.append(row.path);
    return paths;
}

std::optional<CleanupItem> rowOf(const QList<CleanupItem> &rows, const QString &path)
{
    for (const CleanupItem &row : rows) {
        if (row.path == path)
            return row;
    }
    return std::nullopt;
}

// Bytes the real du gives for a folder, as the scanner reads them.
std::optional<qint64> duBytes(const QString &folder)
{
    ProcessRequest request;
    request.program = u"/usr/bin/du"_s;
    request.arguments = {u"-s"_s, u"-k"_s, folder};
    request.timeLimit = 20s;
    const ProcessResult run = QCoro::waitFor(runProcess(request));
    bool ok = false;
    const qint64 kib = QString::fromUtf8(run.standardOutput).section(u'\t', 0, 0).toLongLong(&ok);
    if (!run.succeeded() || !ok)
        return std::nullopt;
    return kib * 1024;
}

// What emptying the Trash at `trash` frees, as du gives it entry by entry: every entry of "files"
// and of "info", dot-named ones included; the two folders themselves stay.
qint64 freedByEmptying(const QString &trash)
{
    qint64 bytes = 0;
    for (const QString &folder : {trash + u"/files"_s, trash + u"/info"_s}) {
        const Result<QStringList> names = localFileSystem().list(folder);
        for (const QString &name : names.ok() ? names.value() : QStringList())
            bytes += duBytes(folder + u'/' + name).value_or(-1);
    }
    return bytes;
}

// Answers for the real file system inside the home folder; outside it, only `installed` exists.
// Keeps this machine's tools and system folders out of the tests.
class HomeOnlyProbe final : public FileSystemProbe
{
public:
    HomeOnlyProbe(QString home, QStringList installed)
        : m_home(std::move(home))
        , m_installed(std::move(installed))
    {}
    bool exists(const QString &path) const override
    {
        return path.startsWith(m_home + u'/') ? localFileSystem().exists(path)
                                              : m_installed.contains(path);
    }
    Result<QStringList> list(const QString &folder) const override
    {
        return localFileSystem().list(folder);
    }
    bool isSymbolicLink(const QString &path) const override
    {
        return localFileSystem().isSymbolicLink(path);
    }

private:
    QString m_home;
    QStringList m_installed;
};

// The real file system inside the home folder, as HomeOnlyProbe answers, but every question
// waits while `closed` is set.
class GatedProbe final : public FileSystemProbe
{
public:
    explicit GatedProbe(QString home)
        : m_inner(std::move(home), {})
    {}
    bool exists(const QString &path) const override
    {
        waitWhileClosed();
        return m_inner.exists(path);
    }
    Result<QStringList> list(const QString &folder) const override
    {
        waitWhileClosed();
        return m_inner.list(folder);
    }
    bool isSymbolicLink(const QString &path) const override
    {
        waitWhileClosed();
        return m_inner.isSymbolicLink(path);
    }

    std::atomic<bool> closed = false;

private:
    void waitWhileClosed() const
    {
        while (closed)
            QThread::msleep(5);
    }

    HomeOnlyProbe m_inner;
};

// Every test works in the private test home, with only the folders it makes itself, the real
// Trash of that home, and du replaced by a script that notes each run before it runs the real
// du.
class CleanupViewModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        removeTestFolders();
        qputenv("CLEANUPMODEL_DU_LOG", QFile::encodeName(m_logDir.filePath(u"du.log"_s)));
        m_now = QDateTime(QDate(2026, 3, 12), QTime(10, 0));
    }

    void TearDown() override
    {
        qunsetenv("CLEANUPMODEL_DU_LOG");
        qunsetenv("CLEANUPMODEL_DU_HANG");
        qunsetenv("CLEANUPMODEL_DU_FAIL");
        qunsetenv("CLEANUPMODEL_DU_HOLD");
        qunsetenv("CLEANUPMODEL_DU_RELEASE");
        qunsetenv("CLEANUP_FAKE_TMUTIL");
        qunsetenv("CLEANUP_FAKE_TMUTIL_OUTPUT");
        removeTestFolders();
        QDir().mkpath(home() + u"/.cache"_s);
    }

    static QString home() { return test::privateHome(); }
    static QString path(const QString &tildePath) { return expandTilde(tildePath, home()); }
    static QString trashFiles() { return home() + u"/.local/share/Trash/files"_s; }
    static QString trashInfo() { return home() + u"/.local/share/Trash/info"_s; }
    static qint64 trashBytes() { return freedByEmptying(home() + u"/.local/share/Trash"_s); }

    static void removeTestFolders()
    {
        for (const char *folder : {".cache",
                                   ".npm",
                                   ".cargo",
                                   ".gradle",
                                   ".config/Code",
                                   ".local/share/Trash",
                                   ".ssh",
                                   ".gnupg",
                                   ".mozilla"}) {
            const QString path = home() + u'/' + QString::fromLatin1(folder);
            // A link goes itself; what it points to stays.
            if (QFileInfo(path).isSymLink())
                QFile::remove(path);
            else
                QDir(path).removeRecursively();
        }
    }

    // A file of `kib` KiB that really occupies its blocks.
    static void file(const QString &tildePath, int kib = 4)
    {
        ASSERT_TRUE(test::writeFile(path(tildePath), QByteArray(kib * 1024, 'x')))
            << tildePath.toStdString();
    }
    static void folder(const QString &tildePath)
    {
        ASSERT_TRUE(QDir().mkpath(path(tildePath))) << tildePath.toStdString();
    }

    CleanupViewModel::Services services()
    {
        CleanupViewModel::Services s;
        s.home = home();
        s.fileSystem = std::make_shared<const HomeOnlyProbe>(home(), QStringList());
        s.scanner.executable = fakeDu;
        s.watchEntries = [this] {
            return m_settings;
        };
        s.latestSnapshot = [this] {
            return m_latest;
        };
        s.now = [this] {
            return m_now;
        };
        return s;
    }

    // The folders du was started on, in order, and the process ids.
    QStringList duFolders() const
    {
        QStringList folders;
        for (const auto &[pid, folder] : duRuns())
            folders.append(folder);
        return folders;
    }
    QList<std::pair<pid_t, QString>> duRuns() const
    {
        QList<std::pair<pid_t, QString>> runs;
        const QStringList lines = QString::fromUtf8(test::readFile(m_logDir.filePath(u"du.log"_s)))
                                      .split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : lines)
            runs.append({pid_t(line.section(u' ', 0, 0).toInt()), line.section(u' ', 1)});
        return runs;
    }

    QTemporaryDir m_logDir;
    QList<WatchSetting> m_settings;
    std::optional<Snapshot> m_latest;
    QDateTime m_now;
};

bool isRunning(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

TEST_F(CleanupViewModelTest, FirstAppearanceListsInCatalogueOrderThenLargestFirst)
{
    file(u"~/.cache/thumbnails/t.png"_s, 100);
    file(u"~/.cache/pip/wheel.whl"_s, 300);
    folder(u"~/.cache/yarn"_s);
    file(u"~/.cache/stray.bin"_s, 10);
    file(u"~/.npm/_cacache/index"_s, 1024);
    folder(u"~/.cargo/registry/cache"_s);
    file(u"~/.gradle/caches/x.bin"_s, 50);
    qputenv("CLEANUPMODEL_DU_FAIL", QFile::encodeName(path(u"~/.gradle/caches"_s)));

    CleanupViewModel model(services());
    QList<QList<CleanupItem>> published;
    QObject::connect(
        &model, &CleanupViewModel::safeChanged, &model, [&] { published.append(model.safe()); });
    model.screenShown();
    QCoro::waitFor(model.appear());

    ASSERT_EQ(published.size(), 2);
    const QList<CleanupItem> &first = published.first();
    EXPECT_EQ(pathsOf(first),
              (QStringList{u"~/.cache"_s,
                           u"~/.cache/thumbnails"_s,
                           u"~/.npm/_cacache"_s,
                           u"~/.cache/pip"_s,
                           u"~/.cache/yarn"_s,
                           u"~/.cargo/registry/cache"_s,
                           u"~/.gradle/caches"_s}));
    for (const CleanupItem &row : first)
        EXPECT_FALSE(row.size || row.childCount) << row.path.toStdString();

    // The two empty folders have equal sizes and keep their catalogue order.
    const QList<CleanupItem> safe = model.safe();
    EXPECT_EQ(pathsOf(safe),
              (QStringList{u"~/.npm/_cacache"_s,
                           u"~/.cache"_s,
                           u"~/.cache/pip"_s,
                           u"~/.cache/thumbnails"_s,
                           u"~/.cache/yarn"_s,
                           u"~/.cargo/registry/cache"_s,
                           u"~/.gradle/caches"_s}));
    for (const CleanupItem &row : safe) {
        const bool unmeasurable = row.path == u"~/.gradle/caches"_s;
        EXPECT_EQ(row.size, unmeasurable ? std::nullopt : duBytes(path(row.path)))
            << row.path.toStdString();
        EXPECT_EQ(row.childCount, row.path == u"~/.cache"_s ? std::optional<int>(4) : std::nullopt)
            << row.path.toStdString();
        EXPECT_EQ(row.section, CleanupItem::Section::safe);
    }
    EXPECT_EQ(rowOf(safe, u"~/.cache"_s)->precondition, CleanupPrecondition::quitApp());
    EXPECT_EQ(rowOf(safe, u"~/.cache/pip"_s)->reason, u"pip package cache"_s);
    EXPECT_EQ(model.lastMeasuredAt(), m_now);
    EXPECT_EQ(model.trashState(), TrashDisplay::empty());
    EXPECT_FALSE(model.isMeasuring());

    // A rebuild keeps the sizes: nothing changes, nothing is announced.
    QCoro::waitFor(model.rebuild());
    EXPECT_EQ(model.safe(), safe);
    EXPECT_EQ(published.size(), 2);
}

TEST_F(CleanupViewModelTest, AppearingAgainWithinAMinuteMeasuresOnlyTheTrash)
{
    file(u"~/.npm/_cacache/index"_s);
    ASSERT_TRUE(test::writeFile(trashFiles() + u"/old.txt"_s, "old"));
    const QDateTime start = m_now;
    CleanupViewModel model(services());
    model.screenShown();

    struct Step
    {
        int secondsAfterStart;
        QStringList measured;
        int lastMeasuredSecondsAfterStart;
    };
    const QStringList everything{trashFiles(), path(u"~/.npm/_cacache"_s)};
    const Step steps[] = {
        {0, everything, 0},
        {30, {trashFiles()}, 0},
        {59, {trashFiles()}, 0},
        {60, everything, 60},
    };
    for (const Step &step : steps) {
        m_now = start.addSecs(step.secondsAfterStart);
        const qsizetype before = duFolders().size();
        QCoro::waitFor(model.appear());
        EXPECT_EQ(duFolders().mid(before), step.measured) << step.secondsAfterStart;
        EXPECT_EQ(model.lastMeasuredAt(), start.addSecs(step.lastMeasuredSecondsAfterStart))
            << step.secondsAfterStart;
        EXPECT_EQ(model.trashState(), TrashDisplay::size(trashBytes()));
    }
}

TEST_F(CleanupViewModelTest, OverlappingFullMeasurementsRunOnce)
{
    file(u"~/.npm/_cacache/index"_s);
    file(u"~/.cache/pip/wheel.whl"_s);
    CleanupViewModel model(services());
    QCoro::waitFor(model.rebuild());
    QSignalSpy measuring(&model, &CleanupViewModel::isMeasuringChanged);

    QCoro::Task<> first = model.measureAll();
    QCoro::Task<> second = model.measureAll();
    EXPECT_TRUE(model.isMeasuring());
    // The second caller returns only once the one measurement has ended.
    QCoro::waitFor(second);
    EXPECT_FALSE(model.isMeasuring());
    EXPECT_TRUE(model.safe().first().size.has_value());
    QCoro::waitFor(first);

    QStringList measured = duFolders();
    measured.sort();
    EXPECT_EQ(
        measured,
        (QStringList{path(u"~/.cache"_s), path(u"~/.cache/pip"_s), path(u"~/.npm/_cacache"_s)}));
    EXPECT_EQ(measuring.count(), 2);
}

TEST_F(CleanupViewModelTest, HidingTheLastScreenCancelsTheMeasurementAndKillsDu)
{
    file(u"~/.npm/_cacache/index"_s);
    file(u"~/.cache/pip/wheel.whl"_s);
    qputenv("CLEANUPMODEL_DU_HANG", "1");
    CleanupViewModel model(services());
    QSignalSpy screens(&model, &CleanupViewModel::visibleScreensChanged);
    model.screenShown();
    model.screenShown();

    QCoro::Task<> appearing = model.appear();
    ASSERT_TRUE(test::waitUntil([&] { return duRuns().size() == 3; }, 10000));
    const QList<CleanupItem> unmeasured = model.safe();
    ASSERT_EQ(unmeasured.size(), 3);

    // One screen is still visible: the measurement goes on.
    model.screenHidden();
    EXPECT_EQ(model.visibleScreens(), 1);
    QTest::qWait(200);
    for (const auto &[pid, folder] : duRuns())
        EXPECT_TRUE(isRunning(pid)) << folder.toStdString();
    EXPECT_TRUE(model.isMeasuring());

    // The last one goes: the measurement ends long before du would have.
    model.screenHidden();
    ASSERT_TRUE(test::waitUntil([&] { return appearing.isReady(); }, 5000));
    for (const auto &[pid, folder] : duRuns())
        EXPECT_TRUE(test::waitUntil([pid] { return !isRunning(pid); }, 2000))
            << folder.toStdString();
    EXPECT_EQ(model.safe(), unmeasured);
    EXPECT_FALSE(model.lastMeasuredAt().has_value());
    EXPECT_FALSE(model.isMeasuring());

    // Hiding with nothing visible stays at zero.
    model.screenHidden();
    EXPECT_EQ(model.visibleScreens(), 0);
    EXPECT_EQ(screens.count(), 4);
}

TEST_F(CleanupViewModelTest, AMeasurementAskedForWhileACancelledOneEndsRunsAfresh)
{
    file(u"~/.npm/_cacache/index"_s);
    qputenv("CLEANUPMODEL_DU_HANG", "1");
    CleanupViewModel model(services());
    model.screenShown();
    QCoro::Task<> appearing = model.appear();
    ASSERT_TRUE(test::waitUntil([&] { return duRuns().size() == 1; }, 10000));

    model.screenHidden();
    qunsetenv("CLEANUPMODEL_DU_HANG");
    model.screenShown();
    QCoro::Task<> again = model.measureAll();
    ASSERT_TRUE(test::waitUntil([&] { return appearing.isReady() && again.isReady(); }, 5000));

    EXPECT_EQ(duFolders(), (QStringList{path(u"~/.npm/_cacache"_s), path(u"~/.npm/_cacache"_s)}));
    EXPECT_EQ(model.safe().value(0).size, duBytes(path(u"~/.npm/_cacache"_s)));
    EXPECT_EQ(model.lastMeasuredAt(), m_now);
}

TEST_F(CleanupViewModelTest, TrashStates)
{
    struct Case
    {
        const char *name;
        QStringList files; // relative to the Trash's "files" folder ("info/…": to its "info"
                           // folder); a name ending in "/" is a folder
        bool makeFolder;
        bool measured;
    };
    const Case cases[] = {
        {"no Trash folder", {}, false, false},
        {"an empty Trash folder", {}, true, false},
        // Every entry of "files" is an item the user moved there, whatever its name.
        {"only names starting with a dot", {u".fontconfig/"_s, u".keep-big"_s}, true, true},
        {"content", {u".hidden"_s, u"report.pdf"_s, u"old folder/"_s}, true, true},
        // Emptying frees the information files too: they count, the folders do not.
        {"items with their information files",
         {u"a.txt"_s,
          u"b.txt"_s,
          u"c.txt"_s,
          u"info/a.txt.trashinfo"_s,
          u"info/b.txt.trashinfo"_s,
          u"info/c.txt.trashinfo"_s},
         true,
         true},
    };
    for (const Case &c : cases) {
        QDir(home() + u"/.local/share/Trash"_s).removeRecursively();
        if (c.makeFolder) {
            ASSERT_TRUE(QDir().mkpath(trashFiles()));
        }
        for (const QString &name : c.files) {
            const QString item = name.startsWith(u"info/"_s) ? trashInfo() + name.mid(4)
                                                             : trashFiles() + u'/' + name;
            ASSERT_TRUE(name.endsWith(u'/')
                            ? test::writeFile(item + u"inside"_s, QByteArray(64 * 1024, 'x'))
                            : test::writeFile(item, "bytes"));
        }
        CleanupViewModel model(services());
        QCoro::waitFor(model.measureTrash());
        const TrashDisplay expected
            = c.measured ? TrashDisplay::size(trashBytes()) : TrashDisplay::empty();
        EXPECT_EQ(model.trashState(), expected) << c.name;
        EXPECT_FALSE(model.isMeasuringTrash()) << c.name;
    }
}

TEST_F(CleanupViewModelTest, ATrashThatCannotBeListedIsUnknown)
{
    // An unprivileged user measures a Trash folder that only its owner may list.
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::setPermissions(
        dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther));
    const QString otherHome = dir.filePath(u"home"_s);
    const QString files = otherHome + u"/.local/share/Trash/files"_s;
    ASSERT_TRUE(test::writeFile(files + u"/secret.txt"_s, "secret"));
    ASSERT_TRUE(
        QFile::setPermissions(files, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    ProcessRequest request;
    request.program = u"setpriv"_s;
    request.arguments = {u"--reuid=nobody"_s,
                         u"--regid=nogroup"_s,
                         u"--clear-groups"_s,
                         trashStateHelper,
                         otherHome};
    request.environment
        = {{u"HOME"_s, otherHome}, {u"XDG_DATA_HOME"_s, otherHome + u"/.local/share"_s}};
    request.timeLimit = 20s;
    const ProcessResult run = QCoro::waitFor(runProcess(request));
    ASSERT_TRUE(run.succeeded()) << run.errorString.toStdString()
                                 << run.firstErrorLine().toStdString();
    EXPECT_EQ(run.standardOutput, "unknown");
}

TEST_F(CleanupViewModelTest, InnermostWatchSetting)
{
    struct Case
    {
        const char *name;
        QList<WatchSetting> settings;
        QString path;
        std::optional<WatchSetting> expected;
    };
    const WatchSetting cacheOff{u"~/.cache"_s, false};
    const WatchSetting pipOn{u"~/.cache/pip"_s, true};
    const Case cases[] = {
        {"the same path", {cacheOff}, u"~/.cache"_s, cacheOff},
        {"a folder inside", {cacheOff}, u"~/.cache/pip/wheels"_s, cacheOff},
        {"the longest wins", {cacheOff, pipOn}, u"~/.cache/pip/wheels"_s, pipOn},
        {"the longest wins in any order", {pipOn, cacheOff}, u"~/.cache/pip"_s, pipOn},
        {"on equal length the earlier wins",
         {cacheOff, {u"~/.cache"_s, true}},
         u"~/.cache/pip"_s,
         cacheOff},
        {"a name that only starts alike", {cacheOff}, u"~/.cache2"_s, std::nullopt},
        {"nothing is expanded", {{home() + u"/.cache"_s, false}}, u"~/.cache"_s, std::nullopt},
        {"no settings", {}, u"~/.cache"_s, std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(innermostWatchSetting(c.path, c.settings), c.expected) << c.name;
}

TEST_F(CleanupViewModelTest, ADisabledWatchSettingHidesTheRowsInsideIt)
{
    folder(u"~/.cache/pip"_s);
    folder(u"~/.cache/thumbnails"_s);
    folder(u"~/.npm/_cacache"_s);
    folder(u"~/.ssh"_s);
    folder(u"~/.gnupg"_s);

    struct Case
    {
        const char *name;
        QList<WatchSetting> settings;
        QStringList safe;
        QStringList never;
    };
    const QStringList allSafe{
        u"~/.cache"_s, u"~/.cache/thumbnails"_s, u"~/.npm/_cacache"_s, u"~/.cache/pip"_s};
    const QStringList allNever{u"~/.ssh"_s, u"~/.gnupg"_s};
    const Case cases[] = {
        {"no settings", {}, allSafe, allNever},
        {"everything enabled", {{u"~"_s, true}, {u"~/.cache"_s, true}}, allSafe, allNever},
        {"a disabled folder", {{u"~/.cache"_s, false}}, {u"~/.npm/_cacache"_s}, allNever},
        {"an enabled folder inside a disabled one",
         {{u"~/.cache"_s, false}, {u"~/.cache/pip"_s, true}},
         {u"~/.npm/_cacache"_s, u"~/.cache/pip"_s},
         allNever},
        {"a disabled folder inside an enabled one",
         {{u"~/.cache"_s, true}, {u"~/.cache/pip"_s, false}},
         {u"~/.cache"_s, u"~/.cache/thumbnails"_s, u"~/.npm/_cacache"_s},
         allNever},
        {"a disabled never folder", {{u"~/.ssh"_s, false}}, allSafe, {u"~/.gnupg"_s}},
        {"a disabled home folder", {{u"~"_s, false}}, {}, {}},
    };
    for (const Case &c : cases) {
        m_settings = c.settings;
        CleanupViewModel model(services());
        QCoro::waitFor(model.rebuild());
        EXPECT_EQ(pathsOf(model.safe()), c.safe) << c.name;
        EXPECT_EQ(pathsOf(model.never()), c.never) << c.name;
    }
}

TEST_F(CleanupViewModelTest, NeverRowsTakeSizesOnlyFromExactPathsOfTheNewestRecord)
{
    folder(u"~/.ssh"_s);
    folder(u"~/.gnupg"_s);
    folder(u"~/.mozilla"_s);
    Snapshot record;
    record.date = u"2026-03-11"_s;
    record.entries = {{u"~/.ssh"_s, 4096},
                      {u"~/.gnupg/"_s, 10},
                      {u"~/.mozilla/firefox"_s, 20},
                      {path(u"~/.mozilla"_s), 30},
                      {u"/var/log"_s, 77}};

    const auto neverRow = [](const QString &path, std::optional<qint64> size) {
        CleanupItem row;
        row.path = path;
        row.kind = CleanupTarget::Kind::folder();
        row.section = CleanupItem::Section::never;
        row.reason = u"Do not touch"_s;
        row.size = size;
        return row;
    };
    struct Case
    {
        const char *name;
        std::optional<Snapshot> latest;
        QList<CleanupItem> never;
    };
    const Case cases[] = {
        {"no record",
         std::nullopt,
         {neverRow(u"~/.ssh"_s, std::nullopt),
          neverRow(u"~/.gnupg"_s, std::nullopt),
          neverRow(u"~/.mozilla"_s, std::nullopt),
          neverRow(u"/var/log"_s, std::nullopt)}},
        {"a record",
         record,
         {neverRow(u"~/.ssh"_s, 4096),
          neverRow(u"~/.gnupg"_s, std::nullopt),
          neverRow(u"~/.mozilla"_s, std::nullopt),
          neverRow(u"/var/log"_s, 77)}},
    };
    for (const Case &c : cases) {
        m_latest = c.latest;
        CleanupViewModel::Services s = services();
        s.fileSystem = std::make_shared<const HomeOnlyProbe>(home(), QStringList{u"/var/log"_s});
        CleanupViewModel model(s);
        QCoro::waitFor(model.rebuild());
        EXPECT_EQ(model.never(), c.never) << c.name;
    }
}

TEST_F(CleanupViewModelTest, CommandRowsForTheInstalledTools)
{
    struct Case
    {
        const char *name;
        const PlatformProfile *profile;
        QStringList installed;
        bool listsSnapshots;
        bool dockerInstalled;
        QStringList titles;
        int announcements; // of commandItemsChanged
    };
    const Case cases[] = {
        {"Docker and apt",
         &linuxProfile(),
         {u"/snap/bin/docker"_s, u"/usr/bin/apt-get"_s},
         false,
         true,
         {u"Unused Docker images"_s, u"Downloaded packages"_s},
         1},
        {"Flatpak without Docker",
         &linuxProfile(),
         {u"/usr/bin/flatpak"_s},
         false,
         false,
         {u"Unused Flatpak runtimes"_s},
         1},
        {"nothing installed", &linuxProfile(), {}, false, false, {}, 0},
        {"Docker only as an application, with local snapshots",
         &macosProfile(),
         {u"/Applications/Docker.app"_s},
         true,
         true,
         {u"Unused Docker images"_s, u"Time Machine local snapshots"_s},
         2},
    };
    qputenv("CLEANUP_FAKE_TMUTIL", "list");
    qputenv("CLEANUP_FAKE_TMUTIL_OUTPUT",
            QUILLMERE_TEST_DATA_DIR "/cleanup_tmutil_listlocalsnapshots.txt");
    for (const Case &c : cases) {
        CleanupViewModel::Services s = services();
        s.profile = c.profile;
        s.fileSystem = std::make_shared<const HomeOnlyProbe>(home(), c.installed);
        if (c.listsSnapshots)
            s.timeMachine.executable = fakeTmutil;
        CleanupViewModel model(s);
        QSignalSpy commands(&model, &CleanupViewModel::commandItemsChanged);
        QCoro::waitFor(model.appear());

        const QList<CleanupItem> rows = model.commandItems();
        EXPECT_EQ(pathsOf(rows), c.titles) << c.name;
        EXPECT_EQ(model.dockerInstalled(), c.dockerInstalled) << c.name;
        EXPECT_EQ(commands.count(), c.announcements) << c.name;
        EXPECT_EQ(model.timeMachineSnapshots().size(), c.listsSnapshots ? 3 : 0) << c.name;
        if (c.dockerInstalled) {
            CleanupItem docker;
            docker.path = u"Unused Docker images"_s;
            docker.kind = CleanupTarget::Kind::command(u"docker system prune -a"_s);
            docker.section = CleanupItem::Section::commandOnly;
            docker.reason = u"Removes unused images, containers, and networks"_s;
            docker.help = u"Run in Terminal. Removes unused images, containers, and networks."_s;
            EXPECT_EQ(rows.value(0), docker) << c.name;
        }
    }
}

TEST_F(CleanupViewModelTest, MovingRowsToTheTrash)
{
    struct Case
    {
        const char *name;
        QStringList files;
        // "~"-form link → folder of `elsewhere` it points to.
        QList<std::pair<QString, QString>> links;
        QString row;
        TrashResult expected;
        // Names that arrive in the Trash.
        QStringList trashed;
        // Whether a batch of moves runs (off the main thread), after which the row and the Trash
        // are measured again; a row reached through a link is refused at once.
        bool batch;
        // The links are made only once the rows are listed (a row behind a link is not offered;
        // one that comes to lie behind a link later is refused by the move itself).
        bool linkAfterListing = false;
    };
    const Case cases[] = {
        {"a folder",
         {u"~/.cache/pip/wheel.whl"_s, u"~/.npm/_cacache/index"_s},
         {},
         u"~/.cache/pip"_s,
         {u"~/.cache/pip"_s, 1, 0, {}},
         {u"pip"_s},
         true},
        {"contents with a link among them",
         {u"~/.cache/stray.bin"_s, u"~/.cache/notes/n.txt"_s},
         {{u"~/.cache/shortcut"_s, u"shared"_s}},
         u"~/.cache"_s,
         {u"~/.cache"_s,
          2,
          1,
          {u"shortcut: Not deleted: the path contains a symbolic link (shortcut)"_s}},
         {u"notes"_s, u"stray.bin"_s},
         true},
        {"a folder that came to lie behind a link after the listing",
         {u"~/.npm/_cacache/index"_s},
         {{u"~/.npm"_s, u"npm"_s}},
         u"~/.npm/_cacache"_s,
         {u"~/.npm/_cacache"_s, 0, 1, {u"Not deleted: the path contains a symbolic link: .npm"_s}},
         {},
         false,
         true},
    };
    const QString release = m_logDir.filePath(u"release"_s);
    qputenv("CLEANUPMODEL_DU_RELEASE", QFile::encodeName(release));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        removeTestFolders();
        QFile::remove(release);
        qunsetenv("CLEANUPMODEL_DU_HOLD");
        QTemporaryDir elsewhere;
        ASSERT_TRUE(test::writeFile(elsewhere.filePath(u"npm/_cacache/index"_s), "index"));
        ASSERT_TRUE(test::writeFile(elsewhere.filePath(u"shared/keep.txt"_s), "keep"));
        for (const QString &name : c.files)
            file(name, 64);
        const auto makeLinks = [&] {
            for (const auto &[link, target] : c.links) {
                QDir(path(link)).removeRecursively();
                ASSERT_TRUE(QFile::link(elsewhere.filePath(target), path(link)));
            }
        };
        if (!c.linkAfterListing)
            makeLinks();
        ASSERT_TRUE(test::writeFile(trashFiles() + u"/old.txt"_s, "old"));

        CleanupViewModel model(services());
        model.screenShown();
        QCoro::waitFor(model.appear());
        const std::optional<CleanupItem> before = rowOf(model.safe(), c.row);
        ASSERT_TRUE(before && before->size);
        if (c.linkAfterListing)
            makeLinks();

        // A Trash measurement is running: its du started before the move and reports the Trash
        // as it was then, only once the row has been measured again (when the model goes on to
        // the Trash) or, with nothing to measure, once the move is over.
        qputenv("CLEANUPMODEL_DU_HOLD", QFile::encodeName(trashFiles()));
        const qsizetype runsBefore = duRuns().size();
        QCoro::Task<> measuringTrash = model.measureTrash();
        ASSERT_TRUE(test::waitUntil(
            [&] { return duFolders().mid(runsBefore) == QStringList{trashFiles()}; }, 10000));

        qsizetype runsAtMove = -1;
        QObject::connect(&model, &CleanupViewModel::lastResultChanged, &model, [&] {
            runsAtMove = duRuns().size();
        });
        QObject::connect(
            &model, &CleanupViewModel::safeChanged, &model, [&] { test::writeFile(release, ""); });
        QList<bool> trashing;
        QObject::connect(&model, &CleanupViewModel::isTrashingChanged, &model, [&] {
            trashing.append(model.isTrashing());
        });

        // A copy of the row that is not offered is never moved.
        for (const CleanupItem::Section section :
             {CleanupItem::Section::never, CleanupItem::Section::commandOnly}) {
            CleanupItem row = *before;
            row.section = section;
            EXPECT_EQ(QCoro::waitFor(model.trash(row)), std::nullopt) << int(section);
        }
        EXPECT_TRUE(trashing.isEmpty());

        QCoro::Task<std::optional<TrashResult>> moving = model.trash(*before);
        if (c.batch) {
            // One move at a time.
            EXPECT_TRUE(model.isTrashing());
            EXPECT_EQ(QCoro::waitFor(model.trash(*before)), std::nullopt);
        }
        EXPECT_EQ(QCoro::waitFor(moving), c.expected);
        test::writeFile(release, "");
        QCoro::waitFor(measuringTrash);
        EXPECT_EQ(model.lastResult(), c.expected);
        EXPECT_EQ(trashing, (QList<bool>{true, false}));

        QStringList inTrash = localFileSystem().list(trashFiles()).value();
        inTrash.sort();
        QStringList expectedInTrash = c.trashed + QStringList{u"old.txt"_s};
        expectedInTrash.sort();
        EXPECT_EQ(inTrash, expectedInTrash);

        // After the move, du ran on the row, then the running Trash measurement went on to the
        // information files, then the Trash was measured afresh; the Trash shows the figure of
        // the fresh run.
        ASSERT_GE(runsAtMove, 0);
        EXPECT_EQ(duFolders().mid(runsAtMove),
                  c.batch ? QStringList({path(c.row), trashInfo(), trashFiles(), trashInfo()})
                          : QStringList());
        EXPECT_EQ(model.trashState(), TrashDisplay::size(trashBytes()));

        const std::optional<CleanupItem> after = rowOf(model.safe(), c.row);
        ASSERT_TRUE(after);
        if (!c.batch) {
            EXPECT_EQ(after, before);
        } else {
            // A moved folder no longer exists and loses its size.
            EXPECT_EQ(after->size, duBytes(path(c.row)));
            const Result<QStringList> listing = localFileSystem().list(path(c.row));
            EXPECT_EQ(after->childCount,
                      after->kind == CleanupTarget::Kind::folderContents()
                          ? std::optional<int>(int(listing.value().size()))
                          : before->childCount);
        }
    }
}

TEST_F(CleanupViewModelTest, AfterAContentsMoveTheRowsInsideAreMeasuredAgain)
{
    file(u"~/.cache/pip/wheel.whl"_s, 64);
    file(u"~/.cache/stray.bin"_s);
    CleanupViewModel model(services());
    QCoro::waitFor(model.appear());
    const std::optional<CleanupItem> cache = rowOf(model.safe(), u"~/.cache"_s);
    ASSERT_TRUE(cache && rowOf(model.safe(), u"~/.cache/pip"_s)->size);

    const std::optional<TrashResult> moved = QCoro::waitFor(model.trash(*cache));

    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->moved, 2);
    // pip went to the Trash with the rest: its row shows no size, not the old one.
    EXPECT_EQ(rowOf(model.safe(), u"~/.cache/pip"_s)->size, std::nullopt);
}

TEST_F(CleanupViewModelTest, TheTrashMeasuredIsTheTrashWrittenTo)
{
    // A data folder of its own, not "~/.local/share".
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString data = path(u"~/.cache/data-home"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    file(u"~/.cache/pip/wheel.whl"_s, 64);
    CleanupViewModel model(services());
    QCoro::waitFor(model.appear());
    const std::optional<CleanupItem> pip = rowOf(model.safe(), u"~/.cache/pip"_s);
    ASSERT_TRUE(pip);

    const std::optional<TrashResult> moved = QCoro::waitFor(model.trash(*pip));
    qputenv("XDG_DATA_HOME", saved);

    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->moved, 1);
    EXPECT_EQ(model.trashState(), TrashDisplay::size(freedByEmptying(data + u"/Trash"_s)));
}

TEST_F(CleanupViewModelTest, OnlyACurrentSafeRowOutsideTheNeverTouchListMoves)
{
    file(u"~/.cache/pip/wheel.whl"_s);
    file(u"~/.npm/_cacache/index"_s);
    // A catalogue that offers a folder inside the never-touch list, as a mistake would.
    PlatformProfile profile = linuxProfile();
    profile.neverTouchPaths.append(u"~/.npm"_s);
    CleanupViewModel::Services s = services();
    s.profile = &profile;
    CleanupViewModel model(s);
    QCoro::waitFor(model.rebuild());
    const std::optional<CleanupItem> pip = rowOf(model.safe(), u"~/.cache/pip"_s);
    const std::optional<CleanupItem> npm = rowOf(model.safe(), u"~/.npm/_cacache"_s);
    ASSERT_TRUE(pip && npm);
    QList<bool> trashing;
    QObject::connect(&model, &CleanupViewModel::isTrashingChanged, &model, [&] {
        trashing.append(model.isTrashing());
    });

    CleanupItem notShown = *pip;
    notShown.path = u"~/.ssh"_s;
    CleanupItem otherKind = *pip;
    otherKind.kind = CleanupTarget::Kind::folderContents();
    for (const CleanupItem &row : {notShown, otherKind, *npm})
        EXPECT_EQ(QCoro::waitFor(model.trash(row)), std::nullopt) << row.path.toStdString();
    EXPECT_TRUE(trashing.isEmpty());
    EXPECT_TRUE(QFile::exists(path(u"~/.cache/pip/wheel.whl"_s)));
    EXPECT_TRUE(QFile::exists(path(u"~/.npm/_cacache/index"_s)));
}

TEST_F(CleanupViewModelTest, AMeasurementCountsTheEntriesOfRowsAddedWhileDuRan)
{
    file(u"~/.npm/_cacache/index"_s);
    const QString release = m_logDir.filePath(u"release"_s);
    qputenv("CLEANUPMODEL_DU_HOLD", QFile::encodeName(path(u"~/.npm/_cacache"_s)));
    qputenv("CLEANUPMODEL_DU_RELEASE", QFile::encodeName(release));
    CleanupViewModel model(services());
    QCoro::waitFor(model.rebuild());
    QCoro::Task<> measuring = model.measureAll();
    ASSERT_TRUE(test::waitUntil(
        [&] { return duFolders() == QStringList{path(u"~/.npm/_cacache"_s)}; }, 10000));

    file(u"~/.cache/stray.bin"_s);
    folder(u"~/.cache/notes"_s);
    QCoro::waitFor(model.rebuild());
    ASSERT_TRUE(test::writeFile(release, ""));
    QCoro::waitFor(measuring);

    const std::optional<CleanupItem> cache = rowOf(model.safe(), u"~/.cache"_s);
    ASSERT_TRUE(cache);
    EXPECT_EQ(cache->childCount, 2);
    EXPECT_EQ(rowOf(model.safe(), u"~/.npm/_cacache"_s)->size, duBytes(path(u"~/.npm/_cacache"_s)));
}

TEST_F(CleanupViewModelTest, AnOvertakenRebuildReturnsOnceTheNewestRowsAreIn)
{
    folder(u"~/.npm/_cacache"_s);
    const auto probe = std::make_shared<GatedProbe>(home());
    CleanupViewModel::Services s = services();
    s.fileSystem = probe;
    CleanupViewModel model(s);

    // The older rebuild waits for its look at the disk, which ends before that of the newer one,
    // held there for a while.
    probe->closed = true;
    QCoro::Task<> older = model.rebuild();
    probe->closed = false;
    QThreadPool::globalInstance()->waitForDone();
    probe->closed = true;
    QCoro::Task<> newer = model.rebuild();
    QTimer::singleShot(200ms, &model, [&probe] { probe->closed = false; });

    QCoro::waitFor(older);
    EXPECT_EQ(pathsOf(model.safe()), QStringList{u"~/.npm/_cacache"_s});
    probe->closed = false;
    QCoro::waitFor(newer);
}

} // namespace

// A catalogue folder that is a link (or lies behind one) would be measured as its target: a link
// ~/.npm/_cacache -> ~/precious was offered as "npm package cache, 12 MB". Such rows are listed
// with the reason, never offered, never measured, and a move of one is refused.
TEST_F(CleanupViewModelTest, ALinkedCacheIsNeitherOfferedNorMeasured)
{
    const QString precious = home() + u"/precious"_s;
    QDir(precious).removeRecursively();
    ASSERT_TRUE(test::writeFile(precious + u"/thesis.odt"_s, QByteArray(12 * 1024 * 1024, 't')));
    ASSERT_TRUE(test::writeFile(precious + u"/pip/wheel.whl"_s, QByteArray(4096, 'w')));
    folder(u"~/.npm"_s);
    ASSERT_TRUE(QFile::link(precious, path(u"~/.npm/_cacache"_s)));
    // The cache folder itself is a link too: every row inside it lies behind it.
    QDir(path(u"~/.cache"_s)).removeRecursively();
    ASSERT_TRUE(QFile::link(precious, path(u"~/.cache"_s)));
    file(u"~/.cargo/registry/cache/crate.tar"_s, 8);

    CleanupViewModel model(services());
    model.screenShown();
    QCoro::waitFor(model.appear());

    EXPECT_EQ(pathsOf(model.safe()), QStringList{u"~/.cargo/registry/cache"_s});
    QStringList linked;
    for (const CleanupItem &row : model.linked()) {
        linked.append(row.path);
        EXPECT_FALSE(row.size.has_value()) << row.path.toStdString();
        EXPECT_EQ(row.section, CleanupItem::Section::never);
    }
    EXPECT_EQ(linked, (QStringList{u"~/.cache"_s, u"~/.npm/_cacache"_s, u"~/.cache/pip"_s}));
    EXPECT_EQ(rowOf(model.linked(), u"~/.npm/_cacache"_s)->reason,
              u"Not offered: “_cacache” is a link to another place"_s);
    EXPECT_EQ(rowOf(model.linked(), u"~/.cache/pip"_s)->reason,
              u"Not offered: “.cache” is a link to another place"_s);
    for (const QString &measured : duFolders())
        EXPECT_FALSE(measured.startsWith(precious) || measured.startsWith(path(u"~/.cache"_s))
                     || measured.startsWith(path(u"~/.npm"_s)))
            << measured.toStdString();

    const CleanupItem npm = *rowOf(model.linked(), u"~/.npm/_cacache"_s);
    EXPECT_FALSE(QCoro::waitFor(model.trash(npm)).has_value());
    EXPECT_TRUE(QFileInfo(precious + u"/thesis.odt"_s).isFile());
    QDir(precious).removeRecursively();
}

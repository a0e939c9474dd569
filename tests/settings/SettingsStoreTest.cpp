#include "settings/SettingsStore.h"
#include "settings/SettingsPrinting.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <optional>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

class SettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QDateTime at0930 = QDateTime(QDate(2026, 3, 12), QTime(9, 30, 5), QTimeZone::utc());

    // The data folder does not exist until something creates it.
    QString dataFolder() const { return dir.filePath(u"data/Quillmere"_s); }
    QString path() const { return dataFolder() + u"/settings.json"_s; }
    SettingsStore store() const { return SettingsStore{path()}; }
    Result<Settings> load() const { return store().load(at0930, QTimeZone::utc()); }
    QStringList names() const
    {
        return QDir(dataFolder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    static Settings changedSettings(qint64 thresholdGB)
    {
        Settings settings = defaultSettings();
        settings.thresholdGB = thresholdGB;
        settings.unit = ByteUnit::GiB;
        settings.lastNotifiedDate = u"2026-03-11"_s;
        settings.watchEntries = {{u"~/Ünïcode folder"_s, false}, {u"/srv"_s, true}};
        return settings;
    }
};

struct HelperOutcome
{
    int exitCode = -1;
    QString output;
};

// Runs the settings-store helper as the unprivileged user "nobody", so that file modes apply.
std::optional<HelperOutcome> runAsNobody(const QString &operation, const QString &filePath)
{
    QProcess process;
    process.start(u"/usr/bin/setpriv"_s,
                  {u"--reuid=nobody"_s,
                   u"--regid=nogroup"_s,
                   u"--clear-groups"_s,
                   QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_settings_store_access"),
                   operation,
                   filePath});
    if (!test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000)
        || process.error() != QProcess::UnknownError
        || process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return HelperOutcome{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

bool makeTraversable(const QString &folder)
{
    return QFile::setPermissions(folder,
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                     | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                     | QFile::ExeOther);
}

} // namespace

TEST_F(SettingsStoreTest, MissingFileGivesTheDefaultsAndCreatesNothing)
{
    test::LogCapture capture;
    const Result<Settings> loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error().description.toStdString();
    EXPECT_EQ(*loaded, defaultSettings());
    EXPECT_FALSE(QFileInfo::exists(dataFolder()));
    EXPECT_TRUE(capture.lines().isEmpty()) << capture.dump().toStdString();
}

TEST_F(SettingsStoreTest, SaveCreatesTheFolderAndReplacesTheWholeFile)
{
    ASSERT_FALSE(QFileInfo::exists(dataFolder()));
    const Status first = store().save(changedSettings(30));
    ASSERT_TRUE(first.ok()) << first.error().description.toStdString();
    EXPECT_EQ(test::readFile(path()), encodeSettings(changedSettings(30)));

    const Status second = store().save(defaultSettings());
    ASSERT_TRUE(second.ok()) << second.error().description.toStdString();
    EXPECT_EQ(test::readFile(path()), encodeSettings(defaultSettings()));
    EXPECT_EQ(names(), QStringList{u"settings.json"_s});

    ASSERT_TRUE(store().save(changedSettings(40)).ok());
    const Result<Settings> loaded = load();
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(*loaded, changedSettings(40));
}

TEST_F(SettingsStoreTest, LoadingNormalisesInMemoryButNeverRewritesTheFile)
{
    const QByteArray stored = R"({"thresholdGB": 5, "criticalGB": 9, "refreshInterval": 45,
                                  "lastSettingsTab": "thresholds", "watchEntries": ["~\/a"]})";
    ASSERT_TRUE(test::writeFile(path(), stored));
    const Result<Settings> loaded = load();
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->criticalGB, 4);
    EXPECT_EQ(loaded->refreshInterval, 60);
    EXPECT_EQ(loaded->lastSettingsTab, u"notifications"_s);
    EXPECT_EQ(loaded->watchEntries, (WatchSettings{{u"~/a"_s, true}}));
    EXPECT_EQ(test::readFile(path()), stored);
    EXPECT_EQ(names(), QStringList{u"settings.json"_s});
}

TEST_F(SettingsStoreTest, DamagedFileIsMovedAsideAndTheDefaultsAreUsed)
{
    const std::pair<const char *, QByteArray> rows[] = {
        {"zeroBytes", QByteArray()},
        {"arrayTopLevel", R"([{"thresholdGB": 5}])"},
        {"notJson", "thresholdGB = 5\n"},
        {"cutOffWrite", R"({"thresholdGB": 5, "watchEn)"},
    };
    for (const auto &[name, bytes] : rows) {
        SCOPED_TRACE(name);
        QDir(dataFolder()).removeRecursively();
        ASSERT_TRUE(test::writeFile(path(), bytes));
        test::LogCapture capture;

        const Result<Settings> loaded = load();
        ASSERT_TRUE(loaded.ok()) << loaded.error().description.toStdString();
        EXPECT_EQ(*loaded, defaultSettings());
        EXPECT_EQ(names(), QStringList{u"settings.corrupt-20260312T0930.json"_s});
        EXPECT_EQ(test::readFile(dataFolder() + u"/settings.corrupt-20260312T0930.json"_s), bytes);
        EXPECT_TRUE(
            capture.contains(u"Records"_s,
                             u"default"_s,
                             u"読めない記録を控えへ移した: settings.corrupt-20260312T0930.json"_s))
            << capture.dump().toStdString();

        // The next save writes a fresh file beside the backup.
        ASSERT_TRUE(store().save(defaultSettings()).ok());
        EXPECT_EQ(names(),
                  (QStringList{u"settings.corrupt-20260312T0930.json"_s, u"settings.json"_s}));
    }
}

TEST_F(SettingsStoreTest, AValueQtCannotHoldCostsThatValueNotTheFile)
{
    // Text that is not UTF-8, or a number beyond a double: JSON that Qt refuses whole.
    const QByteArray bytes = "{\"lastSettingsTab\": \"\xc3\x28\", \"thresholdGB\": 30, "
                             "\"scanHour\": 1e400}";
    ASSERT_TRUE(test::writeFile(path(), bytes));
    const Result<Settings> loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error().description.toStdString();
    EXPECT_EQ(loaded->thresholdGB, 30);
    EXPECT_EQ(loaded->lastSettingsTab, defaultSettings().lastSettingsTab);
    EXPECT_EQ(loaded->scanHour, defaultSettings().scanHour);
    EXPECT_EQ(names(), QStringList{u"settings.json"_s});
    EXPECT_EQ(test::readFile(path()), bytes);
}

TEST_F(SettingsStoreTest, SaveBelowARegularFileFails)
{
    const QString blocker = dir.filePath(u"data"_s);
    ASSERT_TRUE(test::writeFile(blocker, "not a folder"));
    const Status saved = store().save(defaultSettings());
    ASSERT_FALSE(saved.ok());
    EXPECT_FALSE(saved.error().description.isEmpty());
    EXPECT_EQ(test::readFile(blocker), QByteArray("not a folder"));
}

TEST_F(SettingsStoreTest, RefusedWritesAndMovesKeepTheOldFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "switching to the user nobody needs root";
    ASSERT_TRUE(QDir().mkpath(dataFolder()));
    for (const QString &folder : {dir.path(), dir.filePath(u"data"_s), dataFolder()})
        ASSERT_TRUE(makeTraversable(folder));

    // A folder that nobody may read but not write: the save fails and nothing changes.
    const QByteArray old = encodeSettings(changedSettings(33));
    ASSERT_TRUE(test::writeFile(path(), old));
    std::optional<HelperOutcome> outcome = runAsNobody(u"save"_s, path());
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->exitCode, 1) << outcome->output.toStdString();
    EXPECT_TRUE(outcome->output.startsWith(u"error: "_s)) << outcome->output.toStdString();
    EXPECT_EQ(test::readFile(path()), old);
    EXPECT_EQ(names(), QStringList{u"settings.json"_s});

    // A damaged file that cannot be moved aside fails the load and stays where it is.
    ASSERT_TRUE(test::writeFile(path(), "[]"));
    outcome = runAsNobody(u"load"_s, path());
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->exitCode, 1) << outcome->output.toStdString();
    EXPECT_TRUE(outcome->output.startsWith(u"error: "_s)) << outcome->output.toStdString();
    EXPECT_EQ(test::readFile(path()), QByteArray("[]"));
    EXPECT_EQ(names(), QStringList{u"settings.json"_s});

    // Once nobody owns the folder, the same helper moves the file aside and saves.
    ASSERT_EQ(::chown(QFile::encodeName(dataFolder()).constData(), 65534, 65534), 0);
    outcome = runAsNobody(u"load"_s, path());
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->output, u"ok 20\n"_s);
    outcome = runAsNobody(u"save"_s, path());
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->output, u"ok\n"_s);
    const Result<Settings> loaded = load();
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->thresholdGB, 77);
}

// A file written by a later version, or by hand, outlives a save by this one: keys it does not
// know stay, a value it read as a default stays as written, and a watch list with one element
// it cannot read keeps the others (and, while the list is not edited, that element too).
TEST_F(SettingsStoreTest, ASaveKeepsWhatThisVersionDoesNotUnderstand)
{
    const QByteArray issueFile
        = R"({"watchEntries":[{"path":"~/Projects","enabled":true},{"path":"~/Music","enabled":1}],)"
          R"("futureKey":1,"launchAtLogin":true})";
    const QJsonArray issueList = QJsonDocument::fromJson(issueFile)[u"watchEntries"_s].toArray();
    const struct
    {
        const char *name;
        QByteArray file;
        std::function<void(Settings &)> change;
        WatchSettings watchRead;
        QJsonObject written; // members the saved file holds
        QStringList absent;  // members it does not
    } rows[] = {
        {"theLoginItemIsMirrored",
         issueFile,
         [](Settings &s) { s.launchAtLogin = false; },
         {{u"~/Projects"_s, true}},
         {{u"futureKey"_s, 1}, {u"watchEntries"_s, issueList}, {u"launchAtLogin"_s, false}},
         {}},
        {"theWarningLineIsClampedToTheCapacity",
         R"({"thresholdGB":100000,"futureKey":{"a":[1]},"watchEntries":["~/a",7]})",
         [](Settings &s) { s.thresholdGB = 500; },
         {{u"~/a"_s, true}},
         {{u"thresholdGB"_s, 500},
          {u"futureKey"_s, QJsonObject{{u"a"_s, QJsonArray{1}}}},
          {u"watchEntries"_s, QJsonArray{u"~/a"_s, 7}}},
         {}},
        {"aRefreshIntervalThisVersionDoesNotOffer",
         R"({"refreshInterval":120,"thresholdGB":20,"watchEntries":["~/a"]})",
         [](Settings &s) { s.unit = ByteUnit::GiB; },
         {{u"~/a"_s, true}},
         {{u"refreshInterval"_s, 120},
          {u"unit"_s, u"GiB"_s},
          {u"watchEntries"_s, QJsonArray{u"~/a"_s}}},
         {}},
        {"theWatchListIsEdited",
         issueFile,
         [](Settings &s) {
             s.watchEntries.append({u"~/Videos"_s, false});
         },
         {{u"~/Projects"_s, true}},
         {{u"futureKey"_s, 1},
          {u"watchEntries"_s,
           QJsonArray{QJsonObject{{u"enabled"_s, true}, {u"path"_s, u"~/Projects"_s}},
                      QJsonObject{{u"enabled"_s, false}, {u"path"_s, u"~/Videos"_s}}}}},
         {}},
        {"aTextIsClearedAnUnreadableOneStays",
         R"({"lastNotifiedDate":"2026-03-11","notifiedUpdateVersion":7,"tags":null})",
         [](Settings &s) { s.lastNotifiedDate.reset(); },
         defaultSettings().watchEntries,
         {{u"notifiedUpdateVersion"_s, 7}, {u"tags"_s, QJsonValue::Null}},
         {u"lastNotifiedDate"_s}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(test::writeFile(path(), row.file));
        Result<Settings> loaded = load();
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(loaded->watchEntries, row.watchRead);
        Settings changed = *loaded;
        row.change(changed);
        ASSERT_TRUE(store().save(changed).ok());

        const QJsonObject saved = QJsonDocument::fromJson(test::readFile(path())).object();
        for (auto it = row.written.begin(); it != row.written.end(); ++it)
            EXPECT_EQ(saved.value(it.key()), it.value()) << qPrintable(it.key());
        for (const QString &key : row.absent)
            EXPECT_FALSE(saved.contains(key)) << qPrintable(key);
        // What was saved is what is read back.
        EXPECT_EQ(load().value(), changed);
        EXPECT_EQ(names(), QStringList{u"settings.json"_s});
    }
}

TEST_F(SettingsStoreTest, AWatchEntryThatCannotBeReadIsLogged)
{
    test::LogCapture capture;
    ASSERT_TRUE(test::writeFile(
        path(),
        R"({"watchEntries":[{"path":"~/a","enabled":1},"~/b",{"path":2},{"path":"~/c"}]})"));
    ASSERT_EQ(load()->watchEntries, (WatchSettings{{u"~/b"_s, true}, {u"~/c"_s, true}}));
    EXPECT_TRUE(capture.contains(
        u"Records"_s, u"default"_s, u"監視リストの読めない項目を外した(ファイルには残す): 2 件"_s))
        << qPrintable(capture.dump());
}

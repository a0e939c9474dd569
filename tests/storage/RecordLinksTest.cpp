// A link at the place of a record file. One the user made to a file of ours (a dotfile
// manager's) is followed; any other is moved aside like a damaged file, and what it points to
// is never read as ours nor written.
#include "records/ChildrenStore.h"
#include "records/SnapshotStore.h"
#include "settings/SettingsStore.h"
#include "storage/RecordFile.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

// One of the three record files: its name, a content of ours, and a save and a load of it.
struct RecordKind
{
    const char *name;
    QByteArray ours;
    std::function<Status(const QString &path)> save;
    std::function<bool(const QString &path)> loadsSaved; // loads what `save` wrote
};

Settings savedSettings()
{
    Settings settings = defaultSettings();
    settings.thresholdGB = 77;
    return settings;
}

QList<Snapshot> savedSnapshots()
{
    Snapshot snapshot;
    snapshot.date = u"2026-03-12"_s;
    snapshot.free = 77;
    return {snapshot};
}

Breakdown savedBreakdown()
{
    return {{u"2026-03-12"_s, {{u"~/a"_s, {{u"b"_s, 77}}}}}};
}

const QDateTime now = QDateTime(QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc());

const RecordKind kinds[] = {
    {"settings.json",
     encodeSettings(defaultSettings()),
     [](const QString &p) { return SettingsStore{p}.save(savedSettings()); },
     [](const QString &p) {
         return SettingsStore{p}.load(now, QTimeZone::utc()).value() == savedSettings();
     }},
    {"snapshots.json",
     R"([{"date":"2026-03-11","entries":{},"free":5}])",
     [](const QString &p) { return SnapshotStore{p}.save(savedSnapshots()); },
     [](const QString &p) {
         return SnapshotStore{p}.load(now).value() == savedSnapshots();
     }},
    {"children.json",
     R"({"2026-03-11":{"~/a":{"b":5}}})",
     [](const QString &p) { return ChildrenStore{p}.save(savedBreakdown()); },
     [](const QString &p) {
         return ChildrenStore{p}.load(now).value() == savedBreakdown();
     }},
};

} // namespace

TEST(RecordLinks, OnlyALinkToAFileOfOursIsWrittenThrough)
{
    const struct
    {
        const char *name;
        // Makes what the link points to in `folder`; gives the link's target.
        std::function<QString(const QDir &folder, const RecordKind &kind)> make;
        bool followed;
    } rows[] = {
        {"aFileOfOurs",
         [](const QDir &folder, const RecordKind &kind) {
             const QString target = folder.filePath(u"dotfiles/record"_s);
             return test::writeFile(target, kind.ours) ? target : QString();
         },
         true},
        {"aFileOfOursByARelativePath", // as GNU Stow links
         [](const QDir &folder, const RecordKind &kind) {
             const QString target = folder.filePath(u"dotfiles/relative/record"_s);
             return test::writeFile(target, kind.ours) ? target : QString();
         },
         true},
        {"aDiary",
         [](const QDir &folder, const RecordKind &) {
             const QString target = folder.filePath(u"Documents/diary.json"_s);
             return test::writeFile(target, "dear diary") ? target : QString();
         },
         false},
        {"anotherProgramsConfig",
         [](const QDir &folder, const RecordKind &) {
             const QString target = folder.filePath(u".config/other/config.json"_s);
             return test::writeFile(target, R"({"token":"s3cret","x":{}})") ? target : QString();
         },
         false},
        {"nothing",
         [](const QDir &folder, const RecordKind &) { return folder.filePath(u"gone.json"_s); },
         false},
        {"aLinkToAFileOfOurs",
         [](const QDir &folder, const RecordKind &kind) {
             const QString file = folder.filePath(u"dotfiles/record"_s);
             const QString link = folder.filePath(u"dotfiles/link"_s);
             return test::writeFile(file, kind.ours) && QFile::link(file, link) ? link : QString();
         },
         false},
        {"aFileOfOursOfAnotherUser",
         [](const QDir &folder, const RecordKind &kind) {
             const QString target = folder.filePath(u"shared/record"_s);
             const passwd *nobody = ::getpwnam("nobody");
             return nobody && test::writeFile(target, kind.ours)
                            && ::chown(QFile::encodeName(target).constData(),
                                       nobody->pw_uid,
                                       nobody->pw_gid)
                                   == 0
                        ? target
                        : QString();
         },
         false},
    };
    for (const RecordKind &kind : kinds) {
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(kind.name) + " linked to " + row.name);
            QTemporaryDir home;
            const QDir folder(home.path());
            ASSERT_TRUE(folder.mkpath(u"data"_s));
            const QString place = folder.filePath(u"data/"_s + QString::fromLatin1(kind.name));
            const QString target = row.make(folder, kind);
            ASSERT_FALSE(target.isEmpty());
            const bool targetExisted = QFileInfo(target).isSymLink() || QFileInfo::exists(target);
            const QByteArray before = test::readFile(target);
            const bool relative = target.contains(u"/relative/"_s);
            ASSERT_TRUE(QFile::link(
                relative ? QDir(folder.filePath(u"data"_s)).relativeFilePath(target) : target,
                place));

            const Status saved = kind.save(place);
            ASSERT_TRUE(saved.ok()) << qPrintable(saved.error().description);
            recordfile::waitForBackupPrunes();
            EXPECT_TRUE(kind.loadsSaved(place));
            const QStringList aside
                = QDir(folder.filePath(u"data"_s))
                      .entryList({u"*.corrupt-*"_s}, QDir::AllEntries | QDir::System);
            if (row.followed) {
                EXPECT_EQ(QFileInfo(place).symLinkTarget(), target) << "the link stays";
                EXPECT_NE(test::readFile(target), before) << "the write went to the file of ours";
                EXPECT_TRUE(aside.isEmpty()) << qPrintable(aside.join(u' '));
            } else {
                EXPECT_FALSE(QFileInfo(place).isSymLink());
                EXPECT_EQ(test::readFile(target), before) << "never written through";
                EXPECT_EQ(QFileInfo::exists(target) || QFileInfo(target).isSymLink(),
                          targetExisted);
                ASSERT_EQ(aside.size(), 1) << "the link is kept aside";
                EXPECT_EQ(QFileInfo(folder.filePath(u"data/"_s + aside.first())).symLinkTarget(),
                          target);
            }
        }
    }
}

// A load neither reads a foreign link's file as ours: the link goes aside and the defaults are
// used; through a link to a file of ours the file is read.
TEST(RecordLinks, ALoadReadsOnlyThroughALinkToAFileOfOurs)
{
    for (const bool ours : {true, false}) {
        SCOPED_TRACE(ours ? "ours" : "foreign");
        QTemporaryDir home;
        const QDir folder(home.path());
        const QString target = folder.filePath(u"elsewhere.json"_s);
        // Another program's settings that would otherwise read as a warning line of 5 GB.
        const QByteArray content
            = ours ? encodeSettings(savedSettings()) : R"({"thresholdGB":5,"token":"s3cret"})";
        ASSERT_TRUE(test::writeFile(target, content));
        const QString place = folder.filePath(u"settings.json"_s);
        ASSERT_TRUE(QFile::link(target, place));
        const Result<Settings> loaded = SettingsStore{place}.load(now, QTimeZone::utc());
        recordfile::waitForBackupPrunes();
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(*loaded, ours ? savedSettings() : defaultSettings());
        EXPECT_EQ(QFileInfo(place).isSymLink(), ours);
        EXPECT_EQ(test::readFile(target), content);
    }
}

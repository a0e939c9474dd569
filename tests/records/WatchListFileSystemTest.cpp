#include "records/WatchList.h"
#include "records/WatchListPrinting.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace qm;

namespace {

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

constexpr char unprivilegedScanHome[] = "QUILLMERE_WATCHLIST_SCAN_HOME";

// The paths that the unprivileged copy of this test program scans.
QStringList unprivilegedScanPaths()
{
    return {str("~/.config"), str("~/.local/share")};
}

// Started again as an unprivileged user by AFolderThatCannotBeListedGivesNoEntries, this program
// only prints the paths of the scan entries of the home folder it was given, and exits.
[[maybe_unused]] const bool unprivilegedScanDone = [] {
    const QByteArray home = qgetenv(unprivilegedScanHome);
    if (home.isEmpty())
        return false;
    const WatchEntries entries
        = scanEntries(unprivilegedScanPaths(), QFile::decodeName(home), linuxProfile());
    for (const WatchEntry &entry : entries)
        std::printf("%s\n", entry.path.toUtf8().constData());
    std::fflush(stdout);
    std::_Exit(0);
}();

// A temporary folder spelled without links, so that only the links a test makes count.
class TemporaryTree : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString base = QFileInfo(dir.path()).canonicalFilePath();

    QString at(const QString &relative) const { return base + QLatin1Char('/') + relative; }
    void makeFolder(const QString &relative) const { ASSERT_TRUE(QDir().mkpath(at(relative))); }
    void makeFile(const QString &relative) const
    {
        ASSERT_TRUE(test::writeFile(at(relative), QByteArrayLiteral("x")));
    }
    void makeLink(const QString &relative, const QString &targetRelative) const
    {
        ASSERT_TRUE(QFile::link(at(targetRelative), at(relative)));
    }
};

using WatchListScanEntries = TemporaryTree;

WatchEntry entry(const char *path, Deletable deletable, bool isExpandedChild)
{
    return {str(path), deletable, false, isExpandedChild};
}

} // namespace

TEST_F(WatchListScanEntries, ApplicationSupportIsMeasuredChildByChild)
{
    makeFolder(str("home/Library/Application Support/Code"));
    makeFolder(str("home/Library/Application Support/Claude"));
    makeFile(str("home/Library/Application Support/notes.txt"));
    makeFolder(str("home/Library/Caches"));
    makeFolder(str("home/Library/Keychains"));
    makeFolder(str("home/Projects"));

    const QStringList paths = {
        str("~/Projects"),
        str("~/Library/Application Support"),
        str("~/Library/Mail"),
        str("~/Library/Caches"),
        str("~/Library/Keychains"),
        at(str("missing")),
    };
    const WatchEntries expected = {
        entry("~/Projects", Deletable::ask, false),
        entry("~/Library/Application Support/Claude", Deletable::never, true),
        entry("~/Library/Application Support/Code", Deletable::cachesOnly, true),
        entry("~/Library/Caches", Deletable::cachesOnly, false),
        entry("~/Library/Keychains", Deletable::never, false),
    };
    EXPECT_EQ(scanEntries(paths, at(str("home")), macosProfile()), expected);
}

TEST_F(WatchListScanEntries, LinuxConfigAndSharedDataAreMeasuredChildByChild)
{
    makeFolder(str("home/.config/Code"));
    makeFolder(str("home/.config/Claude"));
    makeFolder(str("home/.config/.hidden"));
    makeFile(str("home/.config/settings.ini"));
    makeFolder(str("elsewhere/Big"));
    makeLink(str("home/.config/linked"), str("elsewhere/Big"));
    makeFolder(str("home/.local/share/Trash"));
    makeFolder(str("home/.local/share/applications"));
    makeFolder(str("home/.cache"));
    makeFolder(str("home/Pictures"));

    const QStringList paths = {
        str("~/.cache"),
        str("~/.local/share"),
        str("~/.config"),
        str("~/Videos"),
        str("~/Pictures"),
    };
    // The Trash has its own line in every record; it is no child entry.
    const WatchEntries expected = {
        entry("~/.cache", Deletable::cachesOnly, false),
        entry("~/.local/share/applications", Deletable::ask, true),
        entry("~/.config/.hidden", Deletable::ask, true),
        entry("~/.config/Claude", Deletable::never, true),
        entry("~/.config/Code", Deletable::cachesOnly, true),
        entry("~/Pictures", Deletable::ask, false),
    };
    EXPECT_EQ(scanEntries(paths, at(str("home")), linuxProfile()), expected);
}

TEST_F(WatchListScanEntries, AFolderIsMeasuredOnceAndAsListed)
{
    makeFolder(str("home/.config/Code"));
    makeFolder(str("home/.config/Slack"));
    makeFolder(str("home/.cache"));
    const QStringList paths = {
        str("~/.config"),
        str("~/.cache"),
        str("~/.config/Code"),
        str("~/.cache"),
    };
    const WatchEntries expected = {
        entry("~/.config/Slack", Deletable::ask, true),
        entry("~/.cache", Deletable::cachesOnly, false),
        // Listed on its own it is an ordinary folder; only as a child of ~/.config does the
        // child classification apply.
        entry("~/.config/Code", Deletable::ask, false),
    };
    EXPECT_EQ(scanEntries(paths, at(str("home")), linuxProfile()), expected);
}

TEST_F(WatchListScanEntries, AFolderThatCannotBeListedGivesNoEntries)
{
    makeFolder(str("home/.config/Code"));
    makeFolder(str("home/.local/share/applications"));
    // Everyone may look up the folders; only the owner may list .config.
    for (const char *folder : {"", "home", "home/.local", "home/.local/share"}) {
        ASSERT_TRUE(QFile::setPermissions(at(str(folder)),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                              | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                              | QFileDevice::ExeGroup));
    }
    ASSERT_TRUE(QFile::setPermissions(at(str("home/.config")),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner | QFileDevice::ExeOther
                                          | QFileDevice::ExeGroup));

    QStringList listed;
    if (geteuid() != 0) {
        for (const WatchEntry &e :
             scanEntries(unprivilegedScanPaths(), at(str("home")), linuxProfile()))
            listed.append(e.path);
    } else {
        // Root lists every folder, so the scan runs in a copy of this program as nobody.
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(unprivilegedScanHome), at(str("home")));
        process.setProcessEnvironment(environment);
        process.start(str("setpriv"),
                      {str("--reuid=nobody"),
                       str("--regid=nogroup"),
                       str("--clear-groups"),
                       QCoreApplication::applicationFilePath()});
        ASSERT_TRUE(
            test::waitUntil([&process] { return process.state() == QProcess::NotRunning; }, 30000));
        ASSERT_NE(process.error(), QProcess::FailedToStart);
        ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        listed = QString::fromUtf8(process.readAllStandardOutput())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    EXPECT_EQ(listed, QStringList{str("~/.local/share/applications")});
}

namespace {

struct CheckCase
{
    const char *name;
    QString chosen; // "@" stands for the temporary folder
    WatchSettings list;
    QString expected; // the stored path ("@" as in `chosen`)
    QString message;  // the rejection, when set
};

class WatchListCheckNewFolder : public TemporaryTree
{
protected:
    QString inTree(const QString &path) const
    {
        return path.startsWith(QLatin1Char('@')) ? at(path.mid(1)) : path;
    }

    void check(const QString &home, const QList<CheckCase> &cases) const
    {
        for (const CheckCase &c : cases) {
            SCOPED_TRACE(c.name);
            const Result<QString> result = checkNewWatchFolder(inTree(c.chosen), c.list, home);
            if (!c.message.isEmpty()) {
                ASSERT_FALSE(result.ok()) << result.value().toStdString();
                EXPECT_EQ(result.error().description, c.message);
                continue;
            }
            ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
            EXPECT_EQ(result.value(), inTree(c.expected));
        }
    }
};

const QString cannotWatch = QString::fromUtf8("This path can’t be watched");
const QString throughLink = QString::fromUtf8(
    "Can’t add a path that goes through a link. Choose the folder it points to.");
const QString alreadyWatching = QString::fromUtf8("Already watching this folder");
const QString overlaps
    = QString::fromUtf8("Can’t add this folder: its link target overlaps a watched folder");
const QString wholeDisk = QString::fromUtf8("Can’t watch the whole disk. Choose a folder on it.");
const QString wholeHome
    = QString::fromUtf8("Can’t watch the whole home folder. Choose a folder in it.");

WatchSettings watching(const char *path, bool enabled = true)
{
    return {WatchSetting{str(path), enabled}};
}

} // namespace

TEST_F(WatchListCheckNewFolder, StoresTheTildeFormOrRejects)
{
    makeFolder(str("home/Projects/App"));
    makeFolder(str("home/Proj"));
    makeFolder(str("home/Library/Caches"));
    makeFolder(str("outside/Work/Sub"));
    makeFolder(str("outside/WorkBench"));
    makeFolder(str("outside/Data/Deep"));
    makeLink(str("home/Work"), str("outside/Work"));
    makeLink(str("home/Shortcut"), str("outside/Data/Deep"));
    makeFolder(str("home/Bad\nName"));
    makeFolder(str("home/Bad\rName"));

    const auto none = QString();
    check(at(str("home")),
          {
              {"home itself", str("@home"), {}, none, wholeHome},
              {"home with a slash", str("@home/"), {}, none, wholeHome},
              {"home with dot segments", str("@home/Projects/.."), {}, none, wholeHome},
              {"the whole disk", str("/"), {}, none, wholeDisk},
              {"the whole disk by dot segments", str("/tmp/.."), {}, none, wholeDisk},
              {"the whole disk with slashes", str("//"), {}, none, wholeDisk},
              {"folder in home", str("@home/Projects"), {}, str("~/Projects"), none},
              {"folder in home with a slash", str("@home/Projects/"), {}, str("~/Projects"), none},
              {"dot segments", str("@home/./Projects/../Projects"), {}, str("~/Projects"), none},
              {"link in home", str("@home/Work"), {}, none, throughLink},
              {"folder below a link in home", str("@home/Work/Sub"), {}, none, throughLink},
              {"link target outside home", str("@outside/Work"), {}, str("@outside/Work"), none},
              {"already watched, disabled",
               str("@home/Library/Caches"),
               watching("~/Library/Caches", false),
               none,
               alreadyWatching},
              {"already watched, stored with a slash",
               str("@home/Projects"),
               watching("~/Projects/"),
               none,
               alreadyWatching},
              {"folder in a watched folder",
               str("@home/Projects/App"),
               watching("~/Projects"),
               str("~/Projects/App"),
               none},
              {"parent of a watched folder",
               str("@home/Projects"),
               watching("~/Projects/App"),
               str("~/Projects"),
               none},
              {"sibling sharing the prefix",
               str("@home/Projects"),
               watching("~/Proj"),
               str("~/Projects"),
               none},
              {"target of a watched link",
               str("@outside/Work"),
               watching("~/Work"),
               none,
               alreadyWatching},
              {"inside the target of a watched link",
               str("@outside/Work/Sub"),
               watching("~/Work"),
               none,
               overlaps},
              {"around the target of a watched link",
               str("@outside/Data"),
               watching("~/Shortcut"),
               none,
               overlaps},
              {"beside the target of a watched link",
               str("@outside/WorkBench"),
               watching("~/Work"),
               str("@outside/WorkBench"),
               none},
              {"missing folder", str("@home/Missing"), watching("~/Gone"), str("~/Missing"), none},
              {"line feed", str("@home/Bad\nName"), {}, none, cannotWatch},
              {"carriage return", str("@home/Bad\rName"), {}, none, cannotWatch},
              {"empty path", none, {}, none, cannotWatch},
              {"relative path", str("Projects"), {}, none, cannotWatch},
          });
    check(
        at(str("home/")),
        {
            {"home given with a slash", str("@home"), {}, none, wholeHome},
            {"folder, home given with a slash", str("@home/Projects"), {}, str("~/Projects"), none},
        });
}

TEST_F(WatchListCheckNewFolder, AHomeReachedThroughALinkIsStillHome)
{
    makeFolder(str("real/home/Projects/Sub"));
    makeLink(str("home"), str("real/home"));

    const auto none = QString();
    check(at(str("home")),
          {
              {"home by its link", str("@home"), {}, none, wholeHome},
              {"home by its target", str("@real/home"), {}, none, wholeHome},
              {"folder by the link", str("@home/Projects"), {}, str("~/Projects"), none},
              {"folder by the target", str("@real/home/Projects/"), {}, str("~/Projects"), none},
              {"watched folder by the target",
               str("@real/home/Projects"),
               watching("~/Projects"),
               none,
               alreadyWatching},
              {"nested folder by the target",
               str("@real/home/Projects/Sub"),
               watching("~/Projects"),
               str("~/Projects/Sub"),
               none},
          });
}

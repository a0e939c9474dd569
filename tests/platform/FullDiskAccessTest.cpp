#include "platform/FullDiskAccess.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace qm;
using FullDiskAccess::ProbeResult;
using FullDiskAccess::Status;

namespace {

constexpr QFileDevice::Permissions worldSearchable
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
      | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
      | QFileDevice::ExeOther;

} // namespace

TEST(FullDiskAccess, CombiningProbeResults)
{
    struct Row
    {
        const char *name;
        QList<ProbeResult> results;
        const char *expected;
    };
    const Row rows[] = {
        {"file readable, folders refused",
         {ProbeResult::readable, ProbeResult::permissionDenied, ProbeResult::permissionDenied},
         "granted"},
        {"only the last readable",
         {ProbeResult::missing, ProbeResult::permissionDenied, ProbeResult::readable},
         "granted"},
        {"all refused",
         {ProbeResult::permissionDenied,
          ProbeResult::permissionDenied,
          ProbeResult::permissionDenied},
         "denied"},
        {"one refusal, rest missing",
         {ProbeResult::permissionDenied, ProbeResult::missing, ProbeResult::missing},
         "denied"},
        {"all missing",
         {ProbeResult::missing, ProbeResult::missing, ProbeResult::missing},
         "undetermined"},
        {"nothing probed", {}, "undetermined"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FullDiskAccess::statusName(FullDiskAccess::combineProbeResults(row.results)),
                  QString::fromLatin1(row.expected));
    }
}

TEST(FullDiskAccess, ProbingLocations)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("Mail box ✉"));
    const QString file = dir.filePath(QStringLiteral("TCC.db"));
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(test::writeFile(file, "db"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    struct Row
    {
        const char *name;
        QString path;
        ProbeResult expected;
    };
    const Row rows[] = {
        {"folder", folder, ProbeResult::readable},
        {"file, after the folder attempt fails", file, ProbeResult::readable},
        {"fifo without a writer", fifo, ProbeResult::readable},
        {"missing", dir.filePath(QStringLiteral("Messages")), ProbeResult::missing},
        {"below a file", file + QStringLiteral("/inside"), ProbeResult::missing},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FullDiskAccess::probeLocation(row.path), row.expected);
    }
}

TEST(FullDiskAccess, StatusOverTheProfileLocations)
{
    struct Row
    {
        const char *name;
        QString file;   // created inside the home, relative path
        QString folder; // created inside the home, relative path
        const PlatformProfile &profile;
        Status expected;
    };
    const QString tcc = QStringLiteral("Library/Application Support/com.apple.TCC/TCC.db");
    const QString mail = QStringLiteral("Library/Mail");
    const Row rows[] = {
        {"macOS, readable TCC file", tcc, {}, macosProfile(), Status::granted},
        {"macOS, Mail folder only", {}, mail, macosProfile(), Status::granted},
        {"macOS, nothing there", {}, {}, macosProfile(), Status::undetermined},
        {"Linux probes nothing", tcc, mail, linuxProfile(), Status::undetermined},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        if (!row.file.isEmpty()) {
            ASSERT_TRUE(test::writeFile(home.filePath(row.file), "x"));
        }
        if (!row.folder.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(home.filePath(row.folder)));
        }
        EXPECT_EQ(FullDiskAccess::statusName(fullDiskAccessStatus(home.path(), row.profile)),
                  FullDiskAccess::statusName(row.expected));
    }
}

TEST(FullDiskAccess, RefusalSeenByAnUnprivilegedUser)
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty() || ::geteuid() != 0)
        GTEST_SKIP() << "needs root and setpriv to probe as another user";

    // A world-searchable folder holding a copy of the helper, an open folder, and a folder and
    // a file that only root may read.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), worldSearchable));
    const QString helper = dir.filePath(QStringLiteral("fda_probe"));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_fda_probe"), helper));
    ASSERT_TRUE(QFile::setPermissions(helper, worldSearchable));
    const QString open = dir.filePath(QStringLiteral("Open"));
    const QString locked = dir.filePath(QStringLiteral("Locked"));
    const QString secret = dir.filePath(QStringLiteral("TCC.db"));
    ASSERT_TRUE(QDir().mkpath(open));
    ASSERT_TRUE(QFile::setPermissions(open, worldSearchable));
    ASSERT_TRUE(QDir().mkpath(locked));
    ASSERT_TRUE(QFile::setPermissions(
        locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    ASSERT_TRUE(test::writeFile(secret, "db"));
    ASSERT_TRUE(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    struct Row
    {
        const char *name;
        QString path;
        const char *expected;
    };
    const Row rows[] = {
        {"open folder", open, "readable"},
        {"root-only folder", locked, "permissionDenied"},
        {"inside a root-only folder", locked + QStringLiteral("/Mail"), "permissionDenied"},
        {"root-only file", secret, "permissionDenied"},
        {"missing", dir.filePath(QStringLiteral("Messages")), "missing"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QProcess probe;
        probe.start(setpriv,
                    {QStringLiteral("--reuid=nobody"),
                     QStringLiteral("--regid=nogroup"),
                     QStringLiteral("--clear-groups"),
                     helper,
                     row.path});
        ASSERT_TRUE(probe.waitForFinished(10000)) << probe.errorString().toStdString();
        ASSERT_EQ(probe.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
                  QString::fromLatin1(row.expected));
    }
}

TEST(FullDiskAccess, GuideTextQuotesTheButtonItNames)
{
    const QString text = FullDiskAccess::guideInformativeText();
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5) << text.toStdString();
    const QString quotedButton
        = QChar(0x201C) + FullDiskAccess::guideOpenSystemSettingsButtonTitle() + QChar(0x201D);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1. Click ") + quotedButton))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QChar(0x2192))) << lines[1].toStdString();
    EXPECT_TRUE(lines[4].contains(QChar(0x201C) + QStringLiteral("Full Disk Access not granted")
                                  + QChar(0x201D)))
        << lines[4].toStdString();
}

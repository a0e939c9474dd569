#include "storage/FreedesktopTrash.h"
#include "platform/ProcessRunner.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qm;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString trashHelper = QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_storage_trash");
const QString unreachable = u"The Trash can’t be reached"_s;
const QByteArray uid = QByteArray::number(::geteuid());

// The content of a file named by bytes (Qt's file classes would decode the name).
QByteArray readAll(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<unreadable>";
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return "<unreadable>";
    return file.readAll();
}

// Every entry below `root`, one line each: its path (percent-encoded bytes), its type, and for a
// file a hash of its content, for a link its target. Links are not followed.
void listTree(const QByteArray &root, const QByteArray &relative, QSet<QByteArray> &lines)
{
    DIR *folder = ::opendir((root + relative).constData());
    if (!folder)
        return;
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = relative + '/' + name;
        struct stat info = {};
        if (::lstat((root + path).constData(), &info) != 0)
            continue;
        QByteArray line = path.toPercentEncoding("/") + ' ';
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink((root + path).constData(), target, sizeof target);
            line += "link " + QByteArray(target, n > 0 ? n : 0);
        } else if (S_ISDIR(info.st_mode)) {
            line += "folder";
            listTree(root, path, lines);
        } else {
            line += "file "
                    + QCryptographicHash::hash(readAll(root + path), QCryptographicHash::Sha1)
                          .toHex();
        }
        lines.insert(line);
    }
    ::closedir(folder);
}

QSet<QByteArray> tree(const QByteArray &root)
{
    QSet<QByteArray> lines;
    listTree(root, {}, lines);
    return lines;
}

// The names of the information files of a Trash folder.
QSet<QByteArray> infoNames(const QByteArray &trash)
{
    QSet<QByteArray> names;
    if (DIR *folder = ::opendir((trash + "/info").constData())) {
        while (const dirent *entry = ::readdir(folder)) {
            if (QByteArray(entry->d_name).endsWith(".trashinfo"))
                names.insert(QByteArray(entry->d_name));
        }
        ::closedir(folder);
    }
    return names;
}

// The names of the entries of a folder.
QSet<QByteArray> entries(const QByteArray &folder)
{
    QSet<QByteArray> names;
    if (DIR *listing = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.insert(name);
        }
        ::closedir(listing);
    }
    return names;
}

// A private root with a home folder in it; file systems mounted inside it are unmounted again.
class World
{
public:
    World()
    {
        ::chmod(m_dir.path().toLocal8Bit().constData(), 0755);
        folder("home/.local/share");
    }
    ~World()
    {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            ::umount2(it->constData(), MNT_DETACH);
        // By bytes: QTemporaryDir can't remove names that are not UTF-8.
        std::error_code ignored;
        std::filesystem::remove_all(root().constData(), ignored);
    }
    // Where it really is (the Trash records real paths).
    QByteArray root() const
    {
        return QFile::encodeName(QFileInfo(m_dir.path()).canonicalFilePath());
    }
    QByteArray at(const QByteArray &relative) const { return root() + '/' + relative; }

    bool folder(const QByteArray &relative, mode_t mode = 0755)
    {
        QByteArray reached = root();
        for (const QByteArray &part : relative.split('/')) {
            reached += '/' + part;
            if (::mkdir(reached.constData(), mode) != 0 && errno != EEXIST)
                return false;
        }
        return ::chmod(reached.constData(), mode) == 0;
    }
    bool file(const QByteArray &relative, const QByteArray &bytes = "data")
    {
        const qsizetype slash = relative.lastIndexOf('/');
        if (slash > 0 && !folder(relative.left(slash)))
            return false;
        const int fd = ::open(at(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        QFile out;
        return out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)
               && out.write(bytes) == bytes.size();
    }
    bool link(const QByteArray &relative, const QByteArray &target)
    {
        return ::symlink(target.constData(), at(relative).constData()) == 0;
    }
    bool owner(const QByteArray &relative, uid_t user, gid_t group)
    {
        return ::lchown(at(relative).constData(), user, group) == 0;
    }
    // A small file system at `relative` (made first): by default a ramfs, which the desktop
    // treats as a disk with a Trash of its own; a tmpfs is one it never shows a Trash on. False
    // when this process may not mount.
    bool
    mount(const QByteArray &relative, const char *type = "ramfs", const QByteArray &size = "1m")
    {
        if (!folder(relative))
            return false;
        const bool tmpfs = std::strcmp(type, "tmpfs") == 0;
        const QByteArray options = tmpfs ? "size=" + size + ",mode=0755" : "mode=0755";
        const char *source = tmpfs ? "tmpfs" : "quillmere-test-disk";
        if (::mount(source, at(relative).constData(), type, 0, options.constData()) != 0)
            return false;
        m_mounts.push_back(at(relative));
        return true;
    }
    // Fills the file system of `relative` (a folder) until a write fails for want of space.
    bool fill(const QByteArray &relative)
    {
        const int fd = ::open(at(relative + "/filler").constData(), O_WRONLY | O_CREAT, 0644);
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QTemporaryDir m_dir;
    std::vector<QByteArray> m_mounts;
};

struct Case
{
    const char *name;
    std::function<bool(World &)> build;
    // The folder holding the item, relative to the root, and the item's name.
    QByteArray folder;
    QByteArray item;
    // The failure line; empty when the item moves.
    QString error;
    // Where it lands (relative to the root), and the folder its recorded path is relative to
    // (empty for an absolute path).
    QByteArray trash = "home/.local/share/Trash";
    QByteArray topdir;
    bool emptying = false;
    bool asNobody = false;
};

// A case whose item moves into `trash`.
Case moves(const char *name,
           std::function<bool(World &)> build,
           const QByteArray &folder,
           const QByteArray &item,
           const QByteArray &trash = "home/.local/share/Trash",
           const QByteArray &topdir = {})
{
    return Case{name, std::move(build), folder, item, {}, trash, topdir, false, false};
}

// A case whose item stays, with `error` as the failure line.
Case stays(const char *name,
           std::function<bool(World &)> build,
           const QByteArray &folder,
           const QByteArray &item,
           const QString &error,
           bool emptying = false,
           bool asNobody = false)
{
    return Case{name, std::move(build), folder, item, error, {}, {}, emptying, asNobody};
}

// Runs the move in the helper program, within a time limit, and checks everything the move may
// and may not have done. A moved item is then put back the way a file manager restores it (the
// entry of "files" renamed to the place its information file names), after which the tree must
// be as it was, apart from the Trash folders the move made.
void check(const Case &c, World &world)
{
    SCOPED_TRACE(c.name);
    const QSet<QByteArray> before = tree(world.root());
    const QByteArray original = world.at(c.folder) + '/' + c.item;

    const QByteArray trash = world.at(c.trash);
    const QSet<QByteArray> infosBefore = infoNames(trash);

    // Process arguments are text: the helper gets the bytes percent-encoded.
    const QStringList arguments{QString::fromLatin1(world.at(c.folder).toPercentEncoding("/")),
                                QString::fromLatin1(c.item.toPercentEncoding()),
                                c.emptying ? u"emptying"_s : u"moving"_s};
    ProcessRequest request;
    if (c.asNobody) {
        request.program = u"setpriv"_s;
        request.arguments = QStringList{u"--reuid=nobody"_s,
                                        u"--regid=nogroup"_s,
                                        u"--clear-groups"_s,
                                        trashHelper}
                            + arguments;
    } else {
        request.program = trashHelper;
        request.arguments = arguments;
    }
    request.environment = {{u"HOME"_s, QFile::decodeName(world.at("home"))},
                           {u"XDG_DATA_HOME"_s, QFile::decodeName(world.at("home/.local/share"))}};
    request.timeLimit = 20s;
    const ProcessResult run = QCoro::waitFor(runProcess(request));
    // It ended, by itself, in time.
    ASSERT_TRUE(run.succeeded()) << run.errorString.toStdString() << ' '
                                 << run.firstErrorLine().toStdString();
    const QJsonObject outcome = QJsonDocument::fromJson(run.standardOutput).object();
    EXPECT_EQ(outcome.value(u"error"_s).toString(), c.error);

    if (!c.error.isEmpty()) {
        // Wholly in place, and nothing made or left anywhere.
        EXPECT_EQ(tree(world.root()), before);
        return;
    }
    EXPECT_FALSE(outcome.value(u"path"_s).toString().isEmpty());
    struct stat info = {};
    EXPECT_NE(::lstat(original.constData(), &info), 0);

    // One new information file, naming the item's real place.
    const QList<QByteArray> infos = (infoNames(trash) - infosBefore).values();
    ASSERT_EQ(infos.size(), 1);
    const QList<QByteArray> lines = readAll(trash + "/info/" + infos.first()).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(0), "[Trash Info]");
    ASSERT_TRUE(lines.at(1).startsWith("Path="));
    EXPECT_TRUE(lines.at(2).startsWith("DeletionDate="));
    const QByteArray recorded = QByteArray::fromPercentEncoding(lines.at(1).mid(5));
    const QByteArray restoreTo
        = c.topdir.isEmpty() ? recorded : world.at(c.topdir) + '/' + recorded;
    EXPECT_EQ(restoreTo, original);

    // Put back as a file manager does.
    const QByteArray inFiles = trash + "/files/" + infos.first().chopped(10);
    ASSERT_EQ(::rename(inFiles.constData(), restoreTo.constData()), 0) << std::strerror(errno);
    ASSERT_EQ(::unlink((trash + "/info/" + infos.first()).constData()), 0);
    QSet<QByteArray> made = tree(world.root()) - before;
    QSet<QByteArray> trashFolders;
    for (QByteArray folder = c.trash; folder.size() > c.topdir.size() && folder.contains('/');
         folder = folder.left(folder.lastIndexOf('/')))
        trashFolders << '/' + folder.toPercentEncoding("/") + " folder";
    trashFolders << '/' + c.trash.toPercentEncoding("/") + "/files folder"
                 << '/' + c.trash.toPercentEncoding("/") + "/info folder";
    made -= trashFolders;
    EXPECT_EQ(made, QSet<QByteArray>());
    EXPECT_EQ(before - tree(world.root()), QSet<QByteArray>());
}

} // namespace

TEST(FreedesktopTrashTest, MovesWhollyOrNotAtAllOnOneFileSystem)
{
    const passwd *nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    // 250 bytes of two-byte characters and one more byte: the information file's name would be
    // too long, and a cut must not split a character.
    const QByteArray longName = QString(125, u'é').toUtf8() + 'x';
    const Case cases[] = {
        moves(
            "a file",
            [](World &w) { return w.file("home/.cache/a file", "bytes"); },
            "home/.cache",
            "a file"),
        moves(
            "a folder with its contents",
            [](World &w) {
                return w.file("home/.cache/pip/wheels/w.whl", "wheel")
                       && w.file("home/.cache/pip/x");
            },
            "home/.cache",
            "pip"),
        moves(
            "a name beginning with a colon",
            [](World &w) { return w.file("home/.cache/:x"); },
            "home/.cache",
            ":x"),
        moves(
            "a name with a line break and a percent sign",
            [](World &w) { return w.file("home/.cache/100%25\ndone"); },
            "home/.cache",
            "100%25\ndone"),
        moves(
            "a name that is not UTF-8",
            [](World &w) { return w.file("home/.cache/bad\xff\xfe"); },
            "home/.cache",
            "bad\xff\xfe"),
        moves(
            "a name too long for the Trash",
            [&](World &w) { return w.file("home/.cache/" + longName); },
            "home/.cache",
            longName),
        moves(
            "a name taken in the Trash gets another",
            [](World &w) {
                return w.file("home/.cache/x", "new")
                       && w.file("home/.local/share/Trash/files/x", "old")
                       && w.file("home/.local/share/Trash/info/x.trashinfo", "[Trash Info]\n");
            },
            "home/.cache",
            "x"),
        stays(
            "the Trash is a file",
            [](World &w) { return w.file("home/.cache/x") && w.file("home/.local/share/Trash"); },
            "home/.cache",
            "x",
            unreachable),
        stays(
            "the Trash is a link to a disk that is not there",
            [](World &w) {
                return w.file("home/.cache/x")
                       && w.link("home/.local/share/Trash", "/media/gone/Trash");
            },
            "home/.cache",
            "x",
            unreachable),
        stays(
            "the Trash is a link to a real folder",
            [](World &w) {
                return w.file("home/.cache/x") && w.folder("elsewhere/files")
                       && w.folder("elsewhere/info")
                       && w.link("home/.local/share/Trash", w.at("elsewhere"));
            },
            "home/.cache",
            "x",
            unreachable),
        stays(
            "an info folder the user can't write",
            [&](World &w) {
                if (!w.file("home/.cache/x") || !w.folder("home/.local/share/Trash/files")
                    || !w.folder("home/.local/share/Trash/info"))
                    return false;
                // info/ stays root's, as after a program was run with sudo.
                for (const char *p : {"home",
                                      "home/.cache",
                                      "home/.cache/x",
                                      "home/.local",
                                      "home/.local/share",
                                      "home/.local/share/Trash",
                                      "home/.local/share/Trash/files"}) {
                    if (!w.owner(p, nobody->pw_uid, nobody->pw_gid))
                        return false;
                }
                return true;
            },
            "home/.cache",
            "x",
            u"Permission denied"_s,
            false,
            true),
    };
    for (const Case &c : cases) {
        World world;
        ASSERT_TRUE(c.build(world)) << c.name;
        check(c, world);
    }
}

TEST(FreedesktopTrashTest, OtherFileSystemsUseTheirOwnTrashOrNone)
{
    {
        World probe;
        if (!probe.mount("probe"))
            GTEST_SKIP()
                << "this test mounts small ramfs and tmpfs file systems and needs to run as root "
                   "with the right to mount (CAP_SYS_ADMIN); it could not mount one";
    }
    const QByteArray own = ".Trash-" + uid;
    const Case cases[] = {
        moves(
            "an item on another disk goes to that disk's own Trash",
            [](World &w) { return w.mount("disk") && w.file("disk/dir/file", "bytes"); },
            "disk/dir",
            "file",
            "disk/" + own,
            "disk"),
        moves(
            "a shared Trash with the sticky bit is used",
            [](World &w) {
                return w.mount("disk") && w.file("disk/file", "bytes")
                       && w.folder("disk/.Trash", 01777);
            },
            "disk",
            "file",
            "disk/.Trash/" + uid,
            "disk"),
        moves(
            "a shared Trash without the sticky bit is not",
            [](World &w) {
                return w.mount("disk") && w.file("disk/file", "bytes")
                       && w.folder("disk/.Trash", 0777);
            },
            "disk",
            "file",
            "disk/" + own,
            "disk"),
        stays(
            "the disk's Trash is a link",
            [&](World &w) {
                return w.mount("disk") && w.file("disk/file") && w.folder("disk/elsewhere")
                       && w.link("disk/" + own, w.at("disk/elsewhere"));
            },
            "disk",
            "file",
            unreachable),
        stays(
            "the contents of a folder that is a disk of its own",
            [](World &w) { return w.mount("home/.cache") && w.file("home/.cache/pip/x"); },
            "home/.cache",
            "pip",
            u"Its disk’s Trash would be inside the folder being emptied"_s,
            true),
        stays(
            "the disk's own Trash among the contents of its top folder",
            [&](World &w) { return w.mount("disk") && w.file("disk/" + own + "/files/old"); },
            "disk",
            own,
            u"This is the Trash of its disk"_s,
            true),
        stays(
            "a folder that is a disk of its own",
            [](World &w) { return w.mount("home/.cache") && w.file("home/.cache/pip/x"); },
            "home",
            ".cache",
            u"Device or resource busy"_s),
        stays(
            "a full disk",
            [](World &w) {
                return w.mount("home", "tmpfs", "256k") && w.folder("home/.local/share/Trash/files")
                       && w.folder("home/.local/share/Trash/info") && w.file("home/.cache/x")
                       && w.fill("home");
            },
            "home/.cache",
            "x",
            u"No space left on device"_s),
    };
    for (const Case &c : cases) {
        World world;
        ASSERT_TRUE(c.build(world)) << c.name;
        check(c, world);
    }
}

// Where the desktop keeps no Trash (`gio trash` refuses: "Trashing on system internal mounts is
// not supported"), nothing is moved; where it does, the item goes where `gio trash` puts it.
TEST(FreedesktopTrashTest, SystemMountsAreRefusedWhereTheDesktopRefusesThem)
{
    {
        World probe;
        if (!probe.mount("probe", "tmpfs"))
            GTEST_SKIP() << "this test mounts a tmpfs and needs to run as root with the right to "
                            "mount (CAP_SYS_ADMIN); it could not mount one";
    }
    const QString gio = QStandardPaths::findExecutable(u"gio"_s);
    ASSERT_FALSE(gio.isEmpty()) << "gio (Debian package libglib2.0-bin) is needed";
    struct Row
    {
        const char *name;
        std::function<bool(World &)> build;
        QByteArray folder;
        QByteArray item;
        // The mount point of a refused item's system mount; empty when the item moves, into
        // `trash` (its path recorded relative to `topdir`, when set).
        QByteArray systemMount;
        QByteArray trash = "home/.local/share/Trash";
        QByteArray topdir = {};
    };
    const QByteArray own = "disk/.Trash-" + uid;
    const Row rows[] = {
        {"a tmpfs inside the home folder",
         [](World &w) {
             return w.mount("home/.gradle", "tmpfs") && w.file("home/.gradle/caches/x");
         },
         "home/.gradle",
         "caches",
         "home/.gradle"},
        {"a file on a tmpfs of its own",
         [](World &w) { return w.mount("scratch", "tmpfs") && w.file("scratch/notes.txt"); },
         "scratch",
         "notes.txt",
         "scratch"},
        {"a disk of a kind the desktop shows",
         [](World &w) { return w.mount("disk") && w.file("disk/dir/file"); },
         "disk/dir",
         "file",
         {},
         own,
         "disk"},
        {"a home folder on a tmpfs keeps its own Trash",
         [](World &w) {
             return w.mount("home", "tmpfs") && w.folder("home/.local/share")
                    && w.file("home/.cache/x");
         },
         "home/.cache",
         "x",
         {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        // The program's writer.
        {
            World world;
            ASSERT_TRUE(row.build(world));
            const Case c
                = row.systemMount.isEmpty()
                      ? moves(row.name, row.build, row.folder, row.item, row.trash, row.topdir)
                      : stays(row.name,
                              row.build,
                              row.folder,
                              row.item,
                              trash::systemMountText(u"tmpfs"_s,
                                                     QFile::decodeName(world.at(row.systemMount))));
            check(c, world);
        }
        // The desktop's, on the same layout.
        World world;
        ASSERT_TRUE(row.build(world));
        const QByteArray original = world.at(row.folder) + '/' + row.item;
        ProcessRequest request;
        request.program = gio;
        request.arguments = {u"trash"_s, QFile::decodeName(original)};
        request.environment
            = {{u"HOME"_s, QFile::decodeName(world.at("home"))},
               {u"XDG_DATA_HOME"_s, QFile::decodeName(world.at("home/.local/share"))},
               {u"GIO_USE_VFS"_s, u"local"_s}};
        request.timeLimit = 20s;
        const ProcessResult run = QCoro::waitFor(runProcess(request));
        ASSERT_TRUE(run.exitedNormally()) << run.errorString.toStdString();
        struct stat info = {};
        const bool gioMoved = ::lstat(original.constData(), &info) != 0;
        EXPECT_EQ(gioMoved, row.systemMount.isEmpty()) << run.firstErrorLine().toStdString();
        if (gioMoved) {
            EXPECT_EQ(infoNames(world.at(row.trash)), QSet<QByteArray>{row.item + ".trashinfo"});
        }
    }
}

// A contents move killed (SIGKILL) at a random moment, round after round, as when the session
// ends mid-move. No item is ever in "files" without its information file; once the unfinished
// moves are swept (at the next start, or by the next move) no information file is left without
// its item, nothing of the writer's own is left, and every item is either in its place or in the
// Trash with its information file.
TEST(FreedesktopTrashTest, MovesKilledHalfWayLeaveNoOrphanOnceSwept)
{
    constexpr int itemCount = 400;
    constexpr int rounds = 12;
    World world;
    for (int i = 0; i < itemCount; ++i)
        ASSERT_TRUE(world.file("home/.cache/item " + QByteArray::number(i)));
    const QByteArray trash = world.at("home/.local/share/Trash");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, QFile::decodeName(world.at("home")));
    environment.insert(u"XDG_DATA_HOME"_s, QFile::decodeName(world.at("home/.local/share")));
    const auto moveEverything = [&](QProcess &helper) {
        helper.setProcessEnvironment(environment);
        helper.start(trashHelper,
                     {QString::fromLatin1(world.at("home/.cache").toPercentEncoding("/")),
                      u"--every-entry"_s});
    };
    const auto expectNoOrphan = [&](const char *when) {
        SCOPED_TRACE(when);
        const QSet<QByteArray> inFiles = entries(trash + "/files");
        QSet<QByteArray> expectedInfos;
        for (const QByteArray &name : inFiles)
            expectedInfos.insert(name + ".trashinfo");
        EXPECT_EQ(infoNames(trash), expectedInfos);
        EXPECT_EQ(entries(trash + "/info"), expectedInfos);
        EXPECT_EQ(entries(world.at("home/.cache")).size() + inFiles.size(), itemCount);
    };

    int caughtHalfWay = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        QProcess helper;
        moveEverything(helper);
        ASSERT_TRUE(helper.waitForReadyRead(20000)) << "the helper moved nothing";
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        ::kill(pid_t(helper.processId()), SIGKILL);
        ASSERT_TRUE(helper.waitForFinished(20000));

        // Information first: whatever reached "files" is restorable.
        const QSet<QByteArray> inFiles = entries(trash + "/files");
        const QSet<QByteArray> infos = infoNames(trash);
        for (const QByteArray &name : inFiles)
            EXPECT_TRUE(infos.contains(name + ".trashinfo")) << name.constData();
        if (infos.size() > inFiles.size() || entries(trash + "/info").size() > infos.size())
            ++caughtHalfWay;
        // Every other round the next start sweeps; the others leave it to the next move.
        if (round % 2 == 0) {
            trash::sweepUnfinishedMoves(QFile::decodeName(trash));
            expectNoOrphan("swept at start");
        }
    }
    // The kills did land half-way through moves; otherwise nothing was tried here.
    EXPECT_GT(caughtHalfWay, 0);

    // The next move, left to finish, sweeps first.
    QProcess helper;
    moveEverything(helper);
    ASSERT_TRUE(helper.waitForFinished(120000));
    expectNoOrphan("swept by the next move");
    EXPECT_TRUE(entries(world.at("home/.cache")).isEmpty());
}

TEST(FreedesktopTrashTest, TheHomeTrashFollowsAnAbsoluteDataHomeOnly)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    struct Row
    {
        const char *value;
        QString expected;
    };
    const Row rows[] = {
        {"/data/share", u"/data/share/Trash"_s},
        {"/data/share/", u"/data/share/Trash"_s},
        {"relative/share", u"/home/u/.local/share/Trash"_s},
        {"", u"/home/u/.local/share/Trash"_s},
    };
    for (const Row &row : rows) {
        qputenv("XDG_DATA_HOME", row.value);
        EXPECT_EQ(trash::homeTrashFolder(u"/home/u"_s), row.expected) << row.value;
        EXPECT_EQ(trash::expandedDataPath(u"~/.local/share/Trash/files"_s, u"/home/u"_s),
                  row.expected + u"/files"_s)
            << row.value;
    }
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_EQ(trash::expandedDataPath(u"~/.Trash"_s, u"/home/u"_s), u"/home/u/.Trash"_s);
}

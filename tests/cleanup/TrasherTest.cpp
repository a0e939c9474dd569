#include "cleanup/Trasher.h"
#include "platform/ProcessRunner.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <unistd.h>

[[maybe_unused]] static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace qm {
[[maybe_unused]] static void PrintTo(const TrashResult &result, std::ostream *os)
{
    *os << "{" << result.itemPath.toStdString() << ": moved " << result.moved << ", failed "
        << result.failed << " [" << result.failures.join(u" | ").toStdString() << "]}";
}
} // namespace qm

using namespace qm;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString trashHelper = QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_cleanup_trash");
const QString linkRefusal = u"Not deleted: the path contains a symbolic link"_s;

// The Trash of the test process.
QString trashFolder(const QString &dataHome = qEnvironmentVariable("XDG_DATA_HOME"))
{
    return dataHome + u"/Trash"_s;
}

int trashedCount(const QString &dataHome = qEnvironmentVariable("XDG_DATA_HOME"))
{
    return int(QDir(trashFolder(dataHome) + u"/files"_s)
                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

// Where an item that was at `original` is in the Trash: the entry of "files" whose information
// file in "info" names `original` as the place to restore it to. Empty when there is none.
QString inTrash(const QString &original,
                const QString &dataHome = qEnvironmentVariable("XDG_DATA_HOME"))
{
    const QString trash = trashFolder(dataHome);
    QDirIterator infos(trash + u"/info"_s, {u"*.trashinfo"_s}, QDir::Files | QDir::Hidden);
    while (infos.hasNext()) {
        const QString info = infos.next();
        const QStringList lines = QString::fromUtf8(test::readFile(info)).split(u'\n');
        if (lines.value(0) != u"[Trash Info]"_s)
            continue;
        for (const QString &line : lines) {
            if (line.startsWith(u"Path="_s)
                && QUrl::fromPercentEncoding(line.mid(5).toUtf8()) == original) {
                const QString name = QFileInfo(info).fileName().chopped(10); // ".trashinfo"
                const QString item = trash + u"/files/"_s + name;
                return QFileInfo(item).exists() || QFileInfo(item).isSymLink() ? item : QString();
            }
        }
    }
    return {};
}

// A home folder of its own inside the private test home (so on the Trash's file system).
class Home
{
public:
    Home()
        : m_dir(test::privateHome() + u"/home-XXXXXX"_s)
    {}
    QString home() const { return m_dir.path(); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    bool file(const QString &relative, const QByteArray &bytes = "data")
    {
        return test::writeFile(path(relative), bytes);
    }
    bool folder(const QString &relative) { return QDir().mkpath(path(relative)); }
    bool link(const QString &relative, const QString &target)
    {
        return QFile::link(target, path(relative));
    }

private:
    QTemporaryDir m_dir;
};

std::optional<RowTrashOutcome>
trashRow(const QString &path, const CleanupTarget::Kind &kind, const QString &home)
{
    return QCoro::waitFor(
        trashCleanupRow(path, kind, home, std::make_shared<const FileManagerTrasher>(home)));
}

TrashResult result(const QString &path, int moved, const QStringList &failures)
{
    return TrashResult{path, moved, int(failures.size()), failures};
}

} // namespace

TEST(TrasherTest, FindsTheFirstSymbolicLinkOnThePath)
{
    Home home;
    ASSERT_TRUE(home.folder(u"real/a/b"_s));
    ASSERT_TRUE(home.folder(u"outside/x"_s));
    ASSERT_TRUE(home.link(u"real/linked"_s, home.path(u"outside"_s)));
    ASSERT_TRUE(home.link(u"real/a/b/item"_s, home.path(u"outside/x"_s)));
    ASSERT_TRUE(home.link(u"home-link"_s, home.path(u"real"_s)));
    const QString real = home.path(u"real"_s);

    struct Case
    {
        const char *name;
        QString path;
        QString home;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"no link", real + u"/a/b"_s, real, std::nullopt},
        {"a folder on the way", real + u"/linked/x"_s, real, real + u"/linked"_s},
        {"the item itself", real + u"/a/b/item"_s, real, real + u"/a/b/item"_s},
        {"the home folder itself",
         real + u"/a"_s,
         home.path(u"home-link"_s),
         home.path(u"home-link"_s)},
        {"a home folder with a trailing slash",
         real + u"/linked/x"_s,
         real + u"/"_s,
         real + u"/linked"_s},
        {"dot-dot resolved as text first", real + u"/linked/../a/b"_s, real, std::nullopt},
        {"dot resolved as text first", real + u"/./linked/./x"_s, real, real + u"/linked"_s},
        // Outside the home folder only the item itself counts.
        {"outside the home folder, inside a link",
         real + u"/linked/x"_s,
         home.path(u"other"_s),
         std::nullopt},
        {"outside the home folder, a link",
         real + u"/linked"_s,
         home.path(u"other"_s),
         real + u"/linked"_s},
        {"a missing item", real + u"/a/missing"_s, real, std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(symbolicLinkOnPath(c.path, c.home), c.expected) << c.name;
    EXPECT_TRUE(isSymbolicLink(home.path(u"home-link"_s)));
    EXPECT_FALSE(isSymbolicLink(real));
    EXPECT_FALSE(isSymbolicLink(home.path(u"missing"_s)));
}

TEST(TrasherTest, MovesAFolderRowToTheTrashWhereItCanBeRestored)
{
    Home home;
    ASSERT_TRUE(home.file(u".config/Code/Cache/data_1"_s, "cached bytes"));
    const QString folder = home.path(u".config/Code/Cache"_s);
    test::LogCapture log;

    const std::optional<RowTrashOutcome> outcome
        = trashRow(u"~/.config/Code/Cache"_s, CleanupTarget::Kind::folder(), home.home());

    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, result(u"~/.config/Code/Cache"_s, 1, {}));
    EXPECT_FALSE(outcome->refusedByLink);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(QFileInfo::exists(home.path(u".config/Code"_s)));
    const QString trashed = inTrash(folder);
    ASSERT_FALSE(trashed.isEmpty());
    EXPECT_EQ(test::readFile(trashed + u"/data_1"_s), "cached bytes");
    EXPECT_TRUE(log.contains(u"Cleanup"_s, u"info"_s, u"ゴミ箱へ(フォルダ) 移動 1 失敗 0"_s))
        << log.dump().toStdString();

    // Put back by the Trash's own record, the folder is whole again.
    ASSERT_TRUE(QDir().rename(trashed, folder));
    EXPECT_EQ(test::readFile(folder + u"/data_1"_s), "cached bytes");
}

TEST(TrasherTest, MovesEveryEntryOfAContentsRowAndKeepsTheFolder)
{
    Home home;
    // Awkward names too: the Trash must record each one so that it can be put back.
    const QStringList names{
        u".hidden"_s, u"100%25 done"_s, u":x"_s, u"a file"_s, u"line\nbreak"_s, u"sub"_s, u"ü"_s};
    for (const QString &name : names)
        ASSERT_TRUE(home.file(u".cache/"_s + name + (name == u"sub"_s ? u"/deep/x"_s : u""_s)));
    // A name that is not UTF-8 (no text can hold it) moves too.
    const QByteArray notText = QFile::encodeName(home.path(u".cache/"_s)) + "bad\xff\xfe";
    const int fd = ::open(notText.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_TRUE(home.folder(u".cache-empty"_s));
    test::LogCapture log;

    const std::optional<RowTrashOutcome> outcome
        = trashRow(u"~/.cache"_s, CleanupTarget::Kind::folderContents(), home.home());

    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, result(u"~/.cache"_s, 8, {}));
    EXPECT_TRUE(
        QDir(home.path(u".cache"_s))
            .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    for (const QString &name : names)
        EXPECT_FALSE(inTrash(home.path(u".cache/"_s + name)).isEmpty()) << name.toStdString();
    EXPECT_TRUE(log.contains(u"Cleanup"_s, u"info"_s, u"ゴミ箱へ(中身) 移動 8 失敗 0"_s))
        << log.dump().toStdString();

    // An empty folder and a folder that cannot be listed have nothing to move.
    for (const QString &row : {u"~/.cache-empty"_s, u"~/.missing"_s}) {
        const std::optional<RowTrashOutcome> nothing
            = trashRow(row, CleanupTarget::Kind::folderContents(), home.home());
        ASSERT_TRUE(nothing.has_value());
        EXPECT_EQ(nothing->result, result(row, 0, {}));
    }
    // A command row is never moved.
    EXPECT_FALSE(trashRow(u"Unused Docker images"_s,
                          CleanupTarget::Kind::command(u"docker system prune -a"_s),
                          home.home())
                     .has_value());
}

TEST(TrasherTest, NothingIsMovedThroughASymbolicLink)
{
    struct Case
    {
        const char *name;
        QString row;
        CleanupTarget::Kind kind;
        // Builds the tree in the home folder; the precious file lies outside it.
        std::function<bool(Home &, const QString &outside)> build;
        // The home folder given to the move, relative to the test's folder.
        QString home;
        QString linkName;
    };
    const auto contents = CleanupTarget::Kind::folderContents();
    const auto folder = CleanupTarget::Kind::folder();
    const Case cases[] = {
        {"the home folder is a link",
         u"~/.cache/thumbnails"_s,
         folder,
         [](Home &h, const QString &) {
             return h.file(u"real/.cache/thumbnails/t.png"_s)
                    && h.link(u"home"_s, h.path(u"real"_s));
         },
         u"home"_s,
         u"home"_s},
        {"a folder between the home folder and the row",
         u"~/.config/Code/Cache"_s,
         folder,
         [](Home &h, const QString &outside) {
             return h.folder(u"home"_s) && h.link(u"home/.config"_s, outside);
         },
         u"home"_s,
         u".config"_s},
        {"the row's folder itself",
         u"~/.cache/thumbnails"_s,
         folder,
         [](Home &h, const QString &outside) {
             return h.folder(u"home/.cache"_s)
                    && h.link(u"home/.cache/thumbnails"_s, outside + u"/Code/Cache"_s);
         },
         u"home"_s,
         u"thumbnails"_s},
        {"a contents row's folder",
         u"~/.cache"_s,
         contents,
         [](Home &h, const QString &outside) {
             return h.folder(u"home"_s) && h.link(u"home/.cache"_s, outside + u"/Code/Cache"_s);
         },
         u"home"_s,
         u".cache"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Home test;
        const QString outside = test.path(u"outside"_s);
        ASSERT_TRUE(test.file(u"outside/Code/Cache/precious"_s, "keep me"));
        ASSERT_TRUE(c.build(test, outside));
        const int trashedBefore = trashedCount();
        test::LogCapture log;

        const std::optional<RowTrashOutcome> outcome = trashRow(c.row, c.kind, test.path(c.home));

        ASSERT_TRUE(outcome.has_value());
        EXPECT_TRUE(outcome->refusedByLink);
        EXPECT_EQ(outcome->result, result(c.row, 0, {linkRefusal + u": "_s + c.linkName}));
        const QString what = c.kind == contents ? u"中身"_s : u"フォルダ"_s;
        EXPECT_TRUE(
            log.contains(u"Cleanup"_s, u"default"_s, u"リンクのため削除しない(%1)"_s.arg(what)))
            << log.dump().toStdString();
        EXPECT_EQ(test::readFile(outside + u"/Code/Cache/precious"_s), "keep me");
        EXPECT_EQ(trashedCount(), trashedBefore);
    }
}

TEST(TrasherTest, ALinkAmongTheEntriesOfAContentsRowStaysAndTheOthersMove)
{
    Home home;
    ASSERT_TRUE(home.file(u"outside/precious"_s, "keep me"));
    ASSERT_TRUE(home.file(u"home/.cache/a"_s));
    ASSERT_TRUE(home.link(u"home/.cache/b"_s, home.path(u"outside"_s)));
    ASSERT_TRUE(home.file(u"home/.cache/c/x"_s));
    test::LogCapture log;

    const std::optional<RowTrashOutcome> outcome
        = trashRow(u"~/.cache"_s, CleanupTarget::Kind::folderContents(), home.path(u"home"_s));

    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->refusedByLink);
    EXPECT_EQ(outcome->result, result(u"~/.cache"_s, 2, {u"b: "_s + linkRefusal + u" (b)"_s}));
    EXPECT_TRUE(QFileInfo(home.path(u"home/.cache/b"_s)).isSymLink());
    EXPECT_EQ(test::readFile(home.path(u"outside/precious"_s)), "keep me");
    EXPECT_FALSE(inTrash(home.path(u"home/.cache/a"_s)).isEmpty());
    EXPECT_FALSE(inTrash(home.path(u"home/.cache/c"_s)).isEmpty());
    EXPECT_TRUE(log.contains(u"Cleanup"_s, u"info"_s, u"ゴミ箱へ(中身) 移動 2 失敗 1"_s))
        << log.dump().toStdString();
}

TEST(TrasherTest, TheTrasherItselfRefusesLinksAndWhatIsNotThere)
{
    Home home;
    ASSERT_TRUE(home.file(u"outside/Cache/precious"_s, "keep me"));
    ASSERT_TRUE(home.file(u"real/.cache/x"_s));
    ASSERT_TRUE(home.link(u"linked-home"_s, home.path(u"real"_s)));
    ASSERT_TRUE(home.folder(u"real/.config"_s));
    ASSERT_TRUE(home.link(u"real/.config/Code"_s, home.path(u"outside"_s)));
    ASSERT_TRUE(home.link(u"real/.cache/thumbnails"_s, home.path(u"outside/Cache"_s)));
    const QString real = home.path(u"real"_s);

    struct Case
    {
        const char *name;
        QString path;
        QString home;
        QString error;
    };
    const Case cases[] = {
        {"the home folder",
         home.path(u"linked-home/.cache/x"_s),
         home.path(u"linked-home"_s),
         linkRefusal + u" (linked-home)"_s},
        {"a folder on the way", real + u"/.config/Code/Cache"_s, real, linkRefusal + u" (Code)"_s},
        {"the item", real + u"/.cache/thumbnails"_s, real, linkRefusal + u" (thumbnails)"_s},
        {"a missing item", real + u"/.cache/missing"_s, real, u"No such file or directory"_s},
        {"the home folder itself", real, real, u"The home folder can’t be moved to the Trash"_s},
    };
    const int trashedBefore = trashedCount();
    for (const Case &c : cases) {
        const Result<QString> moved
            = FileManagerTrasher(c.home).trash(QFile::encodeName(c.path), {});
        ASSERT_FALSE(moved.ok()) << c.name;
        EXPECT_EQ(moved.error().description, c.error) << c.name;
    }
    EXPECT_EQ(trashedCount(), trashedBefore);
    EXPECT_EQ(test::readFile(home.path(u"outside/Cache/precious"_s)), "keep me");
    EXPECT_TRUE(QFileInfo::exists(real + u"/.cache/x"_s));
}

TEST(TrasherTest, AMissingDataFolderIsMadeRatherThanATrashBesideTheItem)
{
    // Without its data folder Qt would make a Trash in the working folder, which during a move
    // is the item's own folder.
    Home home;
    ASSERT_TRUE(home.file(u"home/.cache/x"_s));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString dataHome = home.path(u"data/share"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    const Result<QString> moved = FileManagerTrasher(home.path(u"home"_s))
                                      .trash(QFile::encodeName(home.path(u"home/.cache/x"_s)), {});
    qputenv("XDG_DATA_HOME", saved);

    ASSERT_TRUE(moved.ok()) << moved.error().description.toStdString();
    EXPECT_EQ(inTrash(home.path(u"home/.cache/x"_s), dataHome), moved.value());
    EXPECT_EQ(QDir(home.path(u"home/.cache"_s))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}

// A folder is swapped for a link to another folder holding an item of the same name, at the
// worst moment: after the check, right before the move.
TEST(TrasherTest, AFolderSwappedForALinkAfterTheCheckMovesNothingOutsideIt)
{
    struct Case
    {
        const char *name;
        // The folder (relative to the test's folder) that is renamed away and replaced by a link.
        QString swapped;
        // Whether the move still takes the intended item, from where the swap put it.
        bool intendedMoves;
    };
    const Case cases[] = {
        {"the home folder", u"home"_s, true},
        {"a folder on the way", u"home/.config/Code"_s, true},
        {"the item itself", u"home/.config/Code/Cache"_s, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Home test;
        // The link's target mirrors the tree below the swapped folder, so that every path
        // through the link names an existing item outside.
        const QString outside = test.path(u"outside"_s);
        const QString below = QString(u"home/.config/Code/Cache"_s).mid(c.swapped.size());
        ASSERT_TRUE(test.file(u"outside"_s + below + u"/precious"_s, "keep me"));
        ASSERT_TRUE(test.file(u"home/.config/Code/Cache/cached"_s, "cache"));
        const QString item = test.path(u"home/.config/Code/Cache"_s);
        const int trashedBefore = trashedCount();

        Result<HeldItem> held = holdForTrash(item, test.path(u"home"_s));
        ASSERT_TRUE(held.ok()) << held.error().description.toStdString();
        const QString away = test.path(c.swapped + u"-away"_s);
        ASSERT_TRUE(QDir().rename(test.path(c.swapped), away));
        ASSERT_TRUE(QFile::link(outside, test.path(c.swapped)));

        const Result<QString> moved = moveHeldItemToTrash(held.value());

        EXPECT_EQ(test::readFile(outside + below + u"/precious"_s), "keep me");
        const QString intendedNow
            = away + QString(u"home/.config/Code/Cache"_s).mid(c.swapped.size());
        if (c.intendedMoves) {
            ASSERT_TRUE(moved.ok()) << moved.error().description.toStdString();
            EXPECT_FALSE(QFileInfo::exists(intendedNow));
            // The Trash records where the item really was when it moved.
            const QString trashed = inTrash(intendedNow);
            EXPECT_EQ(trashed, moved.value());
            EXPECT_EQ(test::readFile(trashed + u"/cached"_s), "cache");
            EXPECT_EQ(trashedCount(), trashedBefore + 1);
        } else {
            ASSERT_FALSE(moved.ok());
            EXPECT_EQ(moved.error().description, linkRefusal + u" (Cache)"_s);
            EXPECT_EQ(test::readFile(intendedNow + u"/cached"_s), "cache");
            EXPECT_TRUE(QFileInfo(test.path(c.swapped)).isSymLink());
            EXPECT_EQ(trashedCount(), trashedBefore);
        }
    }
}

TEST(TrasherTest, AnItemReplacedAfterTheCheckIsNotMoved)
{
    Home home;
    ASSERT_TRUE(home.file(u"home/.cache/thumbnails/old"_s, "checked"));
    const QString item = home.path(u"home/.cache/thumbnails"_s);
    Result<HeldItem> held = holdForTrash(item, home.path(u"home"_s));
    ASSERT_TRUE(held.ok()) << held.error().description.toStdString();
    ASSERT_TRUE(QDir().rename(item, item + u"-away"_s));
    ASSERT_TRUE(home.file(u"home/.cache/thumbnails/new"_s, "not checked"));

    const Result<QString> moved = moveHeldItemToTrash(held.value());

    ASSERT_FALSE(moved.ok());
    EXPECT_EQ(moved.error().description, u"The item changed after it was checked"_s);
    EXPECT_EQ(test::readFile(item + u"/new"_s), "not checked");
    EXPECT_EQ(test::readFile(item + u"-away/old"_s), "checked");
}

TEST(TrasherTest, AFolderSwappedBetweenTheBatchCheckAndTheMoveIsRefused)
{
    // Swaps a folder on the way for a link just before the real trasher runs, that is after the
    // batch's own check of the path.
    class SwappingTrasher final : public Trasher
    {
    public:
        SwappingTrasher(QString folder, QString target, QString home)
            : m_folder(std::move(folder))
            , m_target(std::move(target))
            , m_real(std::move(home))
        {}
        Result<QString> trash(const QByteArray &path,
                              const trash::MoveOptions &options) const override
        {
            if (!QDir().rename(m_folder, m_folder + u"-away"_s) || !QFile::link(m_target, m_folder))
                return Error{u"swap failed"_s};
            return m_real.trash(path, options);
        }

    private:
        QString m_folder;
        QString m_target;
        FileManagerTrasher m_real;
    };

    Home home;
    ASSERT_TRUE(home.file(u"outside/Cache/precious"_s, "keep me"));
    ASSERT_TRUE(home.file(u"home/.config/Code/Cache/cached"_s, "cache"));
    const SwappingTrasher trasher(
        home.path(u"home/.config/Code"_s), home.path(u"outside"_s), home.path(u"home"_s));

    const TrashBatchResult batch
        = trashBatch({QFile::encodeName(home.path(u"home/.config/Code/Cache"_s))},
                     home.path(u"home"_s),
                     trasher);

    EXPECT_EQ(batch, (TrashBatchResult{0, {u"Cache: "_s + linkRefusal + u" (Code)"_s}}));
    EXPECT_EQ(test::readFile(home.path(u"outside/Cache/precious"_s)), "keep me");
    EXPECT_EQ(test::readFile(home.path(u"home/.config/Code-away/Cache/cached"_s)), "cache");
}

TEST(TrasherTest, AnItemTheSystemRefusesLeavesTheOthersMoved)
{
    // The move runs as an unprivileged user in a helper program, with a home folder of its own;
    // the middle item lies in a read-only folder of another user.
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::setPermissions(
        dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther));
    const QString home = dir.filePath(u"home"_s);
    const QString dataHome = home + u"/.local/share"_s;
    const QStringList items{home + u"/.cache/app/one.bin"_s,
                            home + u"/.cache/locked/two.bin"_s,
                            home + u"/.cache/app/three.bin"_s};
    for (const QString &item : items)
        ASSERT_TRUE(test::writeFile(item, "data"));
    ASSERT_TRUE(QDir().mkpath(dataHome));
    for (const QString &path : {home,
                                home + u"/.cache"_s,
                                home + u"/.cache/app"_s,
                                home + u"/.local"_s,
                                dataHome,
                                items.at(0),
                                items.at(2)})
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0)
            << path.toStdString();
    ASSERT_TRUE(QFile::setPermissions(home + u"/.cache/locked"_s,
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                          | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));

    ProcessRequest request;
    request.program = u"setpriv"_s;
    request.arguments = QStringList{u"--reuid=nobody"_s,
                                    u"--regid=nogroup"_s,
                                    u"--clear-groups"_s,
                                    trashHelper,
                                    home}
                        + items;
    request.environment = {{u"HOME"_s, home}, {u"XDG_DATA_HOME"_s, dataHome}};
    request.timeLimit = 20s;
    const ProcessResult run = QCoro::waitFor(runProcess(request));
    ASSERT_TRUE(run.succeeded()) << run.errorString.toStdString()
                                 << run.firstErrorLine().toStdString();
    const QJsonObject outcome = QJsonDocument::fromJson(run.standardOutput).object();

    EXPECT_EQ(outcome.value(u"moved"_s).toInt(), 2);
    EXPECT_EQ(outcome.value(u"failures"_s).toArray(), QJsonArray{u"two.bin: Permission denied"_s});
    EXPECT_TRUE(QFileInfo::exists(items.at(1)));
    for (const QString &item : {items.at(0), items.at(2)}) {
        EXPECT_FALSE(QFileInfo::exists(item)) << item.toStdString();
        EXPECT_FALSE(inTrash(item, dataHome).isEmpty()) << item.toStdString();
    }
    EXPECT_EQ(trashedCount(dataHome), 2);
}

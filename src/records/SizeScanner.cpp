#include "records/SizeScanner.h"

#include "records/FolderEntry.h"
#include "records/NameText.h"

#include <QCoroFuture>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <sys/stat.h>

namespace qm {

using PathOutcome = SizeScanner::PathOutcome;

QString SizeScanner::privacyRefusalFor(const PlatformProfile &profile)
{
    // The BSD du of a platform with a privacy control reports its refusals this way.
    return profile.hasFullDiskAccessControl ? QStringLiteral("Operation not permitted") : QString();
}

namespace {

// "<digits>\t": the size in bytes and where the path starts; empty for any other line, and for
// sizes that do not fit a signed 64-bit count of bytes.
struct RecordHead
{
    qint64 bytes = 0;
    qsizetype pathStart = 0;
};

std::optional<RecordHead> recordHead(QByteArrayView line)
{
    const qsizetype tab = line.indexOf('\t');
    if (tab <= 0)
        return std::nullopt;
    constexpr qint64 maxKiB = std::numeric_limits<qint64>::max() / 1024;
    qint64 kib = 0;
    for (qsizetype i = 0; i < tab; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (kib > (maxKiB - digit) / 10)
            return std::nullopt;
        kib = kib * 10 + digit;
    }
    return RecordHead{kib * 1024, tab + 1};
}

// The paths du may print that hold line breaks, as a tree of their lines: a record whose path
// starts such a path is followed line by line along the tree, so each output line is looked at
// about once however many line breaks a name holds.
class MultiLinePaths
{
public:
    void add(QByteArrayView path)
    {
        int node = 0;
        for (const QByteArray &line : path.toByteArray().split('\n')) {
            int next = m_nodes[std::size_t(node)].next.value(line, -1);
            if (next < 0) {
                next = int(m_nodes.size());
                m_nodes[std::size_t(node)].next.insert(line, next);
                m_nodes.emplace_back();
            }
            node = next;
        }
        m_nodes[std::size_t(node)].complete = true;
    }

    // How many of the lines from `from` on continue `first` into a whole path: the most that
    // do, 0 when none.
    qsizetype
    continuation(const QByteArray &first, const QList<QByteArray> &lines, qsizetype from) const
    {
        int node = m_nodes.front().next.value(first, -1);
        qsizetype used = 0;
        for (qsizetype k = 0; node >= 0 && from + k < lines.size(); ++k) {
            node = m_nodes[std::size_t(node)].next.value(lines.at(from + k), -1);
            if (node >= 0 && m_nodes[std::size_t(node)].complete)
                used = k + 1;
        }
        return used;
    }

private:
    struct Node
    {
        QHash<QByteArray, int> next;
        bool complete = false;
    };
    std::vector<Node> m_nodes = std::vector<Node>(1);
};

struct ByteListing
{
    qint64 total = 0;
    QMap<QByteArray, qint64> children;
};

std::optional<ByteListing>
parseDuRecords(QByteArrayView output, QByteArrayView root, const QSet<QByteArray> &names)
{
    const QByteArray prefix = root.endsWith('/') ? root.toByteArray() : root.toByteArray() + '/';
    // du ends every line with a line feed and prints names as they are, so only the line feed
    // separates records; a carriage return or other separator belongs to a name.
    QList<QByteArray> lines = output.toByteArray().split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();

    MultiLinePaths multiLine;
    if (root.contains('\n'))
        multiLine.add(root);
    for (const QByteArray &name : names) {
        if (name.contains('\n') || prefix.contains('\n'))
            multiLine.add(prefix + name);
    }

    ByteListing listing;
    bool sawRoot = false;
    qsizetype i = 0;
    while (i < lines.size()) {
        const QByteArray &line = lines.at(i);
        const std::optional<RecordHead> head = recordHead(line);
        ++i;
        if (!head)
            continue; // not a record, or a fragment of a name that was not joined back
        QByteArray path = line.sliced(head->pathStart);
        // The longest path of an entry that the following lines complete.
        if (const qsizetype used = multiLine.continuation(path, lines, i); used > 0) {
            for (qsizetype k = 0; k < used; ++k)
                path += '\n' + lines.at(i + k);
            i += used;
        }

        if (path == root) {
            listing.total = head->bytes;
            sawRoot = true;
        } else if (path.startsWith(prefix)) {
            QByteArray name = path.sliced(prefix.size());
            if (names.contains(name))
                listing.children.insert(std::move(name), head->bytes);
        }
    }
    if (!sawRoot)
        return std::nullopt;
    return listing;
}

DuListing textListing(const ByteListing &bytes)
{
    DuListing listing;
    listing.total = bytes.total;
    for (auto it = bytes.children.cbegin(); it != bytes.children.cend(); ++it)
        listing.children.insert(nameText(it.key()), it.value());
    return listing;
}

} // namespace

QString duArgument(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/') && path.at(end - 2) == QLatin1Char('/'))
        --end;
    return path.left(end);
}

std::optional<DuListing>
parseDuOutput(QByteArrayView output, QByteArrayView root, const QSet<QByteArray> &names)
{
    const std::optional<ByteListing> listing = parseDuRecords(output, root, names);
    if (!listing)
        return std::nullopt;
    return textListing(*listing);
}

namespace {

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - u'0';
    const QChar lower = c.toLower();
    if (lower >= QLatin1Char('a') && lower <= QLatin1Char('f'))
        return lower.unicode() - u'a' + 10;
    return -1;
}

// Reads one word quoted the way GNU tools quote file names for the shell ('…', "…", $'…',
// backslash escapes) from `text` at `pos`, up to an unquoted ": ". Returns the decoded bytes and
// moves `pos` to the ':'; empty when the text ends first.
std::optional<QByteArray> readShellWord(const QString &text, qsizetype &pos)
{
    QByteArray bytes;
    const qsizetype n = text.size();
    const auto appendChar = [&](qsizetype at) {
        // A surrogate pair stays whole.
        const qsizetype length = text.at(at).isHighSurrogate() && at + 1 < n ? 2 : 1;
        bytes += text.mid(at, length).toUtf8();
        return length;
    };
    qsizetype i = pos;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(':') && i + 1 < n && text.at(i + 1) == QLatin1Char(' ')) {
            pos = i;
            return bytes;
        }
        if (c == QLatin1Char('\'')) {
            const qsizetype close = text.indexOf(QLatin1Char('\''), i + 1);
            if (close < 0)
                return std::nullopt;
            bytes += text.mid(i + 1, close - i - 1).toUtf8();
            i = close + 1;
        } else if (c == QLatin1Char('"')) {
            ++i;
            while (i < n && text.at(i) != QLatin1Char('"')) {
                if (text.at(i) == QLatin1Char('\\') && i + 1 < n
                    && QStringLiteral("$`\"\\").contains(text.at(i + 1)))
                    ++i;
                i += appendChar(i);
            }
            if (i >= n)
                return std::nullopt;
            ++i;
        } else if (c == QLatin1Char('$') && i + 1 < n && text.at(i + 1) == QLatin1Char('\'')) {
            i += 2;
            while (i < n && text.at(i) != QLatin1Char('\'')) {
                if (text.at(i) != QLatin1Char('\\') || i + 1 >= n) {
                    i += appendChar(i);
                    continue;
                }
                const QChar e = text.at(i + 1);
                i += 2;
                static const QHash<QChar, char> simple{{QLatin1Char('a'), '\a'},
                                                       {QLatin1Char('b'), '\b'},
                                                       {QLatin1Char('e'), '\x1b'},
                                                       {QLatin1Char('f'), '\f'},
                                                       {QLatin1Char('n'), '\n'},
                                                       {QLatin1Char('r'), '\r'},
                                                       {QLatin1Char('t'), '\t'},
                                                       {QLatin1Char('v'), '\v'}};
                if (const auto it = simple.constFind(e); it != simple.cend()) {
                    bytes += *it;
                } else if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                    int value = e.unicode() - u'0';
                    for (int digits = 1; digits < 3 && i < n && text.at(i) >= QLatin1Char('0')
                                         && text.at(i) <= QLatin1Char('7');
                         ++digits, ++i)
                        value = value * 8 + (text.at(i).unicode() - u'0');
                    bytes += char(value & 0xff);
                } else if (e == QLatin1Char('x')) {
                    int value = 0;
                    for (int digits = 0; digits < 2 && i < n; ++digits, ++i) {
                        const int digit = hexDigit(text.at(i));
                        if (digit < 0)
                            break;
                        value = value * 16 + digit;
                    }
                    bytes += char(value);
                } else {
                    bytes += QString(e).toUtf8(); // \\, \', \" and the like
                }
            }
            if (i >= n)
                return std::nullopt;
            ++i;
        } else if (c == QLatin1Char('\\') && i + 1 < n) {
            i += 1 + appendChar(i + 1);
        } else {
            i += appendChar(i);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString>
duMessageAboutFolder(const QString &errorText, const QString &path, const QString &program)
{
    QStringList prefixes{QStringLiteral("du: ")};
    if (!program.isEmpty()) {
        prefixes << program + QStringLiteral(": ")
                 << QFileInfo(program).fileName() + QStringLiteral(": ");
    }
    static const QStringList gnuIntros{QStringLiteral("cannot read directory "),
                                       QStringLiteral("cannot access ")};

    const QStringList lines = errorText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        for (const QString &prefix : prefixes) {
            if (!line.startsWith(prefix))
                continue;
            const QString rest = line.mid(prefix.size());
            const QString plain = path + QStringLiteral(": ");
            if (rest.startsWith(plain))
                return rest.mid(plain.size());
            for (const QString &intro : gnuIntros) {
                if (!rest.startsWith(intro))
                    continue;
                qsizetype pos = intro.size();
                const std::optional<QByteArray> word = readShellWord(rest, pos);
                if (word && QString::fromUtf8(*word) == path)
                    return rest.mid(pos + 2);
            }
        }
    }
    return std::nullopt;
}

PathOutcome::Kind classifyDuFailure(const QString &errorText,
                                    const QString &path,
                                    const QString &program,
                                    const QString &privacyRefusal)
{
    const std::optional<QString> message = duMessageAboutFolder(errorText, path, program);
    if (message && !privacyRefusal.isEmpty() && *message == privacyRefusal)
        return PathOutcome::Kind::permissionDenied;
    return PathOutcome::Kind::failed;
}

PathOutcome duOutcome(const QString &path,
                      const ProcessResult &run,
                      const FolderListing &folder,
                      const QString &privacyRefusal)
{
    PathOutcome outcome;
    outcome.errorText = QString::fromUtf8(run.standardError);
    if (run.timedOut) {
        outcome.kind = PathOutcome::Kind::timedOut;
        return outcome;
    }
    if (!run.exitedNormally()) {
        // Not started, cancelled, or ended by a signal.
        outcome.kind = PathOutcome::Kind::failed;
        if (run.cancelled)
            outcome.errorText = QStringLiteral("cancelled");
        else if (outcome.errorText.isEmpty())
            outcome.errorText = run.errorString;
        return outcome;
    }
    const QString argument = duArgument(path);
    // GNU du still prints a line for a folder it cannot read; that line measures nothing.
    if (duMessageAboutFolder(outcome.errorText, argument, run.program)) {
        outcome.kind = classifyDuFailure(outcome.errorText, argument, run.program, privacyRefusal);
        return outcome;
    }
    std::optional<ByteListing> listing
        = parseDuRecords(run.standardOutput, QFile::encodeName(argument), folder.names);
    if (!listing) {
        outcome.kind = PathOutcome::Kind::failed;
        return outcome;
    }
    for (auto it = folder.regularFiles.cbegin(); it != folder.regularFiles.cend(); ++it) {
        if (!listing->children.contains(it.key()))
            listing->children.insert(it.key(), it.value());
    }
    outcome.kind = PathOutcome::Kind::measured;
    outcome.listing = textListing(*listing);
    return outcome;
}

FolderListing listFolder(const QString &path)
{
    FolderListing listing;
    for (const FolderEntry &entry : folderEntries(path)) {
        listing.names.insert(entry.name);
        if (entry.kind == FolderEntry::Kind::regularFile)
            listing.regularFiles.insert(entry.name, entry.allocatedBytes);
    }
    return listing;
}

namespace {

PathOutcome
interpretDuRun(const QString &path, const ProcessResult &run, const QString &privacyRefusal)
{
    return duOutcome(path, run, listFolder(path), privacyRefusal);
}

QCoro::Task<PathOutcome> measure(SizeScanner scanner, QString path, CancelToken cancel)
{
    ProcessRequest request;
    request.program = scanner.executable;
    // "-D": a watched folder that is a symbolic link is measured at its target, as it is
    // listed. Arguments go to du as their UTF-8 bytes, unchanged.
    request.arguments = {QStringLiteral("-d"),
                         QStringLiteral("1"),
                         QStringLiteral("-k"),
                         QStringLiteral("-D"),
                         duArgument(path)};
    request.timeLimit
        = std::chrono::milliseconds(scanner.timeout > 0 ? std::llround(scanner.timeout * 1000) : 0);
    request.standardErrorLimit = SizeScanner::errorTextLimit;
    // Four du at a time would otherwise share the processor evenly with the main thread.
    request.niceness = SizeScanner::niceness;
    request.cancel = std::move(cancel);
    ProcessResult run = co_await runProcess(std::move(request));
    if (!run.exitedNormally())
        co_return duOutcome(path, run, {}, scanner.privacyRefusal);
    // The folder is listed, and the output parsed, off the main thread.
    co_return co_await QtConcurrent::run(
        &interpretDuRun, path, std::move(run), scanner.privacyRefusal);
}

struct ScanState
{
    SizeScanner scanner;
    QStringList paths;
    CancelToken cancel;
    qsizetype next = 0;
    SizeScanner::ScanResult result;
};

// Measures the next path not yet started until none is left or the scan is cancelled.
QCoro::Task<> scanWorker(std::shared_ptr<ScanState> state)
{
    while (state->next < state->paths.size()) {
        if (state->cancel && state->cancel->isCancelled())
            break;
        const QString path = state->paths.at(state->next++);
        PathOutcome outcome = co_await measure(state->scanner, path, state->cancel);
        if (outcome.isMeasured())
            state->result.listings.insert(path, std::move(outcome.listing));
        else
            state->result.unmeasured.insert(path, std::move(outcome));
    }
}

QCoro::Task<SizeScanner::ScanResult>
scanPaths(SizeScanner scanner, QStringList paths, CancelToken cancel)
{
    const auto state = std::make_shared<ScanState>();
    state->scanner = std::move(scanner);
    state->paths = std::move(paths);
    state->cancel = std::move(cancel);
    // Each worker holds one du process at a time; they take the paths in list order.
    const qsizetype workerCount
        = std::min<qsizetype>(state->paths.size(), std::max(1, state->scanner.maxConcurrent));
    std::vector<QCoro::Task<>> workers;
    workers.reserve(std::size_t(workerCount));
    for (qsizetype w = 0; w < workerCount; ++w)
        workers.push_back(scanWorker(state));
    for (const QCoro::Task<> &worker : workers)
        co_await worker;
    co_return std::move(state->result);
}

QCoro::Task<QMap<QString, qint64>> totalsOf(QCoro::Task<SizeScanner::ScanResult> scan)
{
    const SizeScanner::ScanResult result = co_await scan;
    QMap<QString, qint64> totals;
    for (auto it = result.listings.cbegin(); it != result.listings.cend(); ++it)
        totals.insert(it.key(), it->total);
    co_return totals;
}

} // namespace

QCoro::Task<SizeScanner::ScanResult> SizeScanner::scan(QStringList paths, CancelToken cancel) const
{
    return scanPaths(*this, std::move(paths), std::move(cancel));
}

QCoro::Task<QMap<QString, qint64>> SizeScanner::totals(QStringList paths, CancelToken cancel) const
{
    return totalsOf(scan(std::move(paths), std::move(cancel)));
}

QCoro::Task<PathOutcome> SizeScanner::outcome(QString path, CancelToken cancel) const
{
    return measure(*this, std::move(path), std::move(cancel));
}

namespace {

// The bytes allocated by a folder itself (its entries not counted); absent when nothing is
// there. Blocking.
std::optional<qint64> ownAllocatedBytes(const QString &folder)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return std::nullopt;
    return qint64(info.st_blocks) * 512;
}

QCoro::Task<PathOutcome>
measureContents(SizeScanner scanner, QStringList folders, CancelToken cancel)
{
    PathOutcome sum;
    sum.kind = PathOutcome::Kind::measured;
    for (const QString &folder : std::as_const(folders)) {
        const std::optional<qint64> own = co_await QtConcurrent::run(ownAllocatedBytes, folder);
        if (!own)
            continue;
        PathOutcome outcome = co_await measure(scanner, folder, cancel);
        if (!outcome.isMeasured())
            co_return outcome;
        // du counts the folder's own blocks in its total; emptying leaves the folder.
        sum.listing.total += std::max<qint64>(0, outcome.listing.total - *own);
    }
    co_return sum;
}

} // namespace

QCoro::Task<PathOutcome> SizeScanner::contentOutcome(QStringList folders, CancelToken cancel) const
{
    return measureContents(*this, std::move(folders), std::move(cancel));
}

} // namespace qm

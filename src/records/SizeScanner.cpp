#include "records/SizeScanner.h"

#include <QCoroFuture>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
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

std::optional<RecordHead> recordHead(const QString &line)
{
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab <= 0)
        return std::nullopt;
    constexpr qint64 maxKiB = std::numeric_limits<qint64>::max() / 1024;
    qint64 kib = 0;
    for (qsizetype i = 0; i < tab; ++i) {
        const char16_t c = line.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (kib > (maxKiB - digit) / 10)
            return std::nullopt;
        kib = kib * 10 + digit;
    }
    return RecordHead{kib * 1024, tab + 1};
}

} // namespace

std::optional<DuListing>
parseDuOutput(const QString &output, const QString &root, const QSet<QString> &names)
{
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    // du ends every line with a line feed and prints names as they are, so only the line feed
    // separates records; a carriage return or other separator belongs to a name.
    QStringList lines = output.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();

    const auto childName = [&](const QString &path) -> std::optional<QString> {
        if (!path.startsWith(prefix))
            return std::nullopt;
        QString name = path.mid(prefix.size());
        if (!names.contains(name))
            return std::nullopt;
        return name;
    };
    const auto isKnown = [&](const QString &path) {
        return path == root || childName(path);
    };

    // A record may span as many lines as the most line breaks in a path it can name.
    qsizetype maxBreaks = prefix.count(QLatin1Char('\n'));
    for (const QString &name : names)
        maxBreaks
            = std::max(maxBreaks, prefix.count(QLatin1Char('\n')) + name.count(QLatin1Char('\n')));

    DuListing listing;
    bool sawRoot = false;
    qsizetype i = 0;
    while (i < lines.size()) {
        const QString &line = lines.at(i);
        const std::optional<RecordHead> head = recordHead(line);
        ++i;
        if (!head)
            continue; // not a record, or a fragment of a name that was not joined back
        QString path = line.mid(head->pathStart);
        // Join the following lines while together they name an entry; keep the longest.
        QString joined = path;
        qsizetype used = 0;
        for (qsizetype k = 0; k < maxBreaks && i + k < lines.size(); ++k) {
            joined += QLatin1Char('\n') + lines.at(i + k);
            if (isKnown(joined)) {
                path = joined;
                used = k + 1;
            }
        }
        i += used;

        if (path == root) {
            listing.total = head->bytes;
            sawRoot = true;
        } else if (const std::optional<QString> name = childName(path)) {
            listing.children.insert(*name, head->bytes);
        }
    }
    if (!sawRoot)
        return std::nullopt;
    return listing;
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
    // GNU du still prints a line for a folder it cannot read; that line measures nothing.
    if (duMessageAboutFolder(outcome.errorText, path, run.program)) {
        outcome.kind = classifyDuFailure(outcome.errorText, path, run.program, privacyRefusal);
        return outcome;
    }
    std::optional<DuListing> listing
        = parseDuOutput(QString::fromUtf8(run.standardOutput), path, folder.names);
    if (!listing) {
        outcome.kind = PathOutcome::Kind::failed;
        return outcome;
    }
    for (auto it = folder.regularFiles.cbegin(); it != folder.regularFiles.cend(); ++it) {
        if (!listing->children.contains(it.key()))
            listing->children.insert(it.key(), it.value());
    }
    outcome.kind = PathOutcome::Kind::measured;
    outcome.listing = std::move(*listing);
    return outcome;
}

FolderListing listFolder(const QString &path)
{
    FolderListing listing;
    DIR *dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return listing;
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        // Decoded like du's output, so that the names compare equal.
        const QString decoded = QString::fromUtf8(name);
        listing.names.insert(decoded);
        struct stat status = {};
        if (::fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
            continue;
        listing.regularFiles.insert(decoded, qint64(status.st_blocks) * 512);
    }
    ::closedir(dir);
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
    request.arguments = {QStringLiteral("-d"), QStringLiteral("1"), QStringLiteral("-k"), path};
    request.timeLimit
        = std::chrono::milliseconds(scanner.timeout > 0 ? std::llround(scanner.timeout * 1000) : 0);
    request.standardErrorLimit = SizeScanner::errorTextLimit;
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

} // namespace qm

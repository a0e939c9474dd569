#pragma once

#include "platform/PlatformProfile.h"
#include "platform/ProcessRunner.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

namespace qm {

// The sizes of one measured folder.
struct DuListing
{
    // Bytes allocated by the folder and everything below it.
    qint64 total = 0;
    // Bytes of the direct children: every child folder that du reported, plus every regular
    // file directly in the folder. Names are their text (see nameText).
    QMap<QString, qint64> children;

    friend bool operator==(const DuListing &, const DuListing &) = default;
};

// The direct entries of a folder, read when du has ended. Names are the bytes the file system
// gives.
struct FolderListing
{
    // The names of all entries, whatever their type.
    QSet<QByteArray> names;
    // Allocated bytes of the regular files (not symbolic links) among them.
    QMap<QByteArray, qint64> regularFiles;

    friend bool operator==(const FolderListing &, const FolderListing &) = default;
};

// Measures folders with `du`, one process per folder, several at a time, each with a time
// limit. Keeps no state between calls; the tasks work on a copy of the scanner.
struct SizeScanner
{
    // What became of one folder.
    struct PathOutcome
    {
        enum class Kind { measured, timedOut, permissionDenied, failed };

        Kind kind = Kind::failed;
        // The sizes, when measured.
        DuListing listing;
        // du's standard error (at most `errorTextLimit` bytes of it), or why du did not run.
        QString errorText;

        bool isMeasured() const { return kind == Kind::measured; }
        friend bool operator==(const PathOutcome &, const PathOutcome &) = default;
    };

    // The result of a scan, keyed by the paths as given. A path that was never started (the scan
    // was cancelled first) is in neither map.
    struct ScanResult
    {
        QMap<QString, DuListing> listings;
        QMap<QString, PathOutcome> unmeasured;

        friend bool operator==(const ScanResult &, const ScanResult &) = default;
    };

    static constexpr qsizetype errorTextLimit = 65536;
    // du runs this much nicer than the program.
    static constexpr int niceness = 10;

    QString executable = QStringLiteral("/usr/bin/du");
    // At most this many du processes at once; values below 1 act as 1.
    int maxConcurrent = 4;
    // Seconds per folder; zero or below means no limit.
    double timeout = 120;
    // du's message for a folder refused by the platform's privacy control, which makes the
    // outcome `permissionDenied`; empty where the platform has no such control, so that every
    // refusal is `failed`.
    QString privacyRefusal = privacyRefusalFor(currentProfile());

    static QString privacyRefusalFor(const PlatformProfile &profile);

    // Measures `paths`, starting them in list order. Cancelling stops starting new paths and
    // kills the running du processes (their paths end as `failed`).
    QCoro::Task<ScanResult> scan(QStringList paths, CancelToken cancel = {}) const;
    // The totals of the measured paths.
    QCoro::Task<QMap<QString, qint64>> totals(QStringList paths, CancelToken cancel = {}) const;
    // Measures one folder.
    QCoro::Task<PathOutcome> outcome(QString path, CancelToken cancel = {}) const;
    // What emptying the Trash frees: the bytes allocated by everything inside `folders` (the
    // Trash's items and, where the platform keeps them apart, their information files), the
    // folders themselves not counted, as they stay. A folder that does not exist counts nothing.
    // Measured when every existing folder was; otherwise the outcome of the first that was not.
    // Only `total` is set.
    QCoro::Task<PathOutcome> contentOutcome(QStringList folders, CancelToken cancel = {}) const;
};

// The folder argument given to du for `path`: du writes a folder given with several trailing
// slashes with one, so it is given that way and its lines match it.
QString duArgument(const QString &path);

// Parses the output of "du -d 1 -k -D <root>": lines of a size in KiB, a tab and a path, all of
// them bytes as the file system gives them. The line whose path is `root` gives the total; a
// line for a path inside `root` gives a child, but only when the child's name is in `names`
// (the folder's entries). du prints names unescaped, so a name holding a line break arrives as
// several lines: they are joined back when together they name an entry (the longest such
// name), and ignored otherwise; the work stays linear in the output. Empty when the line of
// `root` itself is missing.
std::optional<DuListing>
parseDuOutput(QByteArrayView output, QByteArrayView root, const QSet<QByteArray> &names);

// The message that du gave about the folder `path` itself, when it could not read or reach it:
// the text after the path in a line "du: <path>: <message>" or, in GNU's wording,
// "<program>: cannot read directory <quoted path>: <message>" or "... cannot access <quoted
// path>: <message>" (GNU starts its lines with the name it was started as, `program`, and
// quotes the path for the shell). Empty when no line is about the folder itself.
std::optional<QString>
duMessageAboutFolder(const QString &errorText, const QString &path, const QString &program);

// How a refusal of the folder itself counts: `permissionDenied` when du's message is the
// platform's privacy refusal (`privacyRefusal`, when not empty), `failed` in every other case,
// including when du said nothing about the folder itself.
SizeScanner::PathOutcome::Kind classifyDuFailure(const QString &errorText,
                                                 const QString &path,
                                                 const QString &program,
                                                 const QString &privacyRefusal);

// The outcome of one du run on `path`, given the folder's entries as listed after the run.
SizeScanner::PathOutcome duOutcome(const QString &path,
                                   const ProcessResult &run,
                                   const FolderListing &folder,
                                   const QString &privacyRefusal);

// Reads the direct entries of `path`; empty when it cannot be listed. Blocking: call it off the
// main thread.
FolderListing listFolder(const QString &path);

} // namespace qm

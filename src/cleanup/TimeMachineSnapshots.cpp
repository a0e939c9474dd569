#include "cleanup/TimeMachineSnapshots.h"

#include "platform/ProcessRunner.h"

#include <QRegularExpression>

#include <chrono>
#include <cmath>

namespace qm {

QCoro::Task<QStringList> TimeMachineSnapshots::list() const
{
    // Everything the run needs is copied before the first suspension: the value may be gone by
    // the time the tool ends.
    ProcessRequest request;
    request.program = executable;
    request.arguments = {QStringLiteral("listlocalsnapshots"), QStringLiteral("/")};
    request.timeLimit = timeout > 0 ? std::chrono::milliseconds(std::llround(timeout * 1000))
                                    : std::chrono::milliseconds(0);
    // Standard error is read and dropped.
    request.standardErrorLimit = 0;
    const ProcessResult run = co_await runProcess(std::move(request));
    if (!run.exitedNormally())
        co_return QStringList();
    co_return parseSnapshotNames(QString::fromUtf8(run.standardOutput));
}

QStringList parseSnapshotNames(const QString &output)
{
    static const QRegularExpression lineBreaks(
        QStringLiteral("[\\x{000A}\\x{000B}\\x{000C}\\x{000D}\\x{0085}\\x{2028}\\x{2029}]"));
    const QLatin1String prefix("com.apple.TimeMachine.");
    const QLatin1String suffix(".local");
    QStringList names;
    const QStringList lines = output.split(lineBreaks, Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        qsizetype begin = 0;
        qsizetype end = line.size();
        const auto isBlank = [](QChar c) {
            return c == QLatin1Char(' ') || c == QLatin1Char('\t');
        };
        while (begin < end && isBlank(line.at(begin)))
            ++begin;
        while (end > begin && isBlank(line.at(end - 1)))
            --end;
        const QStringView trimmed = QStringView(line).mid(begin, end - begin);
        if (trimmed.size() > prefix.size() + suffix.size() && trimmed.startsWith(prefix)
            && trimmed.endsWith(suffix)) {
            names.append(trimmed.mid(prefix.size(), trimmed.size() - prefix.size() - suffix.size())
                             .toString());
        }
    }
    return names;
}

} // namespace qm

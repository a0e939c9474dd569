#pragma once

#include "cli/CliData.h"
#include "freespace/DiskSpace.h"
#include "platform/AppDisplayNames.h"
#include "platform/Calendar.h"
#include "platform/FullDiskAccess.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>
#include <utility>

namespace qm {

// Everything a report of the command-line tool is made from; the tool's main fills it from the
// data folder, the system clock, the user's calendar and locale, and one free-space reading.
struct CliContext
{
    CliData data;
    QDateTime now;
    Calendar calendar;
    QLocale locale;
    QString home;
    // One reading of the watched volume, or why there is none.
    Result<DiskSpace> reading = Error{QString()};
    FullDiskAccess::Status fullDiskAccess = FullDiskAccess::Status::undetermined;
    // The application name of a child folder named like an application id (absent: none).
    AppNameResolver displayName;
};

// What one command prints on standard output and standard error, and its exit code.
struct CliOutput
{
    CliOutput() = default;
    CliOutput(QString text, int exitCode, QString errorText = QString())
        : text(std::move(text))
        , exitCode(exitCode)
        , errorText(std::move(errorText))
    {}

    QString text;
    int exitCode = 0;
    QString errorText; // for standard error, each line ending with a line feed
};

} // namespace qm

#pragma once

#include "cli/CliContext.h"
#include "freespace/DiskSpace.h"
#include "platform/Calendar.h"
#include "platform/Clock.h"
#include "platform/FullDiskAccess.h"
#include "records/SizeScanner.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"

#include <QCoroTask>

#include <functional>
#include <optional>

namespace qm {

// How "scan" ended.
struct CliScanOutcome
{
    enum class Kind {
        askedProgram, // the running program took the request and scans now
        scannedHere,  // no program ran: the tool scanned and saved today's record itself
        failed,       // the request went unanswered, or the record could not be saved
    };

    Kind kind = Kind::failed;
    std::optional<qint64> pid;      // askedProgram: the program's process id
    std::optional<Snapshot> record; // scannedHere: the record saved
    QString error;                  // failed: why
};

// What the tool's own scan is made of: the program's scheduler over the same data folder.
struct CliScanServices
{
    QString dataFolder;
    QString home;
    Settings settings; // as read from settings.json; the scan never writes it
    Clock clock;
    Calendar calendar;
    SizeScanner scanner;
    DiskSpaceReader diskSpace;
    std::function<FullDiskAccess::Status()> fullDiskAccessStatus;
};

// Takes today's record as the program would: one scan of the scheduler, writing snapshots.json
// and children.json, then the fleet metrics file when that setting is on. Fails when the record
// could not be saved.
QCoro::Task<CliScanOutcome> scanInPlaceOfProgram(CliScanServices services);

// The scan's report; exit code 0, or 5 when it failed.
CliOutput scanOutput(const CliScanOutcome &outcome, const CliContext &context, bool json);

} // namespace qm

#pragma once

#include "platform/FullDiskAccess.h"

#include <QString>

namespace qm {

// How long the first scan waits after the user chose to grant Full Disk Access, in seconds.
inline constexpr qint64 firstScanWaitSeconds = 600;

// One step of the start-up sequence, as it is logged.
struct StartUpEvent
{
    enum class Kind {
        guideSkipped,
        guideClosed,
        firstScanWaitStarted,
        firstScanStarted,
        guidePresented
    };
    enum class SkipReason { accessGranted, accessUndetermined, alreadyShown };
    enum class FirstScanTrigger { noGuide, later, afterWait };

    Kind kind = Kind::guidePresented;
    SkipReason skipReason = SkipReason::accessGranted;                   // guideSkipped
    FullDiskAccessGuideChoice choice = FullDiskAccessGuideChoice::later; // guideClosed
    qint64 seconds = 0;                                                  // firstScanWaitStarted
    FirstScanTrigger trigger = FirstScanTrigger::noGuide;                // firstScanStarted

    static StartUpEvent guideSkipped(SkipReason reason);
    static StartUpEvent guideClosed(FullDiskAccessGuideChoice choice);
    static StartUpEvent firstScanWaitStarted(qint64 seconds);
    static StartUpEvent firstScanStarted(FirstScanTrigger trigger);
    static StartUpEvent guidePresented();

    // Equal when the case and its payload are equal (other payload fields do not count).
    friend bool operator==(const StartUpEvent &a, const StartUpEvent &b);
};

// The line the default start-up logger writes (category "StartUp", default level).
QString startUpEventLogLine(const StartUpEvent &event);

// The default start-up logger.
void logStartUpEvent(const StartUpEvent &event);

} // namespace qm

#include "model/StartUpEvent.h"

#include "platform/Log.h"

namespace qm {

StartUpEvent StartUpEvent::guideSkipped(SkipReason reason)
{
    StartUpEvent event;
    event.kind = Kind::guideSkipped;
    event.skipReason = reason;
    return event;
}

StartUpEvent StartUpEvent::guideClosed(FullDiskAccessGuideChoice choice)
{
    StartUpEvent event;
    event.kind = Kind::guideClosed;
    event.choice = choice;
    return event;
}

StartUpEvent StartUpEvent::firstScanWaitStarted(qint64 seconds)
{
    StartUpEvent event;
    event.kind = Kind::firstScanWaitStarted;
    event.seconds = seconds;
    return event;
}

StartUpEvent StartUpEvent::firstScanStarted(FirstScanTrigger trigger)
{
    StartUpEvent event;
    event.kind = Kind::firstScanStarted;
    event.trigger = trigger;
    return event;
}

StartUpEvent StartUpEvent::guidePresented()
{
    return StartUpEvent{};
}

bool operator==(const StartUpEvent &a, const StartUpEvent &b)
{
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case StartUpEvent::Kind::guideSkipped:
        return a.skipReason == b.skipReason;
    case StartUpEvent::Kind::guideClosed:
        return a.choice == b.choice;
    case StartUpEvent::Kind::firstScanWaitStarted:
        return a.seconds == b.seconds;
    case StartUpEvent::Kind::firstScanStarted:
        return a.trigger == b.trigger;
    case StartUpEvent::Kind::guidePresented:
        break;
    }
    return true;
}

QString startUpEventLogLine(const StartUpEvent &event)
{
    using Kind = StartUpEvent::Kind;
    switch (event.kind) {
    case Kind::guideSkipped:
        switch (event.skipReason) {
        case StartUpEvent::SkipReason::accessGranted:
            return QStringLiteral("起動: 案内を出さない(フルディスクアクセスは許可済み)");
        case StartUpEvent::SkipReason::accessUndetermined:
            return QStringLiteral("起動: 案内を出さない(フルディスクアクセスを判定できず)");
        case StartUpEvent::SkipReason::alreadyShown:
            break;
        }
        return QStringLiteral("起動: 案内を出さない(すでに出した)");
    case Kind::guideClosed:
        return event.choice == FullDiskAccessGuideChoice::openedSystemSettings
                   ? QStringLiteral("起動: 案内を閉じた(システム設定を開いた)")
                   : QStringLiteral("起動: 案内を閉じた(後で)");
    case Kind::firstScanWaitStarted:
        return QStringLiteral("起動: 初回のスキャンを待つ(システム設定を開いたため。%1 秒)")
            .arg(event.seconds);
    case Kind::firstScanStarted:
        switch (event.trigger) {
        case StartUpEvent::FirstScanTrigger::noGuide:
            return QStringLiteral("起動: 初回のスキャンを始めた(案内なし)");
        case StartUpEvent::FirstScanTrigger::later:
            return QStringLiteral("起動: 初回のスキャンを始めた(後で)");
        case StartUpEvent::FirstScanTrigger::afterWait:
            break;
        }
        return QStringLiteral("起動: 初回のスキャンを始めた(待ち時間が過ぎた)");
    case Kind::guidePresented:
        break;
    }
    return QStringLiteral("起動: 案内を出した(閉じるまで待つ)");
}

void logStartUpEvent(const StartUpEvent &event)
{
    log::logDefault(log::startUp, startUpEventLogLine(event));
}

} // namespace qm

#pragma once

#include "platform/PlatformProfile.h"

#include <QList>
#include <QString>

namespace qm {

// Whether the program may read the folders that a privacy control protects (macOS Full Disk
// Access). Found out by probing a few protected locations; nothing is cached, every call
// probes again.
namespace FullDiskAccess {

enum class Status { granted, denied, undetermined };

// The case name, also the status's text in log lines: "granted", "denied", "undetermined".
QString statusName(Status status);

// The outcome of probing one location.
enum class ProbeResult { readable, permissionDenied, missing };

// Opens the path as a folder for listing, or, when it is not a folder, as a file for reading,
// and closes it at once. A refusal (EACCES, EPERM) is `permissionDenied`, any other failure
// `missing`. Never blocks on special files.
ProbeResult probeLocation(const QString &path);

// Any location readable: granted; else any refused: denied; else (all missing, or none
// probed): undetermined.
Status combineProbeResults(const QList<ProbeResult> &results);

// The Full Disk Access list in System Settings.
QString systemSettingsLocation();

// The texts of the guide that explains how to grant access (localizable, English as the key).
QString guideMessageText();
QString guideInformativeText();
QString guideOpenSystemSettingsButtonTitle();
QString guideLaterButtonTitle();

} // namespace FullDiskAccess

// What the user did with the guide.
enum class FullDiskAccessGuideChoice { openedSystemSettings, later };

// Probes every location of the profile's list, in order, after expanding "~" and "~/" against
// `home`. A profile without probe locations (a platform without the control) gives
// `undetermined`.
FullDiskAccess::Status fullDiskAccessStatus(const QString &home,
                                            const PlatformProfile &profile = currentProfile());

} // namespace qm

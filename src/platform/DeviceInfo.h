#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// The two lines that describe this machine in the About section: its name, then its model,
// processor and operating system.
namespace DeviceInfo {

struct Values
{
    // The computer's name as the user sees it.
    QString deviceName;
    // The hardware model (for example MacBookPro18,3 or XPS 13 9310), or "Unknown".
    QString modelIdentifier;
    // The processor's brand name.
    std::optional<QString> chip;
    // The operating system's name as written before its version: "macOS" on a Mac; on Linux
    // the distribution's PRETTY_NAME, which already carries the version.
    QString osName;
    // major.minor.patch of the operating system; empty where `osName` includes the version.
    QString osVersion;
    // The operating system's build; on Linux the kernel release.
    std::optional<QString> osBuild;

    friend bool operator==(const Values &, const Values &) = default;
};

// What the Linux reader gathers: the contents of the files it reads (empty when a file cannot
// be read), and the host name and kernel release as uname(2) gives them.
struct LinuxInputs
{
    QByteArray machineInfo;
    QByteArray productName;
    QByteArray cpuInfo;
    QByteArray osRelease;
    QString hostName;
    QString kernelRelease;
};

// The files the Linux reader reads; the defaults are the running system's.
struct LinuxSources
{
    // systemd's machine information, with the user-chosen PRETTY_HOSTNAME.
    QString machineInfoFile = QStringLiteral("/etc/machine-info");
    QString productNameFile = QStringLiteral("/sys/devices/virtual/dmi/id/product_name");
    QString cpuInfoFile = QStringLiteral("/proc/cpuinfo");
    // The first readable one is used.
    QStringList osReleaseFiles
        = {QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")};
};

// Reads the running machine. Main thread; only a few small reads and uname(2).
Values current();
Values current(const LinuxSources &sources);

// Exactly two texts: the device name, and model(chip) / system version (build).
QStringList lines(const Values &values);

// The localizable "Unknown" shown when the model cannot be read.
QString unknownModelText();

// --- Reading rules, over recorded contents ---

// A system value's bytes up to the first zero byte, decoded as UTF-8 (invalid sequences
// replaced).
QString systemValueText(const QByteArray &bytes);

// The build in an operating-system version text of the form "Version 15.1 (Build 24B83)":
// the text after the first "Build " up to the first ")" (or the end); absent when there is no
// "Build " or nothing follows it.
std::optional<QString> buildFromVersionText(const QString &versionText);

// A dotted version as exactly three decimal integers: "15.1" -> "15.1.0". Missing or
// non-numeric parts count as 0; parts after the third are dropped.
QString threePartVersion(const QString &version);

// The assignments of a shell-style KEY=value file (os-release, machine-info): comments and
// malformed lines are skipped; values may be quoted with "…" (backslash escapes \" \\ \` \$)
// or '…' (literal), and outside quotes a backslash escapes the next character. A later
// assignment of a key replaces an earlier one.
QHash<QString, QString> parseAssignments(const QByteArray &contents);

// The first non-empty "model name" of /proc/cpuinfo contents; absent when there is none (as
// on most ARM systems).
std::optional<QString> cpuModelName(const QByteArray &cpuInfo);

// The values from what the Linux reader gathered:
// - deviceName: PRETTY_HOSTNAME of machine-info, else the host name;
// - modelIdentifier: the DMI product name (cut at a zero byte, trimmed), else "Unknown";
// - chip: `cpuModelName`;
// - osName: PRETTY_NAME of os-release, else NAME, else "Linux"; osVersion: empty;
// - osBuild: the kernel release, absent when empty.
Values valuesFromLinuxInputs(const LinuxInputs &inputs);

// Reads the files of `sources` and calls uname(2).
LinuxInputs readLinuxInputs(const LinuxSources &sources);

} // namespace DeviceInfo

} // namespace qm

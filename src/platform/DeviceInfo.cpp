#include "platform/DeviceInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sys/utsname.h>

namespace qm::DeviceInfo {

namespace {

// The whole file, or nothing when it is not a regular file or cannot be read (a FIFO must
// never block the main thread).
QByteArray readRegularFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool isKeyStart(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool isKeyCharacter(QChar c)
{
    return isKeyStart(c) || (c >= u'0' && c <= u'9');
}

bool isValidKey(QStringView key)
{
    if (key.isEmpty() || !isKeyStart(key.front()))
        return false;
    for (QChar c : key) {
        if (!isKeyCharacter(c))
            return false;
    }
    return true;
}

// The value of one shell-style assignment, with its quoting removed. Unquoted white space at
// the end is dropped.
QString unquotedValue(QStringView raw)
{
    enum class Quoting { none, single, twice };
    Quoting quoting = Quoting::none;
    QString value;
    qsizetype keptLength = 0; // everything but unquoted trailing white space
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        switch (quoting) {
        case Quoting::none:
            if (c == u'"') {
                quoting = Quoting::twice;
            } else if (c == u'\'') {
                quoting = Quoting::single;
            } else if (c == u'\\') {
                if (i + 1 < raw.size()) {
                    value.append(raw[++i]);
                    keptLength = value.size();
                }
            } else {
                value.append(c);
                if (!c.isSpace())
                    keptLength = value.size();
            }
            break;
        case Quoting::single:
            if (c == u'\'')
                quoting = Quoting::none;
            else
                value.append(c);
            keptLength = value.size();
            break;
        case Quoting::twice:
            if (c == u'"') {
                quoting = Quoting::none;
            } else if (c == u'\\' && i + 1 < raw.size()
                       && QStringView(u"\"\\`$").contains(raw[i + 1])) {
                value.append(raw[++i]);
            } else if (c != u'\\' || i + 1 < raw.size()) {
                // A backslash before any other character stays; one at the end of the line
                // would continue it, which these one-line files do not do.
                value.append(c);
            }
            keptLength = value.size();
            break;
        }
    }
    value.truncate(keptLength);
    return value;
}

} // namespace

QString unknownModelText()
{
    return QCoreApplication::translate("DeviceInfo", "Unknown");
}

QString systemValueText(const QByteArray &bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.first(zero));
}

std::optional<QString> buildFromVersionText(const QString &versionText)
{
    static const QString marker = QStringLiteral("Build ");
    const qsizetype start = versionText.indexOf(marker);
    if (start < 0)
        return std::nullopt;
    const qsizetype from = start + marker.size();
    const qsizetype end = versionText.indexOf(u')', from);
    const QString build = versionText.mid(from, end < 0 ? -1 : end - from);
    if (build.isEmpty())
        return std::nullopt;
    return build;
}

QString threePartVersion(const QString &version)
{
    const QStringList parts = version.split(u'.');
    QStringList numbers;
    for (qsizetype i = 0; i < 3; ++i) {
        bool ok = false;
        const int number = i < parts.size() ? parts[i].toInt(&ok) : 0;
        numbers.append(QString::number(ok && number >= 0 ? number : 0));
    }
    return numbers.join(u'.');
}

QHash<QString, QString> parseAssignments(const QByteArray &contents)
{
    QHash<QString, QString> assignments;
    const QStringList fileLines = QString::fromUtf8(contents).split(u'\n');
    for (const QString &fileLine : fileLines) {
        const QStringView line = QStringView(fileLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QStringView key = line.first(equals);
        if (!isValidKey(key))
            continue;
        assignments.insert(key.toString(), unquotedValue(line.sliced(equals + 1)));
    }
    return assignments;
}

std::optional<QString> cpuModelName(const QByteArray &cpuInfo)
{
    const QStringList fileLines = QString::fromUtf8(cpuInfo).split(u'\n');
    for (const QString &line : fileLines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || QStringView(line).first(colon).trimmed() != u"model name")
            continue;
        const QString name = line.sliced(colon + 1).trimmed();
        if (!name.isEmpty())
            return name;
    }
    return std::nullopt;
}

Values valuesFromLinuxInputs(const LinuxInputs &inputs)
{
    Values values;

    const QString prettyHostName
        = parseAssignments(inputs.machineInfo).value(QStringLiteral("PRETTY_HOSTNAME")).trimmed();
    values.deviceName = prettyHostName.isEmpty() ? inputs.hostName : prettyHostName;

    const QString model = systemValueText(inputs.productName).trimmed();
    values.modelIdentifier = model.isEmpty() ? unknownModelText() : model;

    values.chip = cpuModelName(inputs.cpuInfo);

    const QHash<QString, QString> osRelease = parseAssignments(inputs.osRelease);
    values.osName = osRelease.value(QStringLiteral("PRETTY_NAME")).trimmed();
    if (values.osName.isEmpty())
        values.osName = osRelease.value(QStringLiteral("NAME")).trimmed();
    if (values.osName.isEmpty())
        values.osName = QStringLiteral("Linux");

    if (!inputs.kernelRelease.isEmpty())
        values.osBuild = inputs.kernelRelease;
    return values;
}

LinuxInputs readLinuxInputs(const LinuxSources &sources)
{
    LinuxInputs inputs;
    inputs.machineInfo = readRegularFile(sources.machineInfoFile);
    inputs.productName = readRegularFile(sources.productNameFile);
    inputs.cpuInfo = readRegularFile(sources.cpuInfoFile);
    for (const QString &path : sources.osReleaseFiles) {
        inputs.osRelease = readRegularFile(path);
        if (!inputs.osRelease.isEmpty())
            break;
    }
    struct utsname system = {};
    if (::uname(&system) == 0) {
        inputs.hostName = systemValueText(QByteArray(system.nodename, sizeof system.nodename));
        inputs.kernelRelease = systemValueText(QByteArray(system.release, sizeof system.release));
    }
    return inputs;
}

Values current()
{
    return current(LinuxSources{});
}

Values current(const LinuxSources &sources)
{
    return valuesFromLinuxInputs(readLinuxInputs(sources));
}

QStringList lines(const Values &values)
{
    QString second = values.modelIdentifier;
    if (values.chip && !values.chip->isEmpty())
        second += u'(' + *values.chip + u')';
    second += QStringLiteral(" / ") + values.osName;
    if (!values.osVersion.isEmpty())
        second += u' ' + values.osVersion;
    if (values.osBuild && !values.osBuild->isEmpty())
        second += QStringLiteral(" (") + *values.osBuild + u')';
    return {values.deviceName, second};
}

} // namespace qm::DeviceInfo

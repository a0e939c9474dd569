#include "freespace/MountInfo.h"

#include "records/NameText.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSocketNotifier>

#include <algorithm>
#include <iterator>
#include <optional>

namespace qm {

namespace {

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// Undoes the kernel's escapes: a backslash and three octal digits stand for one byte.
QByteArray unescapedField(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1])
            && isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3])) {
            const int value
                = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0377) {
                bytes.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return bytes;
}

QString decodedField(QByteArrayView field)
{
    return QFile::decodeName(unescapedField(field));
}

QStringList decodedOptions(QByteArrayView field)
{
    return decodedField(field).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

std::optional<MountEntry> parseLine(const QByteArray &line)
{
    QList<QByteArray> fields = line.split(' ');
    fields.removeAll(QByteArray());
    // Six fixed fields, the optional fields up to "-", then type and source (and options).
    const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
    if (fields.size() < 6 || separator < 0 || separator + 2 >= fields.size())
        return std::nullopt;
    MountEntry mount;
    bool idOk = false;
    bool parentOk = false;
    mount.mountId = fields[0].toInt(&idOk);
    mount.parentId = fields[1].toInt(&parentOk);
    if (!idOk || !parentOk)
        return std::nullopt;
    mount.device = decodedField(fields[2]);
    mount.root = decodedField(fields[3]);
    const QByteArray mountPoint = unescapedField(fields[4]);
    mount.mountPoint = nameText(mountPoint);
    if (!isTextName(mountPoint))
        mount.mountPointBytes = mountPoint;
    mount.mountOptions = decodedOptions(fields[5]);
    mount.fileSystemType = decodedField(fields[separator + 1]);
    mount.source = decodedField(fields[separator + 2]);
    if (separator + 3 < fields.size())
        mount.superOptions = decodedOptions(fields[separator + 3]);
    return mount;
}

bool isUnderExternalFolder(const QString &mountPoint)
{
    static const QLatin1String folders[]
        = {QLatin1String("/media/"), QLatin1String("/run/media/"), QLatin1String("/mnt/")};
    return std::any_of(std::begin(folders), std::end(folders), [&mountPoint](QLatin1String f) {
        return mountPoint.startsWith(f) && mountPoint.size() > f.size();
    });
}

// A path (of a device, of a folder) with its links resolved, as the mount table and the label
// links name them; a path that does not exist is only cleaned.
QString resolvedPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// udev names the links after the label with every unusual byte written as "\xHH".
QString decodedLinkName(const QString &fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const int high = hexDigitValue(name[i + 2]);
            const int low = hexDigitValue(name[i + 3]);
            if (high >= 0 && low >= 0) {
                bytes.append(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        bytes.append(name[i]);
    }
    return QFile::decodeName(bytes);
}

} // namespace

bool MountEntry::isReadOnly() const
{
    const QString readOnly = QStringLiteral("ro");
    return mountOptions.contains(readOnly) || superOptions.contains(readOnly);
}

QList<MountEntry> parseMountInfo(QByteArrayView text)
{
    QList<MountEntry> mounts;
    const QList<QByteArray> lines = text.toByteArray().split('\n');
    for (const QByteArray &line : lines) {
        if (std::optional<MountEntry> mount = parseLine(line))
            mounts.append(std::move(*mount));
    }
    return mounts;
}

Result<QList<MountEntry>> readMountInfo(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{QStringLiteral("%1 could not be read: %2").arg(path, file.errorString())};
    // The file reports no size; readAll reads until its end.
    return parseMountInfo(file.readAll());
}

const MountEntry *mountAt(const QList<MountEntry> &mounts, const QString &mountPoint)
{
    const MountEntry *found = nullptr;
    for (const MountEntry &mount : mounts) {
        if (mount.mountPoint == mountPoint)
            found = &mount;
    }
    return found;
}

const MountEntry *mountHolding(const QList<MountEntry> &mounts, const QString &path)
{
    const MountEntry *holding = nullptr;
    for (const MountEntry &mount : mounts) {
        const QString &point = mount.mountPoint;
        const bool holds = point == path || point == QLatin1String("/")
                           || (path.startsWith(point) && path.size() > point.size()
                               && path.at(point.size()) == QLatin1Char('/'));
        if (holds && (!holding || point.size() >= holding->mountPoint.size()))
            holding = &mount;
    }
    return holding;
}

const MountEntry *separateSystemMount(const QList<MountEntry> &mounts, const QString &home)
{
    if (home.isEmpty())
        return nullptr;
    const MountEntry *root = mountHolding(mounts, QStringLiteral("/"));
    const MountEntry *homeMount = mountHolding(mounts, resolvedPath(home));
    if (!root || !homeMount || root->mountPoint != QLatin1String("/")
        || homeMount->device == root->device)
        return nullptr;
    return root;
}

QList<MountEntry> externalVolumeMounts(const QList<MountEntry> &mounts, const QString &home)
{
    // The root volume is the last mount on "/" (a later mount hides an earlier one).
    const MountEntry *root = nullptr;
    for (const MountEntry &mount : mounts) {
        if (mount.mountPoint == QLatin1String("/"))
            root = &mount;
    }
    QString homeDevice;
    if (!home.isEmpty()) {
        if (const MountEntry *holding = mountHolding(mounts, resolvedPath(home)))
            homeDevice = holding->device;
    }
    QList<MountEntry> external;
    QSet<QString> devices;
    for (const MountEntry &mount : mounts) {
        if (!mount.source.startsWith(QLatin1String("/dev/"))
            || mount.source.startsWith(QLatin1String("/dev/loop")))
            continue;
        if (!isUnderExternalFolder(mount.mountPoint))
            continue;
        if (root && (mount.device == root->device || mount.source == root->source))
            continue;
        if (!homeDevice.isEmpty() && mount.device == homeDevice)
            continue;
        if (devices.contains(mount.device))
            continue;
        devices.insert(mount.device);
        external.append(mount);
    }
    return external;
}

QHash<QString, QString> volumeLabels(const QString &byLabelFolder)
{
    QHash<QString, QString> labels;
    const QFileInfoList links
        = QDir(byLabelFolder)
              .entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDir::Name);
    for (const QFileInfo &link : links) {
        if (!link.isSymLink())
            continue;
        const QString label = decodedLinkName(link.fileName());
        if (!label.isEmpty())
            labels.insert(resolvedPath(link.symLinkTarget()), label);
    }
    return labels;
}

QString volumeName(const MountEntry &mount, const QHash<QString, QString> &labels)
{
    const QString label = labels.value(resolvedPath(mount.source));
    if (!label.isEmpty())
        return label;
    const QString last = mount.mountPoint.section(QLatin1Char('/'), -1);
    return last.isEmpty() ? mount.mountPoint : last;
}

MountChangeWatcher::MountChangeWatcher(const QString &path, QObject *parent)
    : QObject(parent)
    , m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    m_notifier = new QSocketNotifier(m_file.handle(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MountChangeWatcher::handleEvent);
}

MountChangeWatcher::~MountChangeWatcher()
{
    // The notifier goes before the file closes its descriptor.
    delete m_notifier;
}

void MountChangeWatcher::handleEvent()
{
    // Reading the table to its end takes note of the change, so the next one is reported anew.
    m_file.seek(0);
    m_file.readAll();
    Q_EMIT mountsChanged();
}

} // namespace qm

#include "platform/DeviceInfo.h"
#include "support/TestEnvironment.h"

#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using DeviceInfo::Values;

namespace {

QByteArray recorded(const char *name)
{
    const QByteArray bytes
        = test::readFile(QStringLiteral(QUILLMERE_TEST_DATA_DIR "/") + QString::fromLatin1(name));
    EXPECT_FALSE(bytes.isEmpty()) << "missing recorded input " << name;
    return bytes;
}

std::optional<QString> text(const char *value)
{
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

} // namespace

TEST(DeviceInfo, SecondLine)
{
    struct Row
    {
        const char *name;
        const char *chip;
        const char *osName;
        const char *osVersion;
        const char *build;
        const char *expected;
    };
    const Row rows[] = {
        {"everything",
         "Apple M1 Pro",
         "macOS",
         "15.1.0",
         "24B83",
         "MacBookPro18,3(Apple M1 Pro) / macOS 15.1.0 (24B83)"},
        {"no chip", nullptr, "macOS", "15.1.0", "24B83", "MacBookPro18,3 / macOS 15.1.0 (24B83)"},
        {"empty chip", "", "macOS", "15.1.0", "24B83", "MacBookPro18,3 / macOS 15.1.0 (24B83)"},
        {"no build",
         "Apple M1 Pro",
         "macOS",
         "15.1.0",
         nullptr,
         "MacBookPro18,3(Apple M1 Pro) / macOS 15.1.0"},
        {"empty build", nullptr, "macOS", "15.1.0", "", "MacBookPro18,3 / macOS 15.1.0"},
        {"system name carries the version",
         "AMD Ryzen 7 7840U",
         "Fedora Linux 41 (Workstation Edition)",
         "",
         "6.11.4-301.fc41.x86_64",
         "MacBookPro18,3(AMD Ryzen 7 7840U) / Fedora Linux 41 (Workstation Edition) "
         "(6.11.4-301.fc41.x86_64)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Values values{QStringLiteral("Anna’s Mac"),
                            QStringLiteral("MacBookPro18,3"),
                            text(row.chip),
                            QString::fromUtf8(row.osName),
                            QString::fromUtf8(row.osVersion),
                            text(row.build)};
        EXPECT_EQ(DeviceInfo::lines(values),
                  QStringList({QStringLiteral("Anna’s Mac"), QString::fromUtf8(row.expected)}));
    }
}

TEST(DeviceInfo, VersionAndBuildTexts)
{
    struct BuildRow
    {
        const char *versionText;
        const char *expected;
    };
    const BuildRow buildRows[] = {
        {"Version 15.1 (Build 24B83)", "24B83"},
        {"Version 15.1", nullptr},
        {"Version 15.1 (Build 24B83", "24B83"},
        {"Version 15.1 (Build )", nullptr},
        {"Version 15.1 (Build 24B83) (Build 99Z9)", "24B83"},
    };
    for (const BuildRow &row : buildRows) {
        SCOPED_TRACE(row.versionText);
        EXPECT_EQ(DeviceInfo::buildFromVersionText(QString::fromUtf8(row.versionText)),
                  text(row.expected));
    }

    const std::pair<const char *, const char *> versionRows[] = {
        {"15.1", "15.1.0"},
        {"14.7.1", "14.7.1"},
        {"26", "26.0.0"},
        {"10.15.7.1", "10.15.7"},
    };
    for (const auto &[version, expected] : versionRows) {
        EXPECT_EQ(DeviceInfo::threePartVersion(QString::fromUtf8(version)),
                  QString::fromUtf8(expected))
            << version;
    }
}

TEST(DeviceInfo, SystemValueIsCutAtTheFirstZeroByte)
{
    EXPECT_EQ(DeviceInfo::systemValueText(QByteArray("MacBookPro18,3\0\0\0", 17)),
              QStringLiteral("MacBookPro18,3"));
    EXPECT_EQ(DeviceInfo::systemValueText(QByteArray("Apple M1\0Pro", 12)),
              QStringLiteral("Apple M1"));
    EXPECT_EQ(DeviceInfo::systemValueText(QByteArray("Caf\xc3\xa9 \xff")),
              QStringLiteral("Café \uFFFD"));
    EXPECT_EQ(DeviceInfo::systemValueText(QByteArray("\0MacBookPro18,3", 15)), QString());
}

TEST(DeviceInfo, OsReleaseQuotingAndEscapes)
{
    const QHash<QString, QString> values
        = DeviceInfo::parseAssignments(recorded("deviceinfo-os-release-escapes.txt"));
    const QHash<QString, QString> expected{
        {QStringLiteral("PRETTY_NAME"),
         QStringLiteral("Quill \"Nightly\" 3.1 \\ `edge` $HOME \\q")},
        {QStringLiteral("NAME"), QStringLiteral("Quill $OS")},
        {QStringLiteral("VERSION"), QStringLiteral("3.1 beta's")},
        {QStringLiteral("VARIANT"), QStringLiteral("Workstation Edition")},
        {QStringLiteral("EMPTY"), QString()},
    };
    EXPECT_EQ(values, expected);

    const QHash<QString, QString> ubuntu
        = DeviceInfo::parseAssignments(recorded("deviceinfo-os-release-ubuntu.txt"));
    EXPECT_EQ(ubuntu.value(QStringLiteral("PRETTY_NAME")), QStringLiteral("Ubuntu 24.04.1 LTS"));
    EXPECT_EQ(ubuntu.value(QStringLiteral("VERSION_CODENAME")), QStringLiteral("noble"));
}

TEST(DeviceInfo, CpuModelName)
{
    EXPECT_EQ(DeviceInfo::cpuModelName(recorded("deviceinfo-cpuinfo-x86.txt")),
              QStringLiteral("11th Gen Intel(R) Core(TM) i7-1185G7 @ 3.00GHz"));
    // Most ARM kernels give no "model name"; the board's "Model" is not a processor name.
    EXPECT_EQ(DeviceInfo::cpuModelName(recorded("deviceinfo-cpuinfo-aarch64.txt")), std::nullopt);
    EXPECT_EQ(DeviceInfo::cpuModelName("processor\t: 0\nmodel name\t:\n\nprocessor\t: 1\n"
                                       "model name\t: Cortex-A76\n"),
              QStringLiteral("Cortex-A76"));
}

TEST(DeviceInfo, ValuesFromLinuxInputs)
{
    struct Row
    {
        const char *name;
        DeviceInfo::LinuxInputs inputs;
        Values expected;
    };
    const Row rows[] = {
        {"laptop with everything",
         {recorded("deviceinfo-machine-info.txt"),
          recorded("deviceinfo-product-name.txt"),
          recorded("deviceinfo-cpuinfo-x86.txt"),
          recorded("deviceinfo-os-release-ubuntu.txt"),
          QStringLiteral("anna-xps"),
          QStringLiteral("6.8.0-45-generic")},
         {QStringLiteral("Anna's ThinkPad"),
          QStringLiteral("XPS 13 9310"),
          QStringLiteral("11th Gen Intel(R) Core(TM) i7-1185G7 @ 3.00GHz"),
          QStringLiteral("Ubuntu 24.04.1 LTS"),
          QString(),
          QStringLiteral("6.8.0-45-generic")}},
        {"product name cut at a zero byte, no pretty host name, NAME only",
         {"ICON_NAME=computer-laptop\n",
          recorded("deviceinfo-product-name-nul.bin"),
          recorded("deviceinfo-cpuinfo-aarch64.txt"),
          "NAME=\"Arch Linux\"\nID=arch\n",
          QStringLiteral("pi"),
          QStringLiteral("6.6.51+rpt-rpi-v8")},
         {QStringLiteral("pi"),
          QStringLiteral("ThinkPad X1 Carbon Gen 9"),
          std::nullopt,
          QStringLiteral("Arch Linux"),
          QString(),
          QStringLiteral("6.6.51+rpt-rpi-v8")}},
        {"nothing readable",
         {{}, {}, {}, {}, QStringLiteral("localhost"), QString()},
         {QStringLiteral("localhost"),
          QStringLiteral("Unknown"),
          std::nullopt,
          QStringLiteral("Linux"),
          QString(),
          std::nullopt}},
        {"blank product name",
         {{},
          "\n",
          {},
          "PRETTY_NAME=\"\"\nNAME=Debian\n",
          QStringLiteral("box"),
          QStringLiteral("6.1.0")},
         {QStringLiteral("box"),
          QStringLiteral("Unknown"),
          std::nullopt,
          QStringLiteral("Debian"),
          QString(),
          QStringLiteral("6.1.0")}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Values values = DeviceInfo::valuesFromLinuxInputs(row.inputs);
        EXPECT_EQ(values, row.expected) << DeviceInfo::lines(values).join(u'|').toStdString();
    }
}

TEST(DeviceInfo, ReadsTheGivenFilesAndUname)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto place = [&dir](const char *name, const char *recordedName) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(test::writeFile(path, recorded(recordedName)));
        return path;
    };
    DeviceInfo::LinuxSources sources;
    sources.machineInfoFile = dir.filePath(QStringLiteral("no-machine-info"));
    sources.productNameFile = dir.filePath(QStringLiteral("dmi/id/product_name")); // missing
    sources.cpuInfoFile = place("cpuinfo", "deviceinfo-cpuinfo-x86.txt");
    sources.osReleaseFiles = {dir.filePath(QStringLiteral("etc/os-release")), // missing
                              place("usr-lib-os-release", "deviceinfo-os-release-ubuntu.txt")};

    const Values values = DeviceInfo::current(sources);
    EXPECT_EQ(values.deviceName, QSysInfo::machineHostName());
    EXPECT_EQ(values.modelIdentifier, QStringLiteral("Unknown"));
    EXPECT_EQ(values.chip, QStringLiteral("11th Gen Intel(R) Core(TM) i7-1185G7 @ 3.00GHz"));
    EXPECT_EQ(values.osName, QStringLiteral("Ubuntu 24.04.1 LTS"));
    EXPECT_EQ(values.osBuild, QSysInfo::kernelVersion());
    EXPECT_EQ(DeviceInfo::lines(values).value(1),
              QStringLiteral("Unknown(11th Gen Intel(R) Core(TM) i7-1185G7 @ 3.00GHz) / Ubuntu "
                             "24.04.1 LTS (%1)")
                  .arg(QSysInfo::kernelVersion()));

    // A machine-info file names the machine the way the user chose.
    sources.machineInfoFile = place("machine-info", "deviceinfo-machine-info.txt");
    EXPECT_EQ(DeviceInfo::current(sources).deviceName, QStringLiteral("Anna's ThinkPad"));
}

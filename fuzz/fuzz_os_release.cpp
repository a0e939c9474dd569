// The system files read for the device description: os-release and machine-info assignments,
// cpuinfo, the DMI product name and version texts.
#include "FuzzInput.h"

#include "platform/DeviceInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    namespace DeviceInfo = qm::DeviceInfo;
    const QByteArray bytes = qm::fuzz::bytesOf(data, size);
    (void)DeviceInfo::parseAssignments(bytes);
    const QString text = DeviceInfo::systemValueText(bytes);
    (void)DeviceInfo::buildFromVersionText(text);
    (void)DeviceInfo::threePartVersion(text);
    DeviceInfo::LinuxInputs inputs;
    inputs.machineInfo = bytes;
    inputs.productName = bytes;
    inputs.cpuInfo = bytes;
    inputs.osRelease = bytes;
    inputs.kernelRelease = text;
    qm::fuzz::require(DeviceInfo::lines(DeviceInfo::valuesFromLinuxInputs(inputs)).size() == 2);
    return 0;
}

#include "platform/PlatformProfile.h"

namespace qm {

const PlatformProfile &currentProfile()
{
    return macosProfile();
}

} // namespace qm

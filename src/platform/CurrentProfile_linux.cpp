#include "platform/PlatformProfile.h"

namespace qm {

const PlatformProfile &currentProfile()
{
    return linuxProfile();
}

} // namespace qm

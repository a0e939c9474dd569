#include "platform/Updates.h"

namespace qm {

// Distribution packages update the program on Linux.
std::shared_ptr<Updating> platformUpdater()
{
    return nullptr;
}

} // namespace qm

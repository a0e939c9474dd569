#include "platform/LoginItem.h"

namespace qm {

std::shared_ptr<LoginItemService> platformLoginItemService(const QString &programPath)
{
    return std::make_shared<XdgAutostartLoginItem>(programPath);
}

} // namespace qm

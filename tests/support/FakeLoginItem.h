#pragma once

#include "platform/LoginItem.h"

#include <optional>

namespace qm::test {

// A login item whose state the test sets; a change fails with `failure` when that is set.
class FakeLoginItem : public LoginItemService
{
public:
    LoginItemStatus state = LoginItemStatus::notRegistered;
    std::optional<QString> failure;
    // What a successful registration leads to (the system may ask for approval first).
    LoginItemStatus afterRegistering = LoginItemStatus::enabled;

    LoginItemStatus status() const override { return state; }
    Status registerItem() override { return change(afterRegistering); }
    Status unregisterItem() override { return change(LoginItemStatus::notRegistered); }

private:
    Status change(LoginItemStatus next)
    {
        if (failure)
            return Error{*failure};
        state = next;
        return {};
    }
};

} // namespace qm::test

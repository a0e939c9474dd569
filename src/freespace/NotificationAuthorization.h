#pragma once

namespace qm {

// Permission to post notifications: never asked, refused, or granted.
enum class NotificationAuthorization { notDetermined, denied, authorized };

} // namespace qm

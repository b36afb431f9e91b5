#pragma once
// A notice on the desktop (the freedesktop notification service on the session bus), for
// news the user may have missed while working in another window. Where no service runs,
// nothing is shown and nothing waits.

#include <QString>

namespace kav {

// Asks the notification service to show `summary` and `body` under the program's name.
// Returns at once; false when the request could not even be sent (no session bus, no
// D-Bus client on this machine).
bool showDesktopNotice(const QString &summary, const QString &body);

// The GVariant text of one string argument, as the D-Bus client reads it.
QString gvariantString(const QString &text);

} // namespace kav

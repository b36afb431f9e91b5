#pragma once

#include <functional>

namespace kavtest {

// Processes Qt events until pred() holds or timeoutMs has passed; returns
// whether pred() held.
bool waitUntil(const std::function<bool()> &pred, int timeoutMs);

} // namespace kavtest

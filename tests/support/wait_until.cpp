#include "wait_until.h"

#include <QTest>

namespace kavtest {

bool waitUntil(const std::function<bool()> &pred, int timeoutMs)
{
    return QTest::qWaitFor(pred, timeoutMs);
}

} // namespace kavtest

#pragma once
// Checks that only mean something without root rights (permissions stop an
// ordinary user, not root). CI runs as root, so such a check runs as an
// ordinary user there, never as a skip.

#include <QString>
#include <functional>

namespace kavtest {

// Runs `check` as the unprivileged user "nobody" (65534) in a forked child
// when this process is root, after handing `dir` and its files to that user;
// otherwise runs it here. Returns the check's result, or -1 when the child
// could not be made or ended abnormally.
int runUnprivileged(const QString &dir, const std::function<int()> &check);

// For a check that needs the whole window machinery, which a forked copy of a
// running Qt program cannot be trusted with: runs this test executable afresh
// as "nobody", with only the named test. Returns its exit status (0: passed),
// or -1. Call it only as root; the fresh run, not root, runs the check itself.
int rerunUnprivileged(const char *testName);

} // namespace kavtest

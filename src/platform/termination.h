#pragma once
// Termination requests from the system (SIGTERM at logout or shutdown, SIGINT
// from a terminal) delivered as an ordinary event on the UI thread, so the
// program can close its main window the usual way and save what it must.

#include <functional>

namespace kav::termination {

// Installs handlers for SIGTERM and SIGINT. Each signal later calls onRequest
// (with the signal number) from the event loop. Call once, after the
// QApplication exists. Returns false when the handlers could not be installed.
bool install(std::function<void(int signal)> onRequest);

// Ends the process at once with `code`, without running anything more (a
// second request while closing: the system is about to kill the program).
[[noreturn]] void exitNow(int code);

} // namespace kav::termination

#pragma once
// Wires the host pane's file and directory commands into the main window.

namespace kav {

class HostFileOps;
class TMainForm;

// Connects the commands' menu items and tells them what other work of the window to wait for.
void wireHostFileOps(TMainForm &window, HostFileOps &ops);

} // namespace kav

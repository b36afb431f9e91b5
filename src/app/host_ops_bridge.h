#pragma once
// Wires the host pane's file and directory commands into the main window.

namespace kav {

class HostFileOps;
class TMainForm;

// Builds the commands (owned by the window) and connects their menu items and keys.
HostFileOps *createHostFileOps(TMainForm &window);

} // namespace kav

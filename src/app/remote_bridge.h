#pragma once
// Between the main window and the host file commands that open a host file in
// place (view, print, edit, hex view): builds them on the window's session,
// panes and windows, and connects the host file menu's items to them.

namespace kav {

class RemoteFileOps;
class TMainForm;

// The commands are owned by the window.
RemoteFileOps *createRemoteFileOps(TMainForm &window);

} // namespace kav

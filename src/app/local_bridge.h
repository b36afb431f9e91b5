#pragma once
// Between the main window and the local pane: builds the pane's controller on
// the window's controls and connects the local buttons and menu items to it.

#include <QString>

namespace kav {

class LocalPane;
class TMainForm;
class TViewForm;

// The controller is owned by the window.
LocalPane *createLocalPane(TMainForm &window, TViewForm *viewer);

// The local start directory of the connected profile becomes the tree's
// directory (only while connected, with a host directory shown, and for a
// profile of the host list); its use-last-path option goes off and it is saved.
void storeLocalStartPath(TMainForm &window, const QString &directory);

} // namespace kav

#pragma once
// Between the main window and the local pane: builds the pane's controller on
// the window's controls and connects the local buttons and menu items to it.

namespace kav {

class LocalPane;
class TMainForm;
class TViewForm;

// The controller is owned by the window.
LocalPane *createLocalPane(TMainForm &window, TViewForm *viewer);

} // namespace kav

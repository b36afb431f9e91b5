#pragma once
// The main window's controls placed in layouts, so that the panes and their lists
// grow with the window while the button rows keep their sizes.

class QWidget;
namespace Ui {
class TMainForm;
}

namespace kav {

// Puts the controls of the form (created by setupUi at their design places) into
// layouts that reproduce the design at 697 x 562 and stretch the two panes and the
// message list with the window.
void layOutMainWindow(QWidget &window, Ui::TMainForm &ui);

} // namespace kav

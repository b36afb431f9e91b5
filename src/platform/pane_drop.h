#pragma once
// Dragging the selection of one pane's file list onto the other's.

#include <functional>

class QEvent;
class QWidget;

namespace kav {

// Handles the drag-enter, drag-move and drop events of a list that accepts
// drags only from `source` (or a widget inside it); `onDrop` runs for an
// accepted drop. Returns true when the event was one of these three.
bool handlePaneDrop(QEvent *event, const QWidget *source, const std::function<void()> &onDrop);

} // namespace kav

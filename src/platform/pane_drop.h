#pragma once
// Dragging the selection of one pane's file list onto the other's, and files
// dropped from the desktop.

#include <QStringList>

#include <functional>

class QEvent;
class QMimeData;
class QWidget;

namespace kav {

// Handles the drag-enter, drag-move and drop events of a list that accepts
// drags only from `source` (or a widget inside it); `onDrop` runs for an
// accepted drop. Returns true when the event was one of these three.
bool handlePaneDrop(QEvent *event, const QWidget *source, const std::function<void()> &onDrop);

// The local files named by a drop (text/uri-list), in drop order, as local paths
// (local_path.h: a name that is not UTF-8, which file managers send
// percent-escaped byte by byte, keeps its bytes); other URLs are left out.
QStringList droppedLocalPaths(const QMimeData *data);

} // namespace kav

#include "pane_drop.h"

#include <QDropEvent>
#include <QWidget>

namespace kav {

bool handlePaneDrop(QEvent *event, const QWidget *source, const std::function<void()> &onDrop)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    const auto *from = qobject_cast<const QWidget *>(drop->source());
    const bool accepted = source && from && (from == source || source->isAncestorOf(from));
    if (!accepted) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop && onDrop)
        onDrop();
    return true;
}

} // namespace kav

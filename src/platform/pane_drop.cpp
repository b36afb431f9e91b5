#include "pane_drop.h"

#include "local_path.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
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

QStringList droppedLocalPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            paths << localpath::fromUrl(url);
    return paths;
}

} // namespace kav

#include "list_window.h"

#include "lists_host.h"

#include "platform/local_path.h"
#include "platform/window_stacking.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace kav {

LocalPlace placeOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {localpath::currentDirectory(), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

ListWindow::ListWindow(SavedListsHost &host, const QString &caption, QWidget *parent)
    : QDialog(parent, secondaryWindowFlags()),
      host(host)
{
    setWindowTitle(caption);
    setSizeGripEnabled(true);
}

QPushButton *ListWindow::addCommand(QVBoxLayout *panel, QMenu *menu, const QString &name, const QString &caption,
                                    const QString &hint, QAction **menuItem)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    panel->addWidget(button);
    if (menu && menuItem) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(QStringLiteral("N_") + name.mid(3));
        connect(item, &QAction::triggered, button, &QPushButton::click);
        *menuItem = item;
    }
    return button;
}

void ListWindow::showEvent(QShowEvent *event)
{
    // The window comes back where the user left it.
    if (placed)
        move(place);
    QDialog::showEvent(event);
    setAcceptDrops(takesDrops);
}

void ListWindow::done(int result)
{
    place = pos();
    placed = true;
    setAcceptDrops(false);
    closing();
    if (hidesMainWindow)
        host.showMainWindow();
    host.restoreStayOnTop();
    QDialog::done(result);
}

void ListWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (takesDrops && !droppedLocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void ListWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (takesDrops && !droppedLocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void ListWindow::dropEvent(QDropEvent *event)
{
    // Accepted only while the window is shown.
    if (!takesDrops || !isVisible())
        return;
    const QStringList paths = droppedLocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    filesDropped(paths);
}

} // namespace kav

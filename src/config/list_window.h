#pragma once
// What the saved-list and search windows share: a dialog that keeps its size
// in the configuration and its place between openings, buttons with their
// pop-up menu twins, local files dropped from the desktop's file manager, and
// the return of the main window when it closes.

#include "config/configuration.h"
#include "platform/pane_drop.h"
#include "platform/window_placement.h"

#include <QDialog>
#include <QStringList>

class QAction;
class QMenu;
class QMimeData;
class QPushButton;
class QVBoxLayout;

namespace kav {

class SavedListsHost;

// The directory and the name of a local file's path (a relative one is taken
// from the current directory), whatever the bytes of either.
struct LocalPlace {
    QString directory, name;
};
LocalPlace placeOf(const QString &path);

class ListWindow : public QDialog, public WindowSizeHolder {
    Q_OBJECT
public:
    ListWindow(SavedListsHost &host, const QString &caption, QWidget *parent);

    // WindowSizeHolder
    QSize windowSize() const override { return sizeToKeep(this); }
    void setWindowSize(const QSize &size) override { resize(size); }
    bool sizeSavable() const override { return !isMinimized() && !isMaximized(); }

    // Closing: whatever closes the window (button, Escape, close box) ends here.
    void done(int result) override;

protected:
    // A button on the control panel and its twin in the pop-up menu.
    QPushButton *addCommand(QVBoxLayout *panel, QMenu *menu, const QString &name, const QString &caption,
                            const QString &hint, QAction **menuItem);
    // Files dropped from the desktop; only windows that take drops override it.
    virtual void filesDropped(const QStringList &paths) { (void)paths; }
    void setTakesDrops(bool on) { takesDrops = on; }
    // Work of FormCloseQuery beyond the common part.
    virtual void closing() {}
    bool hidesMainWindow = true;

    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    SavedListsHost &host;

private:
    bool takesDrops = false;
    QPoint place;
    bool placed = false;
};

} // namespace kav

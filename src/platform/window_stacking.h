#pragma once
// Every secondary window and every modal dialog of the program passes through one place
// when it shows: the main window's event watcher below. A main window kept on top would
// cover them, and a modal one hidden beneath it blocks the program while looking frozen.
// So, while any of them shows:
//   - the main window leaves the top layer, and takes it back (as its check mark says)
//     when the last of them has gone;
//   - each belongs to the main window (transient for it), so that the window manager keeps
//     it above the main window and on its desktop;
//   - each is fitted onto the screen that shows it.
// A window of another program (the manual in a browser) cannot be watched: the main window
// leaves the top layer when it is opened and takes it back when the user returns to it.
//
// Windows that should stack above the main window are dialog windows to the window system
// (secondaryWindowFlags): plain top-level windows carry no owner on X11.

#include <QObject>
#include <QPointer>
#include <QVector>
#include <functional>

class QWidget;

namespace kav {

// The flags of a secondary window that the user may resize, minimize and maximize.
Qt::WindowFlags secondaryWindowFlags();

class WindowStacking : public QObject {
public:
    // `keepOnTop(on)` puts the main window in or out of the top layer; `wanted()` tells
    // whether the user asked for it to be on top.
    WindowStacking(QWidget &mainWindow, std::function<void(bool)> keepOnTop, std::function<bool()> wanted);
    ~WindowStacking() override;

    // How many of the program's other windows show now.
    int showing() const;
    // A window of another program opens for the user (the manual).
    void outsideWindowOpened();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isSecondary(const QWidget *w) const;
    void shown(QWidget *w);
    void gone(QWidget *w);

    QWidget &main;
    std::function<void(bool)> keepOnTop;
    std::function<bool()> wanted;
    QVector<QPointer<QWidget>> windows;
    bool awayForOutside = false;   // the top layer was left for another program's window
    bool leftOnce = false;         // ...and the main window has since lost the focus
};

} // namespace kav

#include "window_stacking.h"

#include "window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace kav {

Qt::WindowFlags secondaryWindowFlags()
{
    return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
           | Qt::WindowCloseButtonHint;
}

WindowStacking::WindowStacking(QWidget &mainWindow, std::function<void(bool)> keepOnTop_,
                               std::function<bool()> wanted_)
    : QObject(&mainWindow), main(mainWindow), keepOnTop(std::move(keepOnTop_)), wanted(std::move(wanted_))
{
    qApp->installEventFilter(this);
}

WindowStacking::~WindowStacking()
{
    qApp->removeEventFilter(this);
}

int WindowStacking::showing() const
{
    int n = 0;
    for (const QPointer<QWidget> &w : windows)
        if (w && w->isVisible())
            ++n;
    return n;
}

void WindowStacking::outsideWindowOpened()
{
    awayForOutside = true;
    leftOnce = false;
    keepOnTop(false);
}

bool WindowStacking::isSecondary(const QWidget *w) const
{
    if (w == &main || !w->isWindow())
        return false;
    switch (w->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
    case Qt::SubWindow:
    case Qt::ForeignWindow:
    case Qt::CoverWindow:
        return false;
    default:
        return true;
    }
}

void WindowStacking::shown(QWidget *w)
{
    if (QWindow *native = w->windowHandle()) {
        // A window opened from another secondary window keeps that one as its owner.
        if (!native->transientParent() && main.windowHandle())
            native->setTransientParent(main.windowHandle());
    }
    fitOnScreen(w);
    for (const QPointer<QWidget> &known : windows)
        if (known == w)
            return;
    windows.append(w);
    keepOnTop(false);
}

void WindowStacking::gone(QWidget *w)
{
    const qsizetype before = windows.size();
    windows.removeIf([w](const QPointer<QWidget> &known) { return !known || known == w; });
    if (windows.size() == before)
        return;
    if (showing() == 0 && !awayForOutside)
        keepOnTop(wanted());
}

bool WindowStacking::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            if (isSecondary(w))
                shown(w);
        }
        break;
    case QEvent::Hide:
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())
            gone(static_cast<QWidget *>(watched));
        break;
    case QEvent::WindowDeactivate:
        if (watched == &main && awayForOutside)
            leftOnce = true;
        break;
    case QEvent::WindowActivate:
        // Back from the other program's window: the main window takes its layer again.
        if (watched == &main && awayForOutside && leftOnce) {
            awayForOutside = false;
            if (showing() == 0)
                keepOnTop(wanted());
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kav

#include "window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kav {

namespace {

QRect clampedTo(QRect frame, const QRect &area)
{
    if (frame.right() > area.right())
        frame.moveRight(area.right());
    if (frame.bottom() > area.bottom())
        frame.moveBottom(area.bottom());
    if (frame.left() < area.left())
        frame.moveLeft(area.left());
    if (frame.top() < area.top())
        frame.moveTop(area.top());
    return frame;
}

// Before its first showing a window has no frame yet; the title bar and borders are
// guessed small rather than ignored.
QRect frameOf(const QWidget *window)
{
    QRect frame = window->frameGeometry();
    if (!window->isVisible() || frame.size() == window->size())
        frame = frame.marginsAdded(QMargins(4, 28, 4, 4));
    return frame;
}

// A window's position is its frame's top-left corner.
void moveFrameTo(QWidget *window, const QRect &frame) { window->move(frame.topLeft()); }

} // namespace

void placeOver(QWidget *window, const QWidget *anchor)
{
    const QWidget *over = anchor ? anchor->window() : nullptr;
    QScreen *screen = over ? over->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameOf(window);
    frame.moveCenter(over && over->isVisible() ? over->frameGeometry().center() : area.center());
    moveFrameTo(window, clampedTo(frame, area));
}

void keepOnScreen(QWidget *window)
{
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect frame = frameOf(window);
    const QRect placed = clampedTo(frame, screen->availableGeometry());
    if (placed != frame)
        moveFrameTo(window, placed);
}

void fitOnScreen(QWidget *window)
{
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameOf(window);
    const int extraWidth = frame.width() - window->width();
    const int extraHeight = frame.height() - window->height();
    const QSize fitted(std::max(window->minimumWidth(), std::min(window->width(), area.width() - extraWidth)),
                       std::max(window->minimumHeight(), std::min(window->height(), area.height() - extraHeight)));
    if (fitted != window->size())
        window->resize(fitted);
    keepOnScreen(window);
}

} // namespace kav

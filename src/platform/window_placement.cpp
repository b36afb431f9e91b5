#include "window_placement.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QRect>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QVariant>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kav {

namespace {

const char *const WantedSizeProperty = "kavrinWantedSize";
const char *const FittedSizeProperty = "kavrinFittedSize";

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

// A secondary window whose laid-out contents need more room than the screen has (a large
// scale on a small screen) would have its rows squeezed over one another; its contents move
// into a scroll area instead, once. Windows that arrange themselves (main windows with their
// bars, windows without a layout) are left as they are.
void scrollContentsIfTooLarge(QWidget *window, const QSize &room)
{
    QLayout *layout = window->layout();
    if (!window->parentWidget() || qobject_cast<QMainWindow *>(window)
        || qobject_cast<QScrollArea *>(window->property("kavrinScrollArea").value<QObject *>()))
        return;
    // A window without a layout takes part only when its size is fixed: its controls sit
    // where its designer put them and nothing moves them when the window is resized.
    const bool fixed = !layout && window->minimumSize() == window->maximumSize();
    if (!layout && !fixed)
        return;
    const QSize least = layout ? layout->totalMinimumSize() : window->size();
    if (least.width() <= room.width() && least.height() <= room.height())
        return;
    QScrollArea *scroll = nullptr;
    if (layout) {
        scroll = scrollAreaAround(window, layout);
    } else {
        auto *inner = new QWidget;
        inner->setFixedSize(window->size());
        for (QObject *child : window->children()) {
            auto *w = qobject_cast<QWidget *>(child);
            if (!w || w->isWindow())
                continue;
            const bool shown = !w->isHidden();
            const QRect where = w->geometry();
            w->setParent(inner);
            w->setGeometry(where);
            w->setVisible(shown);
        }
        scroll = scrollAreaAround(window, nullptr);
        scroll->setWidgetResizable(false);
        scroll->setWidget(inner);
    }
    scroll->setObjectName(QStringLiteral("ScrolledWindow"));
    scroll->widget()->setObjectName(QStringLiteral("ScrolledContents"));
    window->setProperty("kavrinScrollArea", QVariant::fromValue<QObject *>(scroll));
    scroll->show();
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
    const QSize room(area.width() - extraWidth, area.height() - extraHeight);
    scrollContentsIfTooLarge(window, room);
    // The size the window had (stored, or chosen by the user) is what it keeps wanting:
    // a small screen or a large scale must not make it small for good. (Lowering a
    // maximum below it below resizes the window at once.)
    const QSize wanted = window->size();
    // A window whose least size is larger than the screen (a wide window at a large scale)
    // is squeezed rather than left with its close button off the screen.
    if (room.width() > 0 && window->minimumWidth() > room.width())
        window->setMinimumWidth(room.width());
    if (room.height() > 0 && window->minimumHeight() > room.height())
        window->setMinimumHeight(room.height());
    // A fixed size larger than the screen lets go as well.
    if (room.width() > 0 && window->maximumWidth() < QWIDGETSIZE_MAX && window->maximumWidth() > room.width())
        window->setMaximumWidth(std::max(room.width(), window->minimumWidth()));
    if (room.height() > 0 && window->maximumHeight() < QWIDGETSIZE_MAX && window->maximumHeight() > room.height())
        window->setMaximumHeight(std::max(room.height(), window->minimumHeight()));
    const QSize fitted(std::max(window->minimumWidth(), std::min(window->width(), room.width())),
                       std::max(window->minimumHeight(), std::min(window->height(), room.height())));
    if (fitted != window->size())
        window->resize(fitted);
    if (window->size() != wanted) {
        window->setProperty(WantedSizeProperty, wanted);
        window->setProperty(FittedSizeProperty, window->size());
    }
    keepOnScreen(window);
}

QScrollArea *scrollAreaAround(QWidget *window, QLayout *layout)
{
    auto *scroll = new QScrollArea(window);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    if (layout) {
        auto *inner = new QWidget;
        inner->setLayout(layout);  // takes the layout and its widgets from the window
        scroll->setWidget(inner);
    }
    auto *outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    return scroll;
}

QSize sizeToKeep(const QWidget *window)
{
    const QSize fitted = window->property(FittedSizeProperty).toSize();
    const QSize wanted = window->property(WantedSizeProperty).toSize();
    if (fitted.isValid() && wanted.isValid() && window->size() == fitted)
        return wanted;
    return window->size();
}

} // namespace kav

#pragma once
// Where a window opens: over the window it came from, and never off the screen.

class QLayout;
class QScrollArea;
class QSize;
class QWidget;

namespace kav {

// Centres `window` (its frame) over `anchor`'s window, or over the screen when there is no
// anchor, then moves it as little as needed to lie wholly on that screen's available area
// (a window larger than the area keeps its top-left corner on it, so the title bar stays
// reachable).
void placeOver(QWidget *window, const QWidget *anchor);

// Moves `window` as little as needed to lie on the available area of the screen it is on.
void keepOnScreen(QWidget *window);

// Shrinks `window` (never below its minimum size) so that it and its frame fit the
// available area of its screen, then keeps it on that screen.
void fitOnScreen(QWidget *window);

// Puts `layout` (with its widgets; the window's own layout when it has one) into a
// frameless scroll area that fills `window`: the contents keep their least size and
// scroll where the window is smaller than that, and fill the window where it is larger.
QScrollArea *scrollAreaAround(QWidget *window, QLayout *layout);

// The size to store for `window`, in device-independent pixels: the size it had before
// fitOnScreen() shrank it, as long as the user has not resized it since; else its size.
QSize sizeToKeep(const QWidget *window);

} // namespace kav

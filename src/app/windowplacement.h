#pragma once

class QSize;
class QWidget;

// Gives a top-level window its place: where it was last left when that is
// still on a screen, else the preferred size, shrunk to the screen's free
// area and centred over the parent's screen, so no part opens off screen.
// name keys the window in WindowGeometry.
namespace WindowPlacement {

// True when the window took the place it was last left in.
bool restore(QWidget *window, const char *name, const QSize &preferred);
// Keeps the window's size and place for its next opening; false when the
// store could not be written.
bool remember(const QWidget *window, const char *name);
// Moves and shrinks the window so that its frame lies inside the free area
// of its screen.
void keepOnScreen(QWidget *window);

} // namespace WindowPlacement

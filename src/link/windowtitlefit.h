#pragma once

class QWidget;

// Widens a window (call after its title and contents are set) so that the
// title bar can show the whole title. Layouts size a window by its contents
// only; a short label under a long title gives a window whose title the
// window manager cuts off. The title bar's font and buttons belong to the
// window manager, so the width is an estimate with room to spare.
void fitWindowTitle(QWidget *window);

#pragma once

// What the GUI program sets on its application object before the main
// window is made: the identity that locates the settings store, Qt's
// Russian texts, the window icon and the desktop entry's name. Shared by
// main() and the start-up benchmark, so that the benchmark measures the
// program's real start.
void prepareApplication();

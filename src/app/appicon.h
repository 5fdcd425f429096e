#pragma once

#include <QIcon>

// The application's icon in every size the package installs. The main window
// shows it, and start-up makes it the icon of every window.
QIcon appIcon();

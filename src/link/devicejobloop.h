#pragma once

#include <functional>

class DeviceController;

// Runs one job of the controller to its end in a local event loop, for
// callers without a window (korvant-cli, fleet writes): start() starts the
// job (controller.readParams(...), ...). Returns the job's result code, or
// ErrNotStarted when start() starts nothing. Windows use DeviceJobRunner,
// which adds the progress dialog.
int runDeviceJob(DeviceController &controller, const std::function<bool()> &start);

#pragma once

#include <QString>

// The pages of the device window, in tab order; both families have the same
// eight, each in a class of its family where the families differ.
enum class DeviceTab {
    Config,
    Positions,
    Users,
    Departments,
    Organisation,
    Design,
    Ofd,
    Registration,
};

// The caption the tab widget shows for the page, and that findings name.
QString tabCaption(DeviceTab tab);

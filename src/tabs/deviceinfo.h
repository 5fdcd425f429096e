#pragma once

#include <QString>

// What the tabs tell each other during one validation run. Every run starts
// from a new one: each tab's updateDeviceInfo writes its part, then every
// tab's rules may read all of it, whatever the tab order.
struct DeviceInfo
{
    // The fiscal data operator's taxpayer number is valid and not all zeros.
    bool ofdInnValid = false;
    // Position of the default cashier in the register's list of users; -1
    // when none is chosen.
    qint32 defaultUser = -1;
    // The organisation's taxpayer number as typed.
    QString orgInn;
};

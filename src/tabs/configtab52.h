#pragma once

#include "tabs/configtab.h"

// "Конфигурация" of family 2.52: the flag fields hold only the bits the tab
// shows, every other bit is written 0.
class ConfigTab52 : public ConfigTab
{
    Q_OBJECT

public:
    explicit ConfigTab52(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
};

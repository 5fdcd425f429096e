#include "configtab52.h"

#include "params/deviceparams52.h"

ConfigTab52::ConfigTab52(QWidget *parent)
    : ConfigTab(52, parent)
{
    orderTabStops();
}

void ConfigTab52::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams52 *>(&params);
    if (!p) {
        qWarning("ConfigTab52: a parameter set of another family is not written");
        return;
    }
    saveShared(p->tradeConfig, false);
}

void ConfigTab52::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams52 *>(&params);
    if (!p) {
        qWarning("ConfigTab52: a parameter set of another family is not shown");
        return;
    }
    loadShared(p->tradeConfig, namesOf(p->users), namesOf(p->departments));
}

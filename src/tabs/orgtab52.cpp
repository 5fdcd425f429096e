#include "orgtab52.h"

#include "params/deviceparams52.h"
#include "tabs/tabedits.h"

OrgTab52::OrgTab52(QWidget *parent)
    : OrgTab(110, parent)
{
    endRows(5);
}

void OrgTab52::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams52 *>(&params);
    if (!p)
        return;
    TabEdits::showText(m_inn, p->organisation.inn.text());
    TabEdits::showText(m_name, p->organisation.name.text());
    TabEdits::showText(m_address, p->organisation.address.text());
}

void OrgTab52::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams52 *>(&params);
    if (!p)
        return;
    TabEdits::store(m_inn, p->organisation.inn);
    TabEdits::store(m_name, p->organisation.name);
    TabEdits::store(m_address, p->organisation.address);
}

void OrgTab52::validate(DeviceIssueWidget *, const DeviceInfo &) { }

#include "orgtab53.h"

#include "params/deviceparams53.h"
#include "tabs/tabedits.h"
#include "tabs/tabrules.h"

OrgTab53::OrgTab53(QWidget *parent)
    : OrgTab(240, parent)
{
    m_place = addTextRows(5, tr("Место расчета:"), QStringLiteral("organisation.place"), 240);
    m_email = addTextRows(7, tr("Адрес электронной почты:"), QStringLiteral("organisation.email"), 64);
    endRows(9);
}

void OrgTab53::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p)
        return;
    const OrgValues53 v = orgValues(p->organisation);
    TabEdits::showText(m_inn, v.inn);
    TabEdits::showText(m_name, v.name);
    TabEdits::showText(m_address, v.address);
    TabEdits::showText(m_place, v.place);
    TabEdits::showText(m_email, v.email);
}

void OrgTab53::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams53 *>(&params);
    if (!p)
        return;
    Organisation53 &o = p->organisation;
    TabEdits::store(m_inn, o.inn);
    TabEdits::store(m_name, o.name);
    TabEdits::store(m_address, o.address);
    TabEdits::store(m_place, o.place);
    TabEdits::store(m_email, o.email);
}

void OrgTab53::validate(DeviceIssueWidget *issues, const DeviceInfo &info)
{
    const OrgValues53 v { m_inn->text(), m_name->text(), m_address->text(), m_place->text(),
                          m_email->text() };
    addFindings(issues, orgRules53(v, info), TabEdits::byKey({ m_inn, m_name, m_address, m_place, m_email }));
}

void OrgTab53::updateDeviceInfo(DeviceInfo &info)
{
    info.orgInn = m_inn->text();
}

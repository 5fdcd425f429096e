#include "ofdtab53.h"

#include "params/deviceparams53.h"
#include "tabs/tabedits.h"
#include "tabs/tabrules.h"

#include <QSpinBox>

namespace {

QSpinBox *portSpinBox()
{
    auto *spin = new QSpinBox;
    spin->setObjectName(QStringLiteral("ofd.port"));
    spin->setRange(0, 65535);
    spin->setMaximumWidth(64);
    return spin;
}

} // namespace

OfdTab53::OfdTab53(QWidget *parent)
    : OfdTab({ portSpinBox(), 53, 256, true }, parent)
{
    m_port = findChild<QSpinBox *>(QStringLiteral("ofd.port"));
}

void OfdTab53::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p)
        return;
    const OfdValues53 v = ofdValues(p->ofd);
    TabEdits::showText(m_address, v.address);
    m_port->setValue(v.port);
    showTimers(p->ofd.fnPollTimer, p->ofd.connectTimer);
    TabEdits::showText(m_inn, v.inn);
    TabEdits::showText(m_name, v.name);
    TabEdits::showText(m_ofdSite, v.ofdSite);
    TabEdits::showText(m_fnsSite, v.fnsSite);
}

void OfdTab53::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams53 *>(&params);
    if (!p)
        return;
    OfdSettings53 &o = p->ofd;
    TabEdits::store(m_address, o.address);
    o.port = qint16(quint16(m_port->value()));
    storeTimers(o.fnPollTimer, o.connectTimer);
    TabEdits::store(m_inn, o.inn);
    TabEdits::store(m_name, o.name);
    TabEdits::store(m_ofdSite, o.ofdSite);
    TabEdits::store(m_fnsSite, o.fnsSite);
}

void OfdTab53::validate(DeviceIssueWidget *issues, const DeviceInfo &)
{
    OfdValues53 v;
    v.address = m_address->text();
    v.port = m_port->value();
    v.inn = m_inn->text();
    v.name = m_name->text();
    v.ofdSite = m_ofdSite->text();
    v.fnsSite = m_fnsSite->text();
    addFindings(issues, ofdRules53(v) + timerFindings(),
                TabEdits::byKey(
                    { m_address, m_port, m_pollTimer, m_connectTimer, m_inn, m_name, m_ofdSite, m_fnsSite }));
}

void OfdTab53::updateDeviceInfo(DeviceInfo &info)
{
    info.ofdInnValid = ofdInnValid(m_inn->text());
}

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
    : OfdTab({ portSpinBox(), 40, 256, true }, parent)
{
    m_port = findChild<QSpinBox *>(QStringLiteral("ofd.port"));
}

void OfdTab53::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p)
        return;
    const OfdValues53 v = ofdValues(p->ofd);
    m_address->setText(v.address);
    m_port->setValue(v.port);
    // A stored value outside a spin box's range shows as its nearest end.
    m_pollTimer->setValue(quint16(p->ofd.fnPollTimer));
    m_connectTimer->setValue(quint16(p->ofd.connectTimer));
    m_inn->setText(v.inn);
    m_name->setText(v.name);
    m_ofdSite->setText(v.ofdSite);
    m_fnsSite->setText(v.fnsSite);
}

void OfdTab53::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams53 *>(&params);
    if (!p)
        return;
    OfdSettings53 &o = p->ofd;
    TabEdits::store(m_address, o.address);
    o.port = qint16(quint16(m_port->value()));
    o.fnPollTimer = qint16(m_pollTimer->value());
    o.connectTimer = qint16(m_connectTimer->value());
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
    addFindings(issues, ofdRules53(v),
                TabEdits::byKey({ m_address, m_port, m_inn, m_name, m_ofdSite, m_fnsSite }));
}

void OfdTab53::updateDeviceInfo(DeviceInfo &info)
{
    info.ofdInnValid = ofdInnValid(m_inn->text());
}

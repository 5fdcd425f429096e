#include "registrationtab53.h"

#include "params/deviceparams53.h"
#include "tabs/tabedits.h"
#include "tabs/tabrules.h"

#include <QFormLayout>

RegistrationTab53::RegistrationTab53(QWidget *parent)
    : DeviceWidget(parent)
{
    auto *form = new QFormLayout(this);
    m_serial = TabEdits::textEdit(QStringLiteral("registrationIds.serialNumber"), 20, this);
    m_regNumber = TabEdits::textEdit(QStringLiteral("registrationIds.regNumber"), 20, this);
    m_fnNumber = TabEdits::textEdit(QStringLiteral("registrationIds.fnNumber"), 16, this);
    // The register reports this number as its identity: the device list, the
    // profile and the write guard all key on it, so it is shown, not edited.
    TabEdits::makeReadOnly(m_serial,
                           tr("Заводской номер ККТ изменить нельзя: по нему программа узнаёт ККТ "
                              "(список ККТ, профиль, проверка перед записью)"));
    form->addRow(tr("Заводской номер:"), m_serial);
    form->addRow(tr("Регистрационный номер:"), m_regNumber);
    form->addRow(tr("Номер ФН:"), m_fnNumber);
}

void RegistrationTab53::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p)
        return;
    const RegistrationValues53 v = registrationValues(p->registrationIds);
    TabEdits::showText(m_serial, v.serialNumber);
    TabEdits::showText(m_regNumber, v.regNumber);
    TabEdits::showText(m_fnNumber, v.fnNumber);
}

void RegistrationTab53::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams53 *>(&params);
    if (!p)
        return;
    TabEdits::store(m_serial, p->registrationIds.serialNumber);
    TabEdits::store(m_regNumber, p->registrationIds.regNumber);
    TabEdits::store(m_fnNumber, p->registrationIds.fnNumber);
}

void RegistrationTab53::validate(DeviceIssueWidget *issues, const DeviceInfo &info)
{
    const RegistrationValues53 v { m_serial->text(), m_regNumber->text(), m_fnNumber->text() };
    addFindings(issues, registrationRules53(v, info), TabEdits::byKey({ m_serial, m_regNumber, m_fnNumber }));
}

#include "tabrules.h"

#include "params/deviceparams53.h"
#include "tabs/devicetab.h"
#include "tabs/fieldchecks.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TabRules", text);
}

} // namespace

OrgValues53 orgValues(const Organisation53 &o)
{
    // The e-mail edit shows all 64 bytes of its field, though only 63 are written.
    return { o.inn.text(), o.name.text(), o.address.text(), o.place.text(), wholeText(o.email) };
}

OfdValues53 ofdValues(const OfdSettings53 &o)
{
    OfdValues53 v;
    v.address = o.address.text().left(OfdValues53::AddressLength);
    v.port = quint16(o.port);
    v.inn = o.inn.text();
    v.name = o.name.text();
    v.ofdSite = o.ofdSite.text();
    v.fnsSite = o.fnsSite.text();
    return v;
}

RegistrationValues53 registrationValues(const RegistrationIds53 &ids)
{
    return { ids.serialNumber.text(), ids.regNumber.text(), ids.fnNumber.text() };
}

bool ofdInnValid(const QString &inn)
{
    return isValidInn(inn, false) && inn.count(QLatin1Char('0')) != inn.size();
}

int defaultUserOf(int defaultCashier, int userCount)
{
    const int index = defaultCashier - 1;
    return index >= 0 && index < userCount ? index : -1;
}

DeviceInfo deviceInfoOf(const DeviceParams53 &params)
{
    DeviceInfo info;
    info.defaultUser = defaultUserOf(params.tradeConfig.defaultCashier, params.users.size());
    info.orgInn = orgValues(params.organisation).inn;
    info.ofdInnValid = ofdInnValid(ofdValues(params.ofd).inn);
    return info;
}

FieldFindings userRules53(const UserRows &rows, const DeviceInfo &info)
{
    const QString tab = tabCaption(DeviceTab::Users);
    const auto key = [](const UserRow &row, const char *field) {
        return QStringLiteral("users[%1].%2").arg(row.record).arg(QLatin1String(field));
    };
    FieldFindings findings;
    // The configuration tab counts every user record, hidden ones included:
    // the default cashier is found by its record, not by its row.
    for (const UserRow &row : rows) {
        if (row.record == info.defaultUser && !row.active) {
            findings.append(
                { tab, key(row, "active"), tr("Пользователь по умолчанию (%1) не активен").arg(row.name) });
            break;
        }
    }
    for (const UserRow &row : rows) {
        if (!isValidInn(row.inn, true))
            findings.append(
                { tab, key(row, "inn"),
                  tr("ИНН пользователя %1 содержит некорректное значение %2").arg(row.name, row.inn) });
        if (!isValidBarcode(row.barcode, true))
            findings.append({ tab, key(row, "barcode"),
                              tr("Штрихкод пользователя %1 содержит некорректное значение %2")
                                  .arg(row.name, row.barcode) });
    }
    return findings;
}

FieldFindings orgRules53(const OrgValues53 &v, const DeviceInfo &info)
{
    const QString tab = tabCaption(DeviceTab::Organisation);
    FieldFindings findings;
    const auto add = [&](const char *field, const QString &text) {
        findings.append({ tab, QStringLiteral("organisation.") + QLatin1String(field), text });
    };
    if (v.inn.isEmpty())
        add("inn", tr("ИНН организации не задан"));
    else if (!isValidInn(v.inn, false))
        add("inn", tr("ИНН организации содержит некорректное значение: %1").arg(v.inn));
    if (v.name.isEmpty())
        add("name", tr("Наименование организации не задано"));
    if (v.address.isEmpty())
        add("address", tr("Адрес организации не задан"));
    if (v.place.isEmpty())
        add("place", tr("Место расчета не задано"));
    // Receipts go out by e-mail only through an operator.
    if (info.ofdInnValid && v.email.isEmpty())
        add("email", tr("Адрес электронной почты не задан"));
    return findings;
}

FieldFindings ofdRules53(const OfdValues53 &v)
{
    const QString tab = tabCaption(DeviceTab::Ofd);
    FieldFindings findings;
    const auto add = [&](const char *field, const QString &text) {
        findings.append({ tab, QStringLiteral("ofd.") + QLatin1String(field), text });
    };
    const bool allZeros = v.inn.count(QLatin1Char('0')) == v.inn.size();
    if (v.inn.isEmpty())
        add("inn", tr("ИНН ОФД не задан"));
    // Twelve zeros say "no operator"; ten zeros pass the check digit but mean nothing.
    else if (!isValidInn(v.inn, false) || (allZeros && v.inn.size() != 12))
        add("inn", tr("ИНН ОФД содержит некорректное значение: %1").arg(v.inn));
    if (v.address.isEmpty())
        add("address", tr("Адрес подключения к ОФД не задан"));
    if (v.port == 0)
        add("port", tr("Порт подключения к ОФД не задан"));
    if (v.ofdSite.isEmpty())
        add("ofdSite", tr("Адрес сайта ОФД не задан"));
    if (v.name.isEmpty())
        add("name", tr("Наименование ОФД не задано"));
    if (v.fnsSite.isEmpty())
        add("fnsSite", tr("Адрес сайта ФНС не задан"));
    return findings;
}

FieldFindings registrationRules53(const RegistrationValues53 &v, const DeviceInfo &info)
{
    const QString tab = tabCaption(DeviceTab::Registration);
    FieldFindings findings;
    const auto add = [&](const char *field, const QString &text) {
        findings.append({ tab, QStringLiteral("registrationIds.") + QLatin1String(field), text });
    };
    if (v.serialNumber.isEmpty())
        add("serialNumber", tr("Заводской номер не установлен"));
    // Neither number set is a register not yet registered.
    if (v.regNumber.isEmpty() && !v.fnNumber.isEmpty())
        add("regNumber", tr("Регистрационный номер не установлен"));
    if (v.fnNumber.isEmpty() && !v.regNumber.isEmpty())
        add("fnNumber", tr("Номер ФН не установлен"));
    if (!v.serialNumber.isEmpty() && !v.regNumber.isEmpty() && !info.orgInn.isEmpty()
        && !isValidRegNumber(v.regNumber, v.serialNumber, info.orgInn))
        add("regNumber", tr("Регистрационный номер содержит некорректное значение"));
    return findings;
}

FieldFindings checkParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p)
        return {};
    const DeviceInfo info = deviceInfoOf(*p);
    FieldFindings findings = userRules53(userRows(*p), info);
    findings += orgRules53(orgValues(p->organisation), info);
    findings += ofdRules53(ofdValues(p->ofd));
    findings += registrationRules53(registrationValues(p->registrationIds), info);
    return findings;
}

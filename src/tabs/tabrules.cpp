#include "tabrules.h"

#include "params/deviceparams52.h"
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
    return { o.inn.text(), o.name.text(), o.address.text(), o.place.text(), o.email.text() };
}

OfdValues53 ofdValues(const OfdSettings53 &o)
{
    OfdValues53 v;
    v.address = o.address.text();
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

FieldFindings userRules52(const UserRows &rows)
{
    const QString tab = tabCaption(DeviceTab::Users);
    FieldFindings findings;
    for (const UserRow &row : rows) {
        if (!isValidBarcode(row.barcode, true))
            findings.append({ tab, QStringLiteral("users[%1].barcode").arg(row.record),
                              tr("Штрихкод пользователя %1 содержит некорректное значение %2")
                                  .arg(row.name, row.barcode) });
    }
    return findings;
}

QVector<FieldRange> configRanges(int family)
{
    const auto range = [](const char *field, const char *label, int bottom, int top) {
        return FieldRange { QStringLiteral("tradeConfig.") + QLatin1String(field), tr(label), bottom, top };
    };
    return { range("departmentCount", "Количество отделов", 1, 16),
             range("keyboardSensitivity", "Чувствительность", 1, 4),
             range("powerOffTimer", "Таймер выключения", 0, 99),
             range("internalCodeLength", "Размер вн.кода", 1, 5),
             range("weightPrefix", "Префикс вес.товара", 21, 29),
             family == 52 ? range("printDensity", "Плотность печати", 1, 4)
                          : range("printDensity", "Плотность печати", 0, 3) };
}

QVector<FieldRange> ofdRanges(int family)
{
    return { { QStringLiteral("ofd.fnPollTimer"), tr("Таймер опроса ФН"), 3, 3600 },
             { QStringLiteral("ofd.connectTimer"), tr("Таймер подключения"), family == 52 ? 3 : 40, 3600 } };
}

FieldFindings rangeRules(const QString &tab, const QVector<FieldRange> &ranges,
                         const QHash<QString, QString> &values)
{
    FieldFindings findings;
    for (const FieldRange &range : ranges) {
        if (!values.contains(range.key))
            continue;
        const QString text = values.value(range.key);
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok && value >= range.bottom && value <= range.top)
            continue;
        findings.append({ tab, range.key,
                          text.isEmpty() ? tr("%1: значение не задано, допустимо от %2 до %3")
                                               .arg(range.label)
                                               .arg(range.bottom)
                                               .arg(range.top)
                                         : tr("%1: значение %2 вне допустимого диапазона от %3 до %4")
                                               .arg(range.label, text)
                                               .arg(range.bottom)
                                               .arg(range.top) });
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

namespace {

FieldFindings configRulesOf(const TradeConfig &t, int family)
{
    const QHash<QString, QString> values {
        { QStringLiteral("tradeConfig.departmentCount"), QString::number(t.departmentCount) },
        { QStringLiteral("tradeConfig.keyboardSensitivity"), QString::number(t.keyboardSensitivity) },
        { QStringLiteral("tradeConfig.powerOffTimer"), QString::number(t.powerOffTimer) },
        { QStringLiteral("tradeConfig.internalCodeLength"), QString::number(t.internalCodeLength) },
        { QStringLiteral("tradeConfig.weightPrefix"), QString::number(t.weightPrefix) },
        { QStringLiteral("tradeConfig.printDensity"), QString::number(t.printDensity) },
    };
    return rangeRules(tabCaption(DeviceTab::Config), configRanges(family), values);
}

template<class Ofd> FieldFindings ofdRangesOf(const Ofd &o, int family)
{
    const QHash<QString, QString> values {
        { QStringLiteral("ofd.fnPollTimer"), QString::number(quint16(o.fnPollTimer)) },
        { QStringLiteral("ofd.connectTimer"), QString::number(quint16(o.connectTimer)) },
    };
    return rangeRules(tabCaption(DeviceTab::Ofd), ofdRanges(family), values);
}

} // namespace

FieldFindings checkParams(const DeviceParams &params)
{
    if (const auto *p = qobject_cast<const DeviceParams52 *>(&params)) {
        FieldFindings findings = configRulesOf(p->tradeConfig, 52);
        findings += userRules52(userRows(*p));
        findings += ofdRangesOf(p->ofd, 52);
        return findings;
    }
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p)
        return {};
    const DeviceInfo info = deviceInfoOf(*p);
    FieldFindings findings = configRulesOf(p->tradeConfig, 53);
    findings += userRules53(userRows(*p), info);
    findings += orgRules53(orgValues(p->organisation), info);
    findings += ofdRules53(ofdValues(p->ofd));
    findings += ofdRangesOf(p->ofd, 53);
    findings += registrationRules53(registrationValues(p->registrationIds), info);
    return findings;
}

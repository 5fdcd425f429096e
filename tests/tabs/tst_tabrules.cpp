#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "tabs/devicetab.h"
#include "tabs/fieldchecks.h"
#include "tabs/tabrules.h"

#include <QtTest>

namespace {

// A registration number that matches the serial and the taxpayer number.
QString regNumberFor(const QString &serial, const QString &inn)
{
    const QString first = QStringLiteral("0000000001");
    const QString text
        = first + inn.rightJustified(12, QLatin1Char('0')) + serial.rightJustified(20, QLatin1Char('0'));
    return first + QStringLiteral("%1").arg(crc16CcittFalse(text.toLatin1()), 6, 10, QLatin1Char('0'));
}

QStringList texts(const FieldFindings &findings)
{
    QStringList out;
    for (const FieldFinding &f : findings)
        out.append(f.text);
    return out;
}

QStringList keys(const FieldFindings &findings)
{
    QStringList out;
    for (const FieldFinding &f : findings)
        out.append(f.field);
    return out;
}

} // namespace

class TestTabRules : public QObject
{
    Q_OBJECT

private slots:
    void organisation_data();
    void organisation();
    void ofd_data();
    void ofd();
    void registration_data();
    void registration();
    void defaultCashierFoundByRecord_data();
    void defaultCashierFoundByRecord();
    void userNumbers();
    void defaultUserOfCashierNumber();
    void checkParamsRunsTheTabsInOrder();
};

void TestTabRules::organisation_data()
{
    QTest::addColumn<QStringList>("values"); // inn, name, address, place, email
    QTest::addColumn<bool>("ofdInnValid");
    QTest::addColumn<QStringList>("expected");

    const QStringList filled { "7707083893", "ООО Ромашка", "Москва", "Магазин", "" };
    QTest::newRow("everything given, no operator") << filled << false << QStringList();
    QTest::newRow("e-mail demanded with an operator")
        << filled << true << QStringList { "Адрес электронной почты не задан" };
    QStringList withEmail = filled;
    withEmail[4] = "kassa@example.ru";
    QTest::newRow("e-mail given with an operator") << withEmail << true << QStringList();
    QTest::newRow("empty taxpayer number only says it is missing")
        << QStringList { "", "ООО", "Москва", "Магазин", "" } << false
        << QStringList { "ИНН организации не задан" };
    QTest::newRow("wrong check digit")
        << QStringList { "7707083894", "ООО", "Москва", "Магазин", "" } << false
        << QStringList { "ИНН организации содержит некорректное значение: 7707083894" };
    QTest::newRow("spaces are not empty")
        << QStringList { "7707083893", " ", " ", " ", "" } << false << QStringList();
    QTest::newRow("all empty, in rule order")
        << QStringList { "", "", "", "", "" } << true
        << QStringList { "ИНН организации не задан", "Наименование организации не задано",
                         "Адрес организации не задан", "Место расчета не задано",
                         "Адрес электронной почты не задан" };
}

void TestTabRules::organisation()
{
    QFETCH(QStringList, values);
    QFETCH(bool, ofdInnValid);
    QFETCH(QStringList, expected);

    DeviceInfo info;
    info.ofdInnValid = ofdInnValid;
    const FieldFindings findings
        = orgRules53({ values[0], values[1], values[2], values[3], values[4] }, info);
    QCOMPARE(texts(findings), expected);
    for (const FieldFinding &f : findings) {
        QCOMPARE(f.tab, tabCaption(DeviceTab::Organisation));
        QVERIFY2(f.field.startsWith("organisation."), qPrintable(f.field));
    }
}

void TestTabRules::ofd_data()
{
    QTest::addColumn<QString>("inn");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("textsGiven"); // address, name and both sites
    QTest::addColumn<bool>("innValid"); // the contribution to DeviceInfo
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("twelve zeros: no operator, no finding")
        << "000000000000" << 7777 << true << false << QStringList();
    QTest::newRow("ten zeros are refused")
        << "0000000000" << 7777 << true << false
        << QStringList { "ИНН ОФД содержит некорректное значение: 0000000000" };
    QTest::newRow("valid ten digits") << "7704211201" << 7777 << true << true << QStringList();
    QTest::newRow("valid twelve digits") << "500100732259" << 7777 << true << true << QStringList();
    QTest::newRow("wrong check digit")
        << "7704211202" << 7777 << true << false
        << QStringList { "ИНН ОФД содержит некорректное значение: 7704211202" };
    QTest::newRow("port 0") << "7704211201" << 0 << true << true
                            << QStringList { "Порт подключения к ОФД не задан" };
    QTest::newRow("empty") << "" << 7777 << true << false << QStringList { "ИНН ОФД не задан" };
    // The other rules are tested whatever the first found.
    const QStringList missing { "Адрес подключения к ОФД не задан", "Порт подключения к ОФД не задан",
                                "Адрес сайта ОФД не задан", "Наименование ОФД не задано",
                                "Адрес сайта ФНС не задан" };
    QTest::newRow("twelve zeros, nothing else given") << "000000000000" << 0 << false << false << missing;
    QTest::newRow("ten zeros, nothing else given")
        << "0000000000" << 0 << false << false
        << QStringList { "ИНН ОФД содержит некорректное значение: 0000000000" } + missing;
}

void TestTabRules::ofd()
{
    QFETCH(QString, inn);
    QFETCH(int, port);
    QFETCH(bool, textsGiven);
    QFETCH(bool, innValid);
    QFETCH(QStringList, expected);

    OfdValues53 v;
    v.inn = inn;
    v.port = port;
    if (textsGiven) {
        v.address = "ofd.example.ru";
        v.name = "ООО ОФД";
        v.ofdSite = "www.ofd.example.ru";
        v.fnsSite = "www.nalog.gov.ru";
    }
    QCOMPARE(texts(ofdRules53(v)), expected);
    QCOMPARE(ofdInnValid(inn), innValid);
}

void TestTabRules::registration_data()
{
    QTest::addColumn<QStringList>("values"); // serial, registration number, storage number
    QTest::addColumn<QString>("orgInn");
    QTest::addColumn<QStringList>("expected");

    const QString serial = "0053000002";
    const QString inn = "7707083893";
    const QString good = regNumberFor(serial, inn);
    QTest::newRow("all empty: only the serial")
        << QStringList { "", "", "" } << inn << QStringList { "Заводской номер не установлен" };
    QTest::newRow("not registered") << QStringList { serial, "", "" } << inn << QStringList();
    QTest::newRow("only the storage number") << QStringList { serial, "", "9999078900001234" } << inn
                                             << QStringList { "Регистрационный номер не установлен" };
    QTest::newRow("only the registration number")
        << QStringList { serial, good, "" } << inn << QStringList { "Номер ФН не установлен" };
    QTest::newRow("matching registration number")
        << QStringList { serial, good, "9999078900001234" } << inn << QStringList();
    QTest::newRow("15 characters") << QStringList { serial, good.left(15), "9999078900001234" } << inn
                                   << QStringList { "Регистрационный номер содержит некорректное значение" };
    QTest::newRow("another serial's number")
        << QStringList { "0053000003", good, "9999078900001234" } << inn
        << QStringList { "Регистрационный номер содержит некорректное значение" };
    QTest::newRow("no organisation number: not checked")
        << QStringList { serial, good.left(15), "9999078900001234" } << QString() << QStringList();
    QTest::newRow("no serial: not checked") << QStringList { "", good.left(15), "9999078900001234" } << inn
                                            << QStringList { "Заводской номер не установлен" };
}

void TestTabRules::registration()
{
    QFETCH(QStringList, values);
    QFETCH(QString, orgInn);
    QFETCH(QStringList, expected);

    DeviceInfo info;
    info.orgInn = orgInn;
    QCOMPARE(texts(registrationRules53({ values[0], values[1], values[2] }, info)), expected);
}

// The configuration tab's combo lists every user record, hidden ones
// included; the users table does not show hidden records.
void TestTabRules::defaultCashierFoundByRecord_data()
{
    QTest::addColumn<int>("defaultCashier");
    QTest::addColumn<int>("inactiveRecord");
    QTest::addColumn<QStringList>("expected");

    // Record 8 is hidden by default: row 9 shows record 10.
    QTest::newRow("chosen record inactive, after a hidden one")
        << 10 << 9 << QStringList { "users[9].active", "Пользователь по умолчанию (Кассир 10) не активен" };
    QTest::newRow("the row at the chosen position inactive, the chosen record active")
        << 10 << 10 << QStringList();
    QTest::newRow("chosen record is the hidden one") << 9 << 8 << QStringList();
    QTest::newRow("nothing chosen") << 0 << 0 << QStringList();
    QTest::newRow("beyond the records") << 17 << 0 << QStringList();
}

void TestTabRules::defaultCashierFoundByRecord()
{
    QFETCH(int, defaultCashier);
    QFETCH(int, inactiveRecord);
    QFETCH(QStringList, expected);

    DeviceParams53 params;
    for (UserRecord53 &u : params.users)
        u.flags |= UserActive;
    params.users[inactiveRecord].flags &= ~UserActive;
    params.tradeConfig.defaultCashier = qint16(defaultCashier);
    QVERIFY(params.users[8].flags & UserHidden);

    const FieldFindings findings = userRules53(userRows(params), deviceInfoOf(params));
    QStringList got;
    for (const FieldFinding &f : findings)
        got << f.field << f.text;
    QCOMPARE(got, expected);
}

void TestTabRules::userNumbers()
{
    DeviceParams53 params;
    params.users[2].inn.setText("500100732258"); // wrong twelfth digit
    params.users[3].barcode.setText("4006381333930"); // wrong check digit
    params.users[4].barcode.setText("");
    params.users[4].inn.setText("");
    params.users[9].inn.setText("500100732259");
    params.users[9].barcode.setText("96385074");
    const FieldFindings findings = userRules53(userRows(params), DeviceInfo());
    QCOMPARE(texts(findings),
             QStringList({ "ИНН пользователя Кассир 3 содержит некорректное значение 500100732258",
                           "Штрихкод пользователя Кассир 4 содержит некорректное значение 4006381333930" }));
    QCOMPARE(keys(findings), QStringList({ "users[2].inn", "users[3].barcode" }));
}

void TestTabRules::defaultUserOfCashierNumber()
{
    QCOMPARE(defaultUserOf(1, 16), 0);
    QCOMPARE(defaultUserOf(16, 16), 15);
    QCOMPARE(defaultUserOf(0, 16), -1);
    QCOMPARE(defaultUserOf(17, 16), -1);
    QCOMPARE(defaultUserOf(-3, 16), -1);
}

void TestTabRules::checkParamsRunsTheTabsInOrder()
{
    DeviceParams53 p53;
    p53.tradeConfig.defaultCashier = 1; // record 0, inactive by default
    p53.organisation.inn.setText("7707083893");
    p53.organisation.name.setText("ООО");
    p53.organisation.address.setText("Москва");
    p53.organisation.place.setText("Магазин");
    p53.ofd.inn.setText("7704211201"); // an operator: the e-mail is demanded
    p53.ofd.address.setText("ofd.example.ru");
    p53.ofd.port = qint16(quint16(50000)); // above 32767: no port 0 finding
    p53.ofd.name.setText("ОФД");
    p53.ofd.ofdSite.setText("ofd.example.ru");
    p53.ofd.fnsSite.setText("nalog.gov.ru");
    p53.registrationIds.serialNumber.setText("0053000002");
    p53.registrationIds.regNumber.setText("0000000001000000");

    const FieldFindings findings = checkParams(p53);
    QStringList got;
    for (const FieldFinding &f : findings)
        got << QStringLiteral("%1 | %2 | %3").arg(f.tab, f.field, f.text);
    QCOMPARE(
        got,
        QStringList({ "Пользователи | users[0].active | Пользователь по умолчанию (Кассир 1) не активен",
                      "Реквизиты организации | organisation.email | Адрес электронной почты не задан",
                      // The default timer of 30 s lies below what the register's rules allow.
                      "Настройки ОФД | ofd.connectTimer | Таймер подключения: значение 30 вне допустимого "
                      "диапазона от 40 до 3600",
                      "Регистрационные данные | registrationIds.fnNumber | Номер ФН не установлен",
                      "Регистрационные данные | registrationIds.regNumber | Регистрационный номер "
                      "содержит некорректное значение" }));

    // Family 2.52: the ranges of its configuration and timers, and its
    // users' barcodes as stored; its defaults pass.
    DeviceParams52 p52;
    p52.tradeConfig.defaultCashier = 1;
    QCOMPARE(texts(checkParams(p52)), QStringList());
    p52.tradeConfig.weightPrefix = 35;
    p52.users[2].barcode.setBarcode("123");
    QCOMPARE(texts(checkParams(p52)),
             QStringList({ "Префикс вес.товара: значение 35 вне допустимого диапазона от 21 до 29",
                           "Штрихкод пользователя Кассир 3 содержит некорректное значение 1236" }));
}

QTEST_GUILESS_MAIN(TestTabRules)
#include "tst_tabrules.moc"

#include "tabfixture.h"

#include "tabs/configtab52.h"
#include "tabs/configtab53.h"
#include "tabs/deviceinfo.h"
#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QtTest>

// The "Конфигурация" tab of both families, driven through its controls
// under a Russian locale (whose decimal separator is a comma).
class TestConfigTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void amounts();
    void numbersKeptInRange();
    void weightPrefixAsTyped_data();
    void weightPrefixAsTyped();
    void storedValuesKept_data();
    void storedValuesKept();
    void tabFollowsThePage_data();
    void tabFollowsThePage();
    void bitFields_data();
    void bitFields();
    void departmentRule();
    void tradeModeRules();
    void tradeModesOnLoad_data();
    void tradeModesOnLoad();
    void defaultCashier_data();
    void defaultCashier();
};

namespace {

std::unique_ptr<ConfigTab> makeTab(int family)
{
    if (family == 52)
        return std::make_unique<ConfigTab52>();
    return std::make_unique<ConfigTab53>();
}

bool itemEnabled(QComboBox *combo, int index)
{
    return static_cast<QStandardItemModel *>(combo->model())->item(index)->isEnabled();
}

// Clears an edit and types text into it key by key, as a user would.
void retype(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// The texts a check of the tab alone lists.
QStringList findingsOf(ConfigTab *tab)
{
    DeviceIssueWidget dock(nullptr);
    DeviceWidget::runValidation({ tab }, &dock);
    QStringList texts;
    for (int row = 0; row < dock.model()->rowCount(); ++row)
        texts.append(dock.model()->issue(row)->text());
    return texts;
}

} // namespace

void TestConfigTab::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestConfigTab::amounts()
{
    std::unique_ptr<DeviceParams> params = makeParams(53);
    tradeOf(*params).maxPrice = 123456789;
    std::unique_ptr<ConfigTab> tab = makeTab(53);
    tab->loadParams(*params);

    auto *price = formField<QLineEdit>(tab.get(), "Макс. цена:");
    auto *deposit = formField<QLineEdit>(tab.get(), "Макс. депозит:");
    auto *quantity = formField<QLineEdit>(tab.get(), "Макс. кол-во:");
    QCOMPARE(price->text(), "12345.67");
    QCOMPARE(deposit->text(), "50000.00");
    QCOMPARE(quantity->text(), "1000.000");

    // A typed comma is a point; a third decimal of an amount is refused.
    retype(deposit, "12,505");
    QCOMPARE(deposit->text(), "12.50");
    retype(quantity, "0,5");
    QCOMPARE(quantity->text(), "0.5");

    // The price was not edited: its digits below a kopeck stay.
    tab->saveParams(*params);
    QCOMPARE(tradeOf(*params).maxPrice, qint64(123456789));
    QCOMPARE(tradeOf(*params).maxDeposit, qint64(125000));
    QCOMPARE(tradeOf(*params).maxQuantity, qint64(5000));
}

void TestConfigTab::numbersKeptInRange()
{
    std::unique_ptr<DeviceParams> params = makeParams(52);
    std::unique_ptr<ConfigTab> tab = makeTab(52);
    tab->loadParams(*params);

    // Beyond the range the validators let a number stand as unfinished input;
    // it is brought into the range when the edit is left, and on saving.
    auto *price = formField<QLineEdit>(tab.get(), "Макс. цена:");
    retype(price, "30000000");
    QCOMPARE(price->text(), "30000000");
    QString fixed = price->text();
    price->validator()->fixup(fixed);
    QCOMPARE(fixed, "20000000.00");

    tab->saveParams(*params);
    QCOMPARE(tradeOf(*params).maxPrice, qint64(200000000000));
}

void TestConfigTab::weightPrefixAsTyped_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("saved");
    QTest::addColumn<QStringList>("findings");
    const QString outside = "Префикс вес.товара: значение %1 вне допустимого диапазона от 21 до 29";
    for (int family : { 52, 53 }) {
        const QByteArray f = QByteArray::number(family);
        QTest::newRow(f + ": 35 is written as 35 and reported")
            << family << "35" << 35 << QStringList { outside.arg(35) };
        QTest::newRow(f + ": 2 is written as 2 and reported")
            << family << "2" << 2 << QStringList { outside.arg(2) };
        QTest::newRow(f + ": 25 passes") << family << "25" << 25 << QStringList();
        QTest::newRow(f + ": nothing is 0 and reported")
            << family << "" << 0
            << QStringList { "Префикс вес.товара: значение не задано, допустимо от 21 до 29" };
    }
}

// What the field shows is what the register gets; a number outside the
// rules is named by the check, never brought into the range silently.
void TestConfigTab::weightPrefixAsTyped()
{
    QFETCH(int, family);
    QFETCH(QString, typed);
    QFETCH(int, saved);
    QFETCH(QStringList, findings);
    std::unique_ptr<DeviceParams> params = makeParams(family);
    std::unique_ptr<ConfigTab> tab = makeTab(family);
    tab->loadParams(*params);
    auto *prefix = formField<QLineEdit>(tab.get(), "Префикс вес.товара:");
    retype(prefix, typed);
    QCOMPARE(prefix->text(), typed);

    QCOMPARE(findingsOf(tab.get()), findings);

    tab->saveParams(*params);
    QCOMPARE(int(tradeOf(*params).weightPrefix), saved);
}

void TestConfigTab::storedValuesKept_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("findings");
    const QString outside = "%1: значение %2 вне допустимого диапазона от %3 до %4";
    QTest::newRow("2.53 weight prefix 0")
        << 53 << "weightPrefix" << 0ll << "Префикс вес.товара:"
        << "0" << QStringList { outside.arg("Префикс вес.товара", "0", "21", "29") };
    QTest::newRow("2.52 weight prefix 35")
        << 52 << "weightPrefix" << 35ll << "Префикс вес.товара:"
        << "35" << QStringList { outside.arg("Префикс вес.товара", "35", "21", "29") };
    QTest::newRow("2.53 department count 0")
        << 53 << "departmentCount" << 0ll << "Количество отделов:"
        << "0" << QStringList { outside.arg("Количество отделов", "0", "1", "16") };
    QTest::newRow("2.52 print density 0")
        << 52 << "printDensity" << 0ll << "Плотность печати:"
        << "0" << QStringList { outside.arg("Плотность печати", "0", "1", "4") };
    QTest::newRow("2.53 power-off timer 120")
        << 53 << "powerOffTimer" << 120ll << "Таймер выключения:"
        << "120 с" << QStringList { outside.arg("Таймер выключения", "120", "0", "99") };
    QTest::newRow("2.52 display mode 0: none chosen") << 52 << "displayMode" << 0ll << "Режим индикации:"
                                                      << "" << QStringList();
    QTest::newRow("2.53 default department 17: none chosen")
        << 53 << "defaultDepartment" << 17ll << "Отдел по умолчанию:"
        << "" << QStringList();
}

// A stored value outside what a control offers is shown as it is and
// written back as it was loaded unless the user edits it.
void TestConfigTab::storedValuesKept()
{
    QFETCH(int, family);
    QFETCH(QString, field);
    QFETCH(qint64, stored);
    QFETCH(QString, label);
    QFETCH(QString, shown);
    QFETCH(QStringList, findings);
    std::unique_ptr<DeviceParams> params = makeParams(family);
    const QString path = "tradeConfig." + field;
    QString error;
    QVERIFY2(params->setValue(path, QString::number(stored), &error), qPrintable(error));
    std::unique_ptr<ConfigTab> tab = makeTab(family);
    tab->loadParams(*params);
    QWidget *control = formField<QWidget>(tab.get(), label);
    QVERIFY(control);
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        QCOMPARE(edit->text(), shown);
    else if (auto *spin = qobject_cast<QSpinBox *>(control))
        QCOMPARE(spin->text(), shown);
    else
        QCOMPARE(qobject_cast<QComboBox *>(control)->currentText(), shown);

    QCOMPARE(findingsOf(tab.get()), findings);

    tab->saveParams(*params);
    QCOMPARE(intValue(*params, path), stored);
}

void TestConfigTab::bitFields_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<QString>("clicked"); // label of a box clicked before saving
    QTest::addColumn<qint64>("saved");

    QTest::newRow("2.52 printFlags untouched: kept") << 52 << "printFlags" << 0x00FEll << "" << 0x00FEll;
    QTest::newRow("2.52 printFlags edited: other bits cleared")
        << 52 << "printFlags" << 0x00FEll << "Печать налогов:" << 0x000All;
    QTest::newRow("2.53 printFlags: other bits kept") << 53 << "printFlags" << 0x00FEll << "" << 0x00FEll;
    QTest::newRow("2.52 printFlags: header set")
        << 52 << "printFlags" << 0xFF00ll << "Печать заголовка:" << 0x0001ll;
    QTest::newRow("2.53 printFlags: header set")
        << 53 << "printFlags" << 0xFF00ll << "Печать заголовка:" << 0xFF01ll;
    QTest::newRow("2.53 printFlags: QR code cleared")
        << 53 << "printFlags" << 0xFF0Fll << "Печать QR кода:" << 0xFF07ll;
    QTest::newRow("2.52 tradeFlags untouched: kept")
        << 52 << "tradeFlags" << 0xF0000003ll << "" << 0xF0000003ll;
    QTest::newRow("2.52 tradeFlags edited: other bits cleared")
        << 52 << "tradeFlags" << 0xF0000003ll << "Автоинкассация:" << 0x2ll;
    QTest::newRow("2.53 tradeFlags: price editing cleared")
        << 53 << "tradeFlags" << 0xF0000003ll << "Редакт.цены БД:" << 0xF0000001ll;
    QTest::newRow("2.52 fontFlags untouched: kept") << 52 << "fontFlags" << 0xF1ll << "" << 0xF1ll;
    QTest::newRow("2.52 fontFlags edited: 0 or 1")
        << 52 << "fontFlags" << 0xF0ll << "Мелкий шрифт:" << 0x01ll;
    QTest::newRow("2.53 fontFlags: small font cleared")
        << 53 << "fontFlags" << 0xF1ll << "Мелкий шрифт:" << 0xF0ll;
    QTest::newRow("2.53 paymentKinds: credit is bit 3")
        << 53 << "paymentKinds" << 0xE0ll << "Кредит" << 0xE8ll;
    QTest::newRow("2.53 paymentKinds: prepayment is bit 2")
        << 53 << "paymentKinds" << 0xE0ll << "Предоплата" << 0xE4ll;
    QTest::newRow("2.53 paymentKinds: other is bit 4")
        << 53 << "paymentKinds" << 0xE1ll << "Другое" << 0xF1ll;
    QTest::newRow("2.53 tradeModes: bits 2 and 3 kept") << 53 << "tradeModes" << 0x1Dll << "" << 0x1Dll;
    QTest::newRow("2.53 keySound untouched: kept") << 53 << "keySound" << 5ll << "" << 5ll;
    QTest::newRow("2.53 keySound edited: 1 or 0") << 53 << "keySound" << 5ll << "Звук клавиш:" << 0ll;
}

void TestConfigTab::bitFields()
{
    QFETCH(int, family);
    QFETCH(QString, field);
    QFETCH(qint64, stored);
    QFETCH(QString, clicked);
    QFETCH(qint64, saved);

    std::unique_ptr<DeviceParams> params = makeParams(family);
    const QString path = "tradeConfig." + field;
    QString error;
    QVERIFY2(params->setValue(path, QString::number(stored), &error), qPrintable(error));
    std::unique_ptr<ConfigTab> tab = makeTab(family);
    tab->loadParams(*params);
    if (!clicked.isEmpty()) {
        auto *box = formField<QCheckBox>(tab.get(), clicked);
        QVERIFY(box);
        box->click();
    }
    tab->saveParams(*params);
    QCOMPARE(intValue(*params, path), saved);
}

void TestConfigTab::departmentRule()
{
    std::unique_ptr<DeviceParams> params = makeParams(52);
    tradeOf(*params).departmentCount = 16;
    tradeOf(*params).defaultDepartment = 10;
    std::unique_ptr<ConfigTab> tab = makeTab(52);
    tab->loadParams(*params);
    auto *count = formField<QSpinBox>(tab.get(), "Количество отделов:");
    auto *department = formField<QComboBox>(tab.get(), "Отдел по умолчанию:");
    QCOMPARE(department->count(), 16);
    QCOMPARE(department->currentText(), "Отдел 10");

    count->setValue(3);
    QCOMPARE(department->currentIndex(), 0);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(itemEnabled(department, i), i < 3);
    tab->saveParams(*params);
    QCOMPARE(tradeOf(*params).departmentCount, qint8(3));
    QCOMPARE(tradeOf(*params).defaultDepartment, qint8(1));

    // A load shows the stored default even beyond the count; only which
    // departments can be chosen follows the count. Saved untouched, it stays.
    tradeOf(*params).departmentCount = 4;
    tradeOf(*params).defaultDepartment = 12;
    tab->loadParams(*params);
    QCOMPARE(department->currentIndex(), 11);
    QVERIFY(itemEnabled(department, 3));
    QVERIFY(!itemEnabled(department, 4));
    tab->saveParams(*params);
    QCOMPARE(tradeOf(*params).defaultDepartment, qint8(12));
}

void TestConfigTab::tradeModeRules()
{
    std::unique_ptr<DeviceParams> params = makeParams(53);
    std::unique_ptr<ConfigTab> tab = makeTab(53);
    tab->loadParams(*params); // default 0x11: sale only, main mode sale
    auto *sale = formField<QCheckBox>(tab.get(), "Приход");
    auto *purchase = formField<QCheckBox>(tab.get(), "Расход");
    auto *mainMode = formField<QComboBox>(tab.get(), "Осн.режим:");
    auto *p = static_cast<DeviceParams53 *>(params.get());

    sale->click();
    QVERIFY(purchase->isChecked());
    QCOMPARE(mainMode->currentText(), "Расход");
    QVERIFY(!itemEnabled(mainMode, 0));
    tab->saveParams(*params);
    QCOMPARE(p->tradeConfig.tradeModes, quint8(0x22));

    purchase->click();
    QVERIFY(sale->isChecked());
    QCOMPARE(mainMode->currentText(), "Приход");
    QVERIFY(itemEnabled(mainMode, 0));
    QVERIFY(!itemEnabled(mainMode, 1));
    tab->saveParams(*params);
    QCOMPARE(p->tradeConfig.tradeModes, quint8(0x11));

    purchase->click();
    QVERIFY(itemEnabled(mainMode, 1));
    QCOMPARE(mainMode->currentText(), "Приход");
    tab->saveParams(*params);
    QCOMPARE(p->tradeConfig.tradeModes, quint8(0x13));
}

void TestConfigTab::tradeModesOnLoad_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("saleShown");
    QTest::addColumn<bool>("purchaseShown");
    QTest::addColumn<int>("mainMode");
    QTest::addColumn<int>("saved");

    QTest::newRow("sale only") << 0x11 << true << false << 0 << 0x11;
    QTest::newRow("both, main mode purchase") << 0x23 << true << true << 1 << 0x23;
    // Loading applies no rule: what is stored is shown and saved back.
    QTest::newRow("purchase only, main mode sale: kept") << 0x12 << false << true << 0 << 0x12;
    QTest::newRow("sale only, main mode purchase: kept") << 0x21 << true << false << 1 << 0x21;
    QTest::newRow("neither allowed: kept") << 0x10 << false << false << 0 << 0x10;
    QTest::newRow("main mode unknown: none chosen") << 0x03 << true << true << -1 << 0x03;
}

// Whatever the tab showed before, a load leaves the same boxes checked and
// the same main modes to choose from.
void TestConfigTab::tradeModesOnLoad()
{
    QFETCH(int, stored);
    QFETCH(bool, saleShown);
    QFETCH(bool, purchaseShown);
    QFETCH(int, mainMode);
    QFETCH(int, saved);

    for (const int before : { -1, 0x11, 0x22, 0x23 }) {
        std::unique_ptr<DeviceParams> params = makeParams(53);
        auto *p = static_cast<DeviceParams53 *>(params.get());
        std::unique_ptr<ConfigTab> tab = makeTab(53);
        if (before >= 0) {
            p->tradeConfig.tradeModes = quint8(before);
            tab->loadParams(*params);
        }
        p->tradeConfig.tradeModes = quint8(stored);
        tab->loadParams(*params);

        const QByteArray shownBefore
            = before < 0 ? "on a new tab" : "after 0x" + QByteArray::number(before, 16);
        auto *combo = formField<QComboBox>(tab.get(), "Осн.режим:");
        QVERIFY2(formField<QCheckBox>(tab.get(), "Приход")->isChecked() == saleShown, shownBefore);
        QVERIFY2(formField<QCheckBox>(tab.get(), "Расход")->isChecked() == purchaseShown, shownBefore);
        QVERIFY2(combo->currentIndex() == mainMode, shownBefore);
        QVERIFY2(itemEnabled(combo, 0) == saleShown, shownBefore);
        QVERIFY2(itemEnabled(combo, 1) == purchaseShown, shownBefore);
        tab->saveParams(*params);
        QCOMPARE(p->tradeConfig.tradeModes, quint8(saved));
    }
}

void TestConfigTab::defaultCashier_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown"); // combo index, and DeviceInfo's defaultUser in 2.53
    QTest::addColumn<int>("saved");

    QTest::newRow("2.53 number 0 is no user") << 53 << 0 << -1 << 0;
    QTest::newRow("2.53 default") << 53 << 7 << 6 << 7;
    QTest::newRow("2.53 last user") << 53 << 16 << 15 << 16;
    QTest::newRow("2.53 beyond the users: kept") << 53 << 17 << -1 << 17;
    QTest::newRow("2.52 last user, hidden") << 52 << 9 << 8 << 9;
    QTest::newRow("2.52 beyond the users: kept") << 52 << 10 << -1 << 10;
}

void TestConfigTab::defaultCashier()
{
    QFETCH(int, family);
    QFETCH(int, stored);
    QFETCH(int, shown);
    QFETCH(int, saved);

    std::unique_ptr<DeviceParams> params = makeParams(family);
    tradeOf(*params).defaultCashier = qint16(stored);
    std::unique_ptr<ConfigTab> tab = makeTab(family);
    tab->loadParams(*params);
    auto *cashier = formField<QComboBox>(tab.get(), "Кассир по умолчанию:");
    QCOMPARE(cashier->count(), family == 52 ? 9 : 16);
    QCOMPARE(cashier->currentIndex(), shown);

    DeviceInfo info;
    tab->updateDeviceInfo(info);
    QCOMPARE(info.defaultUser, family == 53 ? shown : -1);

    tab->saveParams(*params);
    QCOMPARE(int(tradeOf(*params).defaultCashier), saved);
}

void TestConfigTab::tabFollowsThePage_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QStringList>("groups");
    QTest::newRow("2.53") << 53
                          << QStringList { "Отделы",  "Торговля",        "Виды расчета",      "Клавиатура",
                                           "Дисплей", "Режимы торговли", "Сканер штрихкодов", "Принтер",
                                           "Печать" };
    QTest::newRow("2.52") << 52 << QStringList { "Отделы",  "Торговля",          "Клавиатура",
                                                 "Дисплей", "Сканер штрихкодов", "Принтер",
                                                 "Печать" };
}

// Tab walks the groups row by row as the page shows them, each group's
// controls from the top down, and never comes back to a group it left.
void TestConfigTab::tabFollowsThePage()
{
    QFETCH(int, family);
    QFETCH(QStringList, groups);
    std::unique_ptr<ConfigTab> tab = makeTab(family);
    tab->show();
    QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
    const auto groupOf = [](QWidget *w) {
        for (; w; w = w->parentWidget()) {
            if (auto *box = qobject_cast<QGroupBox *>(w))
                return box->title();
        }
        return QString();
    };
    QWidget *first = formField<QWidget>(tab.get(), "Количество отделов:");
    first->setFocus();
    QStringList visited { groupOf(first) };
    QWidget *w = first;
    for (int step = 0; step < 60; ++step) {
        w = w->nextInFocusChain();
        while (w && !(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        if (!w || w == first)
            break;
        const QString group = groupOf(w);
        if (!group.isEmpty() && group != visited.last())
            visited.append(group);
    }
    QCOMPARE(visited, groups);
}

QTEST_MAIN(TestConfigTab)
#include "tst_configtab.moc"

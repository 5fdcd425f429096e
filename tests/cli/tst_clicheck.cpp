#include "cli.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"
#include "tabs/devicetab.h"
#include "tabs/fieldchecks.h"
#include "tabs/ofdtab52.h"
#include "tabs/ofdtab53.h"
#include "tabs/orgtab52.h"
#include "tabs/orgtab53.h"
#include "tabs/registrationtab52.h"
#include "tabs/registrationtab53.h"
#include "tabs/tabrules.h"
#include "tabs/usertab52.h"
#include "tabs/usertab53.h"
#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString Serial53 = QStringLiteral("0053000002");
const QString Serial52 = QStringLiteral("0052000001");

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    Cli c(out, err);
    r.code = c.run(QStringList { QStringLiteral("korvant-cli") } + args);
    out.flush();
    err.flush();
    return r;
}

// Stands in for the configuration tab: contributes the default cashier of
// the loaded set the way the configuration tab's combo does (2.53 only).
class ConfigStandIn : public DeviceWidget
{
public:
    void saveParams(DeviceParams &) override { }
    void loadParams(const DeviceParams &params) override
    {
        const auto *p = qobject_cast<const DeviceParams53 *>(&params);
        m_defaultUser = p ? defaultUserOf(p->tradeConfig.defaultCashier, p->users.size()) : -1;
        m_contributes = p != nullptr;
    }
    void validate(DeviceIssueWidget *, const DeviceInfo &) override { }
    void updateDeviceInfo(DeviceInfo &info) override
    {
        if (m_contributes)
            info.defaultUser = m_defaultUser;
    }

private:
    int m_defaultUser = -1;
    bool m_contributes = false;
};

// The tabs that have rules or contributions, on a tab widget in window
// order, with the findings dock.
struct DeviceTabs
{
    explicit DeviceTabs(int family)
    {
        add(DeviceTab::Config, new ConfigStandIn);
        add(DeviceTab::Users, family == 52 ? static_cast<DeviceWidget *>(new UserTab52) : new UserTab53);
        add(DeviceTab::Organisation, family == 52 ? static_cast<DeviceWidget *>(new OrgTab52) : new OrgTab53);
        add(DeviceTab::Ofd, family == 52 ? static_cast<DeviceWidget *>(new OfdTab52) : new OfdTab53);
        add(DeviceTab::Registration,
            family == 52 ? static_cast<DeviceWidget *>(new RegistrationTab52) : new RegistrationTab53);
    }

    void add(DeviceTab which, DeviceWidget *tab)
    {
        tabs.addTab(tab, tabCaption(which));
        list.append(tab);
    }

    // "caption: text" of every finding the dock lists after "Проверить".
    QStringList check(const DeviceParams &params)
    {
        for (DeviceWidget *tab : qAsConst(list))
            tab->loadParams(params);
        DeviceWidget::runValidation(list, &dock);
        QStringList lines;
        for (int row = 0; row < dock.model()->rowCount(); ++row) {
            const auto issue = dock.model()->issue(row).dynamicCast<DeviceIssue>();
            const int page = tabs.indexOf(static_cast<QWidget *>(issue->tab()));
            lines.append(QStringLiteral("%1: %2").arg(tabs.tabText(page), issue->text()));
        }
        return lines;
    }

    QTabWidget tabs;
    QList<DeviceWidget *> list;
    DeviceIssueWidget dock { &tabs };
};

QString validRegNumber(const QString &serial, const QString &inn)
{
    const QString first = QStringLiteral("0000000001");
    const QString text
        = first + inn.rightJustified(12, QLatin1Char('0')) + serial.rightJustified(20, QLatin1Char('0'));
    return first + QStringLiteral("%1").arg(crc16CcittFalse(text.toLatin1()), 6, 10, QLatin1Char('0'));
}

void fillOperator(DeviceParams53 &p, const QString &inn)
{
    p.ofd.inn.setText(inn);
    p.ofd.address.setText("ofd.example.ru");
    p.ofd.port = 7777;
    p.ofd.name.setText("ООО \"ОФД\"");
    p.ofd.ofdSite.setText("www.ofd.example.ru");
    p.ofd.fnsSite.setText("www.nalog.gov.ru");
    p.ofd.connectTimer = 60; // the demo's 30 s is below the register's 40
}

using Craft = std::function<void(DeviceParams &)>;

// A parameter file of the simulator's demo register, changed by craft.
ParamFile craftedFile(int family, const Craft &craft)
{
    RegisterSimulator::Config config;
    config.family = family == 52 ? RegisterSimulator::Family252 : RegisterSimulator::Family253;
    config.serial = family == 52 ? Serial52 : Serial53;
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    sim.fillDemoParameters();
    ParamFile file;
    file.serial = config.serial;
    file.version = family == 52 ? "2.52.40" : "2.53.40";
    file.params = sim.parameterImage();
    file.system = sim.systemImage();
    std::unique_ptr<DeviceParams> params(DeviceParams::create(file.version));
    params->fromImage(file.params, file.system);
    craft(*params);
    params->toImage(file.params, file.system);
    return file;
}

} // namespace

Q_DECLARE_METATYPE(Craft)

class TestCliCheck : public QObject
{
    Q_OBJECT

private slots:
    void sameFindingsAsTheWindow_data();
    void sameFindingsAsTheWindow();
    void jsonNamesTheFields();
    void registerTextStaysOnOneLine();
    void unreadableFile_data();
    void unreadableFile();

private:
    QTemporaryDir m_dir;
};

void TestCliCheck::sameFindingsAsTheWindow_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<Craft>("craft");
    QTest::addColumn<QStringList>("expected");

    const QString users = tabCaption(DeviceTab::Users) + ": ";
    const QString org = tabCaption(DeviceTab::Organisation) + ": ";
    const QString ofd = tabCaption(DeviceTab::Ofd) + ": ";
    const QString reg = tabCaption(DeviceTab::Registration) + ": ";

    QTest::newRow("demo register without an operator")
        << 53 << Craft([](DeviceParams &) {})
        << QStringList { ofd + "ИНН ОФД не задан", ofd + "Адрес подключения к ОФД не задан",
                         ofd + "Порт подключения к ОФД не задан", ofd + "Адрес сайта ОФД не задан",
                         ofd + "Наименование ОФД не задано", ofd + "Адрес сайта ФНС не задан",
                         // The demo keeps the default timer of 30 s, below the register's 40.
                         ofd + "Таймер подключения: значение 30 вне допустимого диапазона от 40 до 3600" };
    QTest::newRow("registered, nothing to report") << 53 << Craft([](DeviceParams &params) {
        auto &p = static_cast<DeviceParams53 &>(params);
        fillOperator(p, "000000000000");
        p.registrationIds.regNumber.setText(validRegNumber(Serial53, p.organisation.inn.text()));
        p.registrationIds.fnNumber.setText("9999078900001234");
    }) << QStringList();
    QTest::newRow("a fault on every tab")
        << 53 << Craft([](DeviceParams &params) {
               auto &p = static_cast<DeviceParams53 &>(params);
               p.tradeConfig.defaultCashier = 10; // record 9, after the hidden record 8
               p.users[3].inn.setText("500100732258");
               p.users[5].barcode.setText("4006381333930");
               p.organisation.inn.setText("7707083894");
               p.organisation.place.setText("");
               fillOperator(p, "7704211201"); // an operator: the e-mail is demanded
               p.organisation.email.setText("");
               p.ofd.port = 0;
               p.registrationIds.regNumber.setText("000000000101234");
           })
        << QStringList { users + "Пользователь по умолчанию (Кассир 10) не активен",
                         users + "ИНН пользователя Кассир 4 содержит некорректное значение 500100732258",
                         users
                             + "Штрихкод пользователя Кассир 6 содержит некорректное значение 4006381333930",
                         org + "ИНН организации содержит некорректное значение: 7707083894",
                         org + "Место расчета не задано",
                         org + "Адрес электронной почты не задан",
                         ofd + "Порт подключения к ОФД не задан",
                         reg + "Номер ФН не установлен",
                         reg + "Регистрационный номер содержит некорректное значение" };
    QTest::newRow("ten zeros as operator number, serial missing")
        << 53 << Craft([](DeviceParams &params) {
               auto &p = static_cast<DeviceParams53 &>(params);
               fillOperator(p, "0000000000");
               p.organisation.email.setText("");
               p.registrationIds.serialNumber.setText("");
               p.registrationIds.fnNumber.setText("9999078900001234");
           })
        << QStringList { ofd + "ИНН ОФД содержит некорректное значение: 0000000000",
                         reg + "Заводской номер не установлен", reg + "Регистрационный номер не установлен" };
    QTest::newRow("family 2.52 has no organisation or cashier rules")
        << 52 << Craft([](DeviceParams &params) {
               auto &p = static_cast<DeviceParams52 &>(params);
               p.tradeConfig.defaultCashier = 1;
               p.organisation.inn.setText("7707083894");
               p.organisation.name.setText("");
           })
        << QStringList();
}

void TestCliCheck::sameFindingsAsTheWindow()
{
    QFETCH(int, family);
    QFETCH(Craft, craft);
    QFETCH(QStringList, expected);

    const ParamFile file = craftedFile(family, craft);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".json");
    QString error;
    QVERIFY2(file.save(path, &error), qPrintable(error));

    const Run run = cli({ "check", path });
    QCOMPARE(run.err, QString());
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, expected);
    QCOMPARE(run.code, expected.isEmpty() ? int(Cli::ExitOk) : int(Cli::ExitFindings));

    // The window's tabs, filled from the same file, list the same findings
    // in the same order.
    ParamFile loaded;
    QVERIFY(ParamFile::load(path, &loaded, &error));
    std::unique_ptr<DeviceParams> params(DeviceParams::create(loaded.version));
    params->fromImage(loaded.params, loaded.system);
    DeviceTabs window(family);
    QCOMPARE(window.check(*params), lines);
}

void TestCliCheck::jsonNamesTheFields()
{
    const ParamFile file = craftedFile(53, [](DeviceParams &params) {
        auto &p = static_cast<DeviceParams53 &>(params);
        fillOperator(p, "000000000000");
        p.tradeConfig.defaultCashier = 10;
        p.users[5].barcode.setText("4006381333930");
    });
    const QString path = m_dir.filePath("json.json");
    QString error;
    QVERIFY(file.save(path, &error));

    const Run run = cli({ "check", path, "--json" });
    QCOMPARE(run.code, int(Cli::ExitFindings));
    QJsonParseError parseError {};
    const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &parseError);
    QCOMPARE(parseError.error, QJsonParseError::NoError);
    const QJsonArray expected {
        QJsonObject { { "tab", "Пользователи" },
                      { "field", "users[9].active" },
                      { "text", "Пользователь по умолчанию (Кассир 10) не активен" } },
        QJsonObject {
            { "tab", "Пользователи" },
            { "field", "users[5].barcode" },
            { "text", "Штрихкод пользователя Кассир 6 содержит некорректное значение 4006381333930" } },
    };
    QCOMPARE(doc.array(), expected);
    // Keys in the order a person reads them.
    QVERIFY(run.out.indexOf("\"tab\"") < run.out.indexOf("\"field\""));
    QVERIFY(run.out.indexOf("\"field\"") < run.out.indexOf("\"text\""));

    // Nothing to report: an empty array.
    const ParamFile clean = craftedFile(52, [](DeviceParams &) {});
    QVERIFY(clean.save(path, &error));
    const Run none = cli({ "check", "--json", path });
    QCOMPARE(none.code, int(Cli::ExitOk));
    QCOMPARE(QJsonDocument::fromJson(none.out.toUtf8()).array(), QJsonArray());
}

void TestCliCheck::registerTextStaysOnOneLine()
{
    const ParamFile file = craftedFile(53, [](DeviceParams &params) {
        auto &p = static_cast<DeviceParams53 &>(params);
        fillOperator(p, "000000000000");
        p.users[0].name.setText("Кассир\n1\t");
        p.users[0].inn.setText("12\x01");
    });
    const QString path = m_dir.filePath("lines.json");
    QString error;
    QVERIFY(file.save(path, &error));

    QCOMPARE(cli({ "check", path }).out,
             QStringLiteral(
                 "Пользователи: ИНН пользователя Кассир\\n1\\t содержит некорректное значение 12\\x01\n"));
    // JSON carries the text as it is.
    const QJsonArray findings
        = QJsonDocument::fromJson(cli({ "check", path, "--json" }).out.toUtf8()).array();
    QCOMPARE(findings.first().toObject().value("text").toString(),
             QStringLiteral("ИНН пользователя Кассир\n1\t содержит некорректное значение 12\x01"));
}

void TestCliCheck::unreadableFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("params");
    QTest::newRow("image of another register")
        << craftedFile(53, [](DeviceParams &params) {
               static_cast<DeviceParams53 &>(params).registrationIds.serialNumber.setText("0053999999");
           }).toJson();
}

void TestCliCheck::unreadableFile()
{
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".json");
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const Run run = cli({ "check", path });
    QCOMPARE(run.code, int(Cli::ExitFile));
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(path), qPrintable(run.err));
}

QTEST_MAIN(TestCliCheck)
#include "tst_clicheck.moc"

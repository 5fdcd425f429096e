#include "clirun.h"
#include "support/simfleet.h"
#include "support/testsettings.h"

#include "app/deviceregistry.h"
#include "link/reachability.h"
#include "params/textcodec.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

// A run whose standard output keeps its bytes (a CSV file's code page).
QByteArray cliBytes(const QStringList &args, int *code)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString err;
    QTextStream out(&buffer);
    out.setCodec("UTF-8");
    QTextStream errors(&err);
    Cli c(out, errors);
    *code = c.run(QStringList { QStringLiteral("korvant-cli") } + args);
    out.flush();
    return buffer.data();
}

} // namespace

class TestCliInventory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void listsTheDeviceListsRegisters();
    void csvInTheProjectsCodePages_data();
    void csvInTheProjectsCodePages();
    void json();
    void refusesCommandLines_data();
    void refusesCommandLines();

private:
    TestSettingsDir m_store;
    SimFleet m_sims;
};

void TestCliInventory::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
    Reachability::setPingFunction(
        [](const QString &address, int) { return address == QLatin1String("127.0.0.173") ? 11 : 0; });
    QVERIFY(m_sims.start({ { "127.0.0.171", 53, "0530000171" }, { "127.0.0.172", 52, "0520000172" } }));
    DeviceRegistry registry;
    registry.addDevice("0530000171", "2.53.12", "Касса №1", "127.0.0.171");
    // A name Windows-1251 cannot hold.
    registry.addDevice("0520000172", "2.52.40", "Касса ☕", "127.0.0.172");
    registry.addDevice("0530000173", "2.53.12", "Склад", "127.0.0.173");
    registry.addDevice("0530000174", "2.53.*", "Без адреса", "");
    QVERIFY(registry.save());
}

void TestCliInventory::cleanupTestCase()
{
    Reachability::setPingFunction({});
}

void TestCliInventory::listsTheDeviceListsRegisters()
{
    const Run r = cli({ "inventory", "--port", QString::number(m_sims.port()) });
    // The silent register sets the exit status.
    QCOMPARE(r.code, int(Cli::ExitUnreachable));
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4); // the header, then the three registers with an address
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Адрес\tНазвание\tЗаводской номер\tВерсия\tСемейство")));
    QVERIFY2(lines.at(1).startsWith(QStringLiteral("127.0.0.171\tКасса №1\t0530000171\t2.53.12\t2.53\t")),
             qPrintable(lines.at(1)));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("127.0.0.172\tКасса ☕\t0520000172\t2.52.40\t2.52\t")));
    QVERIFY2(lines.at(3).startsWith(QStringLiteral("127.0.0.173\tСклад\t0530000173\t—\t")),
             qPrintable(lines.at(3)));
    QVERIFY(lines.at(3).contains(QStringLiteral("\tнет связи\t")));
    QVERIFY(lines.at(3).contains(QStringLiteral("профиля нет")));
    QVERIFY(lines.at(1).contains(QStringLiteral("\tв сети\t")));
}

void TestCliInventory::csvInTheProjectsCodePages_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("name");
    QTest::newRow("Windows-1251 holds every text") << "127.0.0.171" << false << "Касса №1";
    QTest::newRow("a name Windows-1251 cannot hold") << "127.0.0.172" << true << "Касса ☕";
}

void TestCliInventory::csvInTheProjectsCodePages()
{
    QFETCH(QString, address);
    QFETCH(bool, utf8);
    QFETCH(QString, name);
    int code = -1;
    const QByteArray bytes
        = cliBytes({ "inventory", address, "--csv", "--port", QString::number(m_sims.port()) }, &code);
    QCOMPARE(code, 0);
    const QByteArray bom("\xEF\xBB\xBF");
    QCOMPARE(bytes.startsWith(bom), utf8);
    const QString text = utf8 ? QString::fromUtf8(bytes.mid(bom.size())) : TextCodec::decode(bytes);
    if (!utf8)
        QCOMPARE(TextCodec::encode(text), bytes);
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Адрес;Название;Заводской номер;")));
    QVERIFY2(lines.at(1).startsWith(QStringLiteral("%1;%2;").arg(address, name)), qPrintable(lines.at(1)));
}

void TestCliInventory::json()
{
    const Run r = cli(
        { "inventory", "127.0.0.171", "127.0.0.173", "--json", "--port", QString::number(m_sims.port()) });
    QCOMPARE(r.code, int(Cli::ExitUnreachable));
    const QJsonArray array = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(array.size(), 2);
    const QJsonObject online = array.at(0).toObject();
    QCOMPARE(online.value("serial").toString(), QStringLiteral("0530000171"));
    QCOMPARE(online.value("name").toString(), QStringLiteral("Касса №1"));
    QCOMPARE(online.value("link").toString(), QStringLiteral("online"));
    QCOMPARE(online.value("source").toString(), QStringLiteral("register"));
    QCOMPARE(online.value("goodsRows").toInt(-1), 0);
    QCOMPARE(online.value("goodsCapacity").toInt(), 2000);
    QVERIFY(online.value("paramFindings").isDouble());
    const QJsonObject silent = array.at(1).toObject();
    QCOMPARE(silent.value("link").toString(), QStringLiteral("silent"));
    QCOMPARE(silent.value("serial").toString(), QStringLiteral("0530000173"));
    QVERIFY(silent.value("regNumber").isNull());
    QVERIFY(silent.value("goodsRows").isNull());
    QCOMPARE(silent.value("notes").toArray().size(), 2);
}

void TestCliInventory::refusesCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no register at a time") << QStringList { "--jobs", "0" } << "допустимо от 1 до 16";
    QTest::newRow("too many at a time") << QStringList { "--jobs", "17" } << "допустимо от 1 до 16";
    QTest::newRow("both csv and json") << QStringList { "--csv", "--json" } << "вместе не указываются";
    QTest::newRow("incomplete address") << QStringList { "127.0.0." } << "не IPv4-адрес";
    QTest::newRow("one address twice") << QStringList { "127.0.0.171", "127.0.0.171" } << "указан дважды";
}

void TestCliInventory::refusesCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    m_sims[0].clearRequestLog();
    const Run r = cli(QStringList { "inventory", "--port", QString::number(m_sims.port()) } + args);
    QCOMPARE(r.code, int(Cli::ExitUsage));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(m_sims[0].requestLog().isEmpty());
}

QTEST_GUILESS_MAIN(TestCliInventory)
#include "tst_cliinventory.moc"

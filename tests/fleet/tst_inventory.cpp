#include "support/simfleet.h"
#include "support/testsettings.h"

#include "fleet/inventory.h"
#include "goods/goodscheck.h"
#include "goods/goodsimage.h"
#include "link/devicejob.h"
#include "params/deviceparams52.h"
#include "params/deviceprofile.h"
#include "tabs/tabrules.h"

#include <QSignalSpy>
#include <QtTest>

using Sim = RegisterSimulator;
using Link = InventoryLine::Link;

namespace {

// Three rows, the second with a barcode whose check digit is wrong.
GoodsList goods()
{
    return { { QStringLiteral("Хлеб"), QStringLiteral("1"), QStringLiteral("4600000000008"), 45.0, 1 },
             { QStringLiteral("Молоко"), QStringLiteral("2"), QStringLiteral("4600000000001"), 80.5, 2 },
             { QStringLiteral("Соль"), QStringLiteral("3"), QString(), 20.0, 1 } };
}

bool waitFor(Inventory &inventory)
{
    QSignalSpy spy(&inventory, &Inventory::finished);
    return !inventory.isRunning() || spy.wait(30000);
}

} // namespace

class TestInventory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void describesEachRegisterInTargetOrder();
    void stopStartsNoFurtherRegister();

private:
    TestSettingsDir m_store;
};

void TestInventory::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
}

void TestInventory::describesEachRegisterInTargetOrder()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.151", 53, "0530000151" },
                         { "127.0.0.152", 52, "0520000152" },
                         { "127.0.0.155", 53, "0530000155" },
                         { "127.0.0.156", 53, "0530000156" },
                         { "127.0.0.157", 53, "0530000158" } }));
    for (int i = 0; i < 5; ++i)
        sims[i].setFault(Sim::ReplyDelay, Sim::EveryRequest, 3);
    QVERIFY(SimFleet::edit(sims[0], 53,
                           { { "registrationIds.regNumber", "0000000001012345" },
                             { "registrationIds.fnNumber", "9960440300000001" },
                             { "organisation.inn", "7707083893" },
                             { "ofd.inn", "7704211201" },
                             { "ofd.name", "ООО «Такском»" },
                             { "tradeConfig.departmentCount", "1" },
                             { "tradeConfig.maxPrice", "50.00" } }));
    QByteArray area = buildGoodsImage(goods(), true);
    sims[0].setGoodsArea(area + sims[0].goodsArea().mid(area.size()));
    {
        // A 2.52 register's current registration is the last of its history.
        const std::unique_ptr<DeviceParams> p = SimFleet::params(sims[1], 52);
        auto *p52 = static_cast<DeviceParams52 *>(p.get());
        RegistrationRecord52 first, second;
        first.marker = second.marker = RegistrationRecord52::Marker;
        first.regNumber.setText(QStringLiteral("0000000001000001"));
        second.regNumber.setText(QStringLiteral("0000000002000002"));
        second.fnNumber.setText(QStringLiteral("8710000100000002"));
        p52->registrations.clear();
        p52->registrations.append(first);
        p52->registrations.append(second);
        p52->organisation.inn.setText(QStringLiteral("500100732259"));
        QByteArray image = sims[1].parameterImage();
        QByteArray system = sims[1].systemImage();
        p->toImage(image, system);
        sims[1].setParameterImage(image);
        sims[1].setSystemImage(system);
    }
    // 156: another register answers the goods read's connection.
    sims[3].setConnectionSerials({ QStringLiteral("0530000156"), QStringLiteral("0530000199") });
    // 153 is silent but has a profile; 154 is silent without one.
    QVERIFY(DeviceProfile().save(QStringLiteral("0530000153"), QStringLiteral("2.53.12"), 1000,
                                 sims[0].parameterImage(), sims[0].systemImage()));
    QVERIFY(DeviceProfile().saveGoods(QStringLiteral("0530000153"), buildGoodsImage(goods(), false)));

    Inventory inventory;
    inventory.setJobs(3);
    inventory.setNames({ { QStringLiteral("0530000158"), QStringLiteral("Касса 8") } });
    inventory.setPingFunction([](const QString &address, int) {
        return address == QLatin1String("127.0.0.153") || address == QLatin1String("127.0.0.154") ? 11 : 0;
    });
    // 155 fails in the middle: its goods read loses the connection.
    connect(&inventory, &Inventory::lineChanged, &inventory, [&](int index) {
        if (index == 4 && inventory.lines().at(index).link == Link::Online)
            sims[2].setFault(Sim::CloseConnection, 3);
    });
    const quint16 port = sims.port();
    inventory.start({ { "127.0.0.151", port, "0530000151", "Касса 1" },
                      { "127.0.0.152", port, "0520000152", "Касса 2" },
                      { "127.0.0.153", port, "0530000153", "Касса 3" },
                      { "127.0.0.154", port, "0530000154", "Касса 4" },
                      { "127.0.0.155", port, "0530000155", "Касса 5" },
                      { "127.0.0.156", port, "0530000156", "Касса 6" },
                      { "127.0.0.157", port, "0530000157", "Касса 7" },
                      { "", port, "0530000160", "Касса без адреса" } });
    QVERIFY(waitFor(inventory));
    const QVector<InventoryLine> &lines = inventory.lines();
    QCOMPARE(lines.size(), 8);
    QStringList addresses;
    for (const InventoryLine &l : lines)
        addresses.append(l.target.address);
    QCOMPARE(addresses,
             (QStringList { "127.0.0.151", "127.0.0.152", "127.0.0.153", "127.0.0.154", "127.0.0.155",
                            "127.0.0.156", "127.0.0.157", "" }));

    // The findings are those check and goods-check report.
    const InventoryLine &a = lines.at(0);
    QCOMPARE(int(a.link), int(Link::Online));
    QVERIFY(!a.fromProfile);
    QCOMPARE(a.name, QStringLiteral("Касса 1"));
    QCOMPARE(a.serial, QStringLiteral("0530000151"));
    QCOMPARE(a.version, QStringLiteral("2.53.12"));
    QCOMPARE(a.family, 53);
    QCOMPARE(a.regNumber, QStringLiteral("0000000001012345"));
    QCOMPARE(a.fnNumber, QStringLiteral("9960440300000001"));
    QCOMPARE(a.orgInn, QStringLiteral("7707083893"));
    QCOMPARE(a.ofdInn, QStringLiteral("7704211201"));
    QCOMPARE(a.ofdName, QStringLiteral("ООО «Такском»"));
    QCOMPARE(a.goodsRows, 3);
    QCOMPARE(a.goodsCapacity, 2000);
    QCOMPARE(a.paramFindings, checkParams(*SimFleet::params(sims[0], 53)).size());
    // As goods-check --params: the register's departments in use (1) and
    // maximum price (50.00) count, so "Молоко" in department 2 at 80.50 adds two.
    GoodsCheckLimits limits;
    limits.capacity = 2000;
    limits.takeSettings(*SimFleet::params(sims[0], 53));
    QCOMPARE(a.goodsFindings, checkGoods(goods(), limits).size());
    QCOMPARE(a.goodsFindings, checkGoods(goods(), 2000, 16).size() + 2);
    QCOMPARE(InventoryColumns::text(a, InventoryColumns::Source), QStringLiteral("ККТ"));

    const InventoryLine &b = lines.at(1);
    QCOMPARE(b.family, 52);
    QCOMPARE(b.regNumber, QStringLiteral("0000000002000002"));
    QCOMPARE(b.fnNumber, QStringLiteral("8710000100000002"));
    QCOMPARE(b.orgInn, QStringLiteral("500100732259"));
    QCOMPARE(b.goodsRows, 0);
    QCOMPARE(b.paramFindings, 0); // family 2.52 has no rules

    // Silent: said so, and filled from the profile where there is one.
    const InventoryLine &c = lines.at(2);
    QCOMPARE(int(c.link), int(Link::Silent));
    QVERIFY(c.fromProfile);
    QCOMPARE(InventoryColumns::text(c, InventoryColumns::Source), QStringLiteral("профиль"));
    QCOMPARE(InventoryColumns::text(c, InventoryColumns::Link), QStringLiteral("нет связи"));
    QCOMPARE(c.regNumber, a.regNumber);
    QCOMPARE(c.goodsRows, 3);
    QCOMPARE(c.goodsCapacity, 1000);
    QCOMPARE(c.goodsFindings, a.goodsFindings); // the profile's settings count as the register's
    const InventoryLine &d = lines.at(3);
    QCOMPARE(int(d.link), int(Link::Silent));
    QVERIFY(!d.fromProfile);
    QVERIFY(d.regNumber.isEmpty());
    QCOMPARE(d.goodsRows, -1);
    QVERIFY2(d.notes.contains(QStringLiteral("профиля нет")), qPrintable(d.notes.join('|')));

    // Failing or changing in the middle: the parameters stay, the goods are
    // left out, and the line never mixes two registers.
    const InventoryLine &e = lines.at(4);
    QCOMPARE(int(e.link), int(Link::Online));
    QCOMPARE(e.goodsCode, int(ErrSocket));
    QCOMPARE(e.goodsRows, -1);
    QVERIFY(e.paramFindings >= 0);
    const InventoryLine &f = lines.at(5);
    QCOMPARE(f.serial, QStringLiteral("0530000156"));
    QCOMPARE(f.goodsCode, int(ErrSerialMismatch));
    QCOMPARE(f.goodsRows, -1);
    QVERIFY(f.notes.join(' ').contains(QStringLiteral("0530000199")));

    // Another register than listed: what answered, with its own name.
    const InventoryLine &g = lines.at(6);
    QCOMPARE(g.serial, QStringLiteral("0530000158"));
    QCOMPARE(g.name, QStringLiteral("Касса 8"));
    QVERIFY(g.notes.join(' ').contains(QStringLiteral("0530000157")));

    QCOMPARE(int(lines.at(7).link), int(Link::NoAddress));
    QCOMPARE(InventoryColumns::table(lines).size(), 9);
}

void TestInventory::stopStartsNoFurtherRegister()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.161", 53, "0530000161" },
                         { "127.0.0.162", 53, "0530000162" },
                         { "127.0.0.163", 53, "0530000163" } }));
    Inventory inventory;
    inventory.setJobs(1);
    inventory.setPingFunction([](const QString &, int) { return 0; });
    connect(&inventory, &Inventory::lineChanged, &inventory, [&](int index) {
        if (index == 0)
            inventory.cancel();
    });
    const quint16 port = sims.port();
    inventory.start({ { "127.0.0.161", port, "0530000161", QString() },
                      { "127.0.0.162", port, "0530000162", QString() },
                      { "127.0.0.163", port, "0530000163", QString() } });
    QVERIFY(waitFor(inventory));
    const QVector<InventoryLine> &lines = inventory.lines();
    // The first was read up to the stop; its goods were not asked for.
    QCOMPARE(int(lines.at(0).link), int(Link::Online));
    QCOMPARE(lines.at(0).goodsRows, -1);
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(int(lines.at(i).link), int(Link::Skipped));
        QVERIFY(sims[i].requestLog().isEmpty());
    }
    QSet<int> connections;
    for (const Sim::Request &r : sims[0].requestLog())
        connections.insert(r.connection);
    QCOMPARE(connections.size(), 1);
}

QTEST_GUILESS_MAIN(TestInventory)
#include "tst_inventory.moc"

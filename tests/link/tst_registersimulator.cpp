#include "app/firmware.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/taggedrecord.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "sim/registersimulator.h"
#include "tabs/fieldchecks.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

// The reply grammar the discovery scanner accepts.
const QRegularExpression
    DiscoveryReply(QStringLiteral("^(\\d+) (([0-9A-Fa-f]{2}[:-]){5}([0-9A-Fa-f]{2})) "
                                  "((([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\\.){3}([0-9]|[1-9][0-9]"
                                  "|1[0-9]{2}|2[0-4][0-9]|25[0-5]))[\\n]"));

} // namespace

class TestRegisterSimulator : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void discovery();
    void writeCommandsByRegion_data();
    void writeCommandsByRegion();
    void storeFile();
    void program();
    void demoParameters_data();
    void demoParameters();
};

void TestRegisterSimulator::layout_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("parameterPages");
    QTest::addColumn<int>("serialOffset"); // within the parameter image
    QTest::newRow("2.53") << int(Sim::Family253) << 21 << 256;
    QTest::newRow("2.52") << int(Sim::Family252) << 10 << 4;
}

void TestRegisterSimulator::layout()
{
    QFETCH(int, family);
    QFETCH(int, serialOffset);
    Sim::Config config;
    config.family = Sim::Family(family);
    config.serial = QStringLiteral("4455");
    config.goodsCapacity = 2000;
    const Sim sim(config);
    QTEST(int(sim.region(2).pageCount), "parameterPages");
    QCOMPARE(int(sim.region(1).pageCount), 4);
    QCOMPARE(int(sim.region(5).pageCount), 1001); // header, 2000 rows, terminator
    QCOMPARE(sim.parameterImage().mid(serialOffset, 5), QByteArray("4455\0", 5));
    QCOMPARE(sim.serial(), QStringLiteral("4455"));
    QCOMPARE(sim.goodsArea().mid(128, 2), QByteArray("\xFF\xFF"));
    QCOMPARE(sim.store().size(), (1 + 4 + sim.region(2).pageCount + 2 + 1001) * 256);
}

void TestRegisterSimulator::discovery()
{
    Sim::Config config;
    config.serial = QStringLiteral("0512345678");
    config.discoveryPort = Sim::EphemeralPort;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.4"))));
    QVERIFY(sim.discoveryPort() != 0);

    QUdpSocket probe;
    QVERIFY(probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QSignalSpy replied(&probe, &QUdpSocket::readyRead);
    const QHostAddress simAddress(QStringLiteral("127.0.0.4"));
    // Only the exact probe text is answered.
    probe.writeDatagram("Are You Korvant POS?", simAddress, sim.discoveryPort());
    probe.writeDatagram("Are You Korvant POS?\n", simAddress, sim.discoveryPort());
    QVERIFY(replied.wait());
    const QNetworkDatagram reply = probe.receiveDatagram();
    const QString text = QString::fromLatin1(reply.data());
    QVERIFY2(DiscoveryReply.match(text).hasMatch(), qPrintable(text));
    QCOMPARE(text, QStringLiteral("0512345678 %1 127.0.0.4\n").arg(sim.macAddress()));
    QVERIFY(sim.macAddress().startsWith(QLatin1String("02:")));
    QVERIFY(!probe.hasPendingDatagrams());

    // The MAC follows the serial number.
    config.serial = QStringLiteral("0512345679");
    QVERIFY(Sim(config).macAddress() != sim.macAddress());
}

void TestRegisterSimulator::writeCommandsByRegion_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("value");
    // Layout: directory 0, system 1-4, parameters 5-25.
    QTest::newRow("system write into region 1") << int(Frame::CmdWriteSystemPages) << 1 << 0;
    QTest::newRow("system write outside region 1") << int(Frame::CmdWriteSystemPages) << 5 << 1;
    QTest::newRow("system write across region 1's end") << int(Frame::CmdWriteSystemPages) << 4 << 1;
    QTest::newRow("page write into region 1") << int(Frame::CmdWritePages) << 3 << 1;
    QTest::newRow("page write into the directory") << int(Frame::CmdWritePages) << 0 << 1;
    QTest::newRow("page write into region 2") << int(Frame::CmdWritePages) << 5 << 0;
    QTest::newRow("page write beyond the store") << int(Frame::CmdWritePages) << 100000 << 1;
}

void TestRegisterSimulator::writeCommandsByRegion()
{
    QFETCH(int, command);
    QFETCH(int, page);
    QFETCH(int, value);
    Sim::Config config;
    config.discoveryPort = 0;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.4"))));
    const QByteArray before = sim.store();

    QTcpSocket client;
    client.connectToHost(QStringLiteral("127.0.0.4"), sim.serverPort());
    QVERIFY(client.waitForConnected(2000));
    QSignalSpy readable(&client, &QTcpSocket::readyRead);
    client.write(Frame::request(Frame::Command(command), { page, 2 }, QByteArray(512, 'w')));
    QVERIFY(readable.wait());
    Frame::Message reply;
    QVERIFY(Frame::parse(client.readAll(), &reply));
    QCOMPARE(reply.values, QVector<qint32> { value });
    QCOMPARE(sim.store() == before, value != 0);
}

void TestRegisterSimulator::storeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.bin"));
    Sim::Config config;
    config.family = Sim::Family252;
    Sim first(config);
    first.setParameterImage(QByteArray(2560, 'p'));
    first.setGoodsArea(QByteArray(300, 'g'));
    QVERIFY(first.saveStore(path));

    Sim second(config);
    QVERIFY(second.loadStore(path));
    QCOMPARE(second.store(), first.store());
    QCOMPARE(second.goodsArea().left(301), QByteArray(300, 'g') + '\0');

    QFile junk(dir.filePath(QStringLiteral("junk.bin")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(512, 'j'));
    junk.close();
    QVERIFY(!second.loadStore(junk.fileName()));
    QCOMPARE(second.store(), first.store());
}

// korvant-sim is a real program: it serves jobs and keeps its store across runs.
void TestRegisterSimulator::program()
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("register.bin"));
    const QStringList args { "--address", "127.0.0.5", "--port",   "0",      "--discovery-port", "0",
                             "--family",  "2.52",      "--serial", "052777", "--state",          state };
    const auto start = [&](QProcess &process) -> quint16 {
        process.start(QStringLiteral(KORVANT_SIM_PATH), args);
        // On Windows waitForReadyRead() also returns for standard error.
        const QRegularExpression listening(QStringLiteral("127\\.0\\.0\\.5:(\\d+)"));
        QString banner;
        const QDeadlineTimer deadline(10000);
        while (process.waitForReadyRead(int(deadline.remainingTime()))) {
            banner += QString::fromLocal8Bit(process.readAllStandardOutput());
            const QRegularExpressionMatch m = listening.match(banner);
            if (m.hasMatch())
                return quint16(m.captured(1).toUInt());
        }
        return quint16(0);
    };

    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    const QByteArray params(2560, 'q');
    {
        QProcess process;
        const quint16 port = start(process);
        QVERIFY(port != 0);
        QVERIFY(controller.writeParams(QStringLiteral("127.0.0.5"), port,
                                       TaggedRecord::make(TaggedRecord::ParameterImageTag, params),
                                       QStringLiteral("052777"), 52));
        QVERIFY(finished.wait());
        QCOMPARE(controller.result(), int(ResultOk));
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
    }
    QVERIFY(QFile::exists(state));
    {
        QProcess process;
        const quint16 port = start(process);
        QVERIFY(port != 0);
        QVERIFY(controller.readParams(QStringLiteral("127.0.0.5"), port));
        QVERIFY(finished.wait());
        QCOMPARE(controller.result(), int(ResultOk));
        QCOMPARE(TaggedRecord::find(controller.data(), TaggedRecord::ParameterImageTag), params);
        // A register started without --version-build can be registered in the utility.
        QVERIFY(isVersionSupported(controller.versionMajor(), controller.versionMinor(),
                                   controller.versionBuild()));
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
        // The image written replaced the serial number in the store, which
        // wins over --serial; the program says so rather than keep silent.
        const QString said = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(
            said.contains(QStringLiteral("--serial 052777 not used: the store in %1 holds serial number qq")
                              .arg(state)),
            qPrintable(said));
    }

    QProcess help;
    help.start(QStringLiteral(KORVANT_SIM_PATH), { "--help" });
    QVERIFY(help.waitForFinished(5000));
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    for (const char *option : { "--address", "--port", "--family", "--serial", "--goods-capacity", "--state",
                                "--no-reply", "--close-connection" })
        QVERIFY2(text.contains(QLatin1String(option)), option);
}

void TestRegisterSimulator::demoParameters_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("serial");
    // 2.52 keeps its serial in bytes the parameter set writes as it read them.
    QTest::newRow("2.52: serial in the trade section survives") << int(Sim::Family252) << "0520000001";
    QTest::newRow("2.53: serial in the registration section") << int(Sim::Family253) << "0530000002";
}

// What the utility reads from a demo register is a plausible, valid set.
void TestRegisterSimulator::demoParameters()
{
    QFETCH(int, family);
    QFETCH(QString, serial);
    Sim::Config config;
    config.family = Sim::Family(family);
    config.serial = serial;
    config.discoveryPort = 0;
    Sim sim(config);
    sim.fillDemoParameters();
    QCOMPARE(sim.serial(), serial);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.4"))));

    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.readParams(QStringLiteral("127.0.0.4"), sim.serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(controller.serial(), serial);
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(controller.versionMajor())
                                .arg(controller.versionMinor())
                                .arg(controller.versionBuild());
    std::unique_ptr<DeviceParams> params(DeviceParams::create(version));
    QVERIFY(params);
    params->fromImage(TaggedRecord::find(controller.data(), TaggedRecord::ParameterImageTag),
                      TaggedRecord::find(controller.data(), TaggedRecord::SystemImageTag));

    QString inn, name;
    int departmentCount = 0;
    if (auto *p52 = qobject_cast<DeviceParams52 *>(params.get())) {
        inn = p52->organisation.inn.text();
        name = p52->organisation.name.text();
        departmentCount = p52->tradeConfig.departmentCount;
        QCOMPARE(p52->users.size(), int(DeviceParams52::UserCount));
    } else {
        auto *p53 = qobject_cast<DeviceParams53 *>(params.get());
        inn = p53->organisation.inn.text();
        name = p53->organisation.name.text();
        departmentCount = p53->tradeConfig.departmentCount;
        QCOMPARE(p53->registrationIds.serialNumber.text(), serial);
        QCOMPARE(p53->users.first().name.text(), QStringLiteral("Кассир 1"));
    }
    QVERIFY2(isValidInn(inn, false), qPrintable(inn));
    QVERIFY(name.startsWith(QStringLiteral("ООО")));
    QCOMPARE(departmentCount, 4);
    QCOMPARE(params->departments.at(1).name.text(), QStringLiteral("Молочные"));
    QCOMPARE(params->departments.at(4).name.text(), QStringLiteral("Отдел 5"));
    QCOMPARE(params->receiptHeader.lines().value(0), name);
    QCOMPARE(params->receiptFooter.lines(), QStringList({ "Спасибо за покупку!" }));
    QCOMPARE(params->positions.first().text(), QStringLiteral("Кассир"));
}

QTEST_GUILESS_MAIN(TestRegisterSimulator)
#include "tst_registersimulator.moc"

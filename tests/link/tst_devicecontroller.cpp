#include "jobharness.h"

#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/devicenet.h"
#include "link/frame.h"
#include "link/taggedrecord.h"
#include "sim/registersimulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.3");

// Entries of a /proc folder of this process. Linux only: elsewhere there is
// none (and under Wine the folder is Wine's own process, whose descriptors
// come and go with Wine's own work), so the counts stay 0.
int entries(const char *dir)
{
#ifdef Q_OS_LINUX
    return int(QDir(QString::fromLatin1(dir))
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                   .size());
#else
    Q_UNUSED(dir)
    return 0;
#endif
}

int threadCount()
{
    return entries("/proc/self/task");
}

int openFileCount()
{
    return entries("/proc/self/fd");
}

} // namespace

class TestDeviceController : public QObject
{
    Q_OBJECT

private slots:
    void faultMatrix_data();
    void faultMatrix();
    void failedJobKeepsEarlierResults();
    void serialIsRegisterText();
    void identityWithVersionOnly();
    void oneJobAtATime();
    void operationsAndTheirData();
    void controllerGoneWhileJobRuns();
    void writeGuard_data();
    void writeGuard();
    void writeGuardAcrossConnections();
    void writeWithoutTargetIsNotStarted_data();
    void writeWithoutTargetIsNotStarted();
};

namespace {

// Register variants of the fault matrix beyond a fault rule.
const QString Normal = QStringLiteral("normal");
const QString BlankSerial = QStringLiteral("blank serial");
const QString CapacityBeyondArea = QStringLiteral("capacity beyond the goods area");
const QString NegativeCapacity = QStringLiteral("negative capacity");
const QString NeverAccepts = QStringLiteral("never accepts");
const QString SystemRecordTooLarge = QStringLiteral("system record too large");
// Takes 100 ms over every other reply, so that a repeated reply stays ahead of
// the register's own for the rest of the job; its last write, if any, refused.
// Replies shifted that way have the shape the next request expects: the
// checks of each reply cannot tell.
const QString SlowRegister = QStringLiteral("slow register");
const QString SlowRefusingLastWrite = QStringLiteral("slow register refusing its last write");
// Sixty rows in the goods area: eight chunks of four pages.
const QString SixtyRows = QStringLiteral("slow register holding sixty goods rows");
constexpr int SlowReplyMs = 100;

bool isWrite(const Sim::Request &request)
{
    return request.command == Frame::CmdWritePages || request.command == Frame::CmdWriteSystemPages;
}

// A whole page or a part of one, so that every write is recognisable.
QByteArray newData(int size, char seed)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char(seed + i % 251);
    return b;
}

// The store after the first `pages` pages of a write went in: the regions'
// new bytes, in the order the job writes them.
QByteArray partlyWritten(QByteArray store, const QList<QPair<Storage::Region, QByteArray>> &writes, int pages)
{
    for (const auto &w : writes) {
        for (int k = 0; k < w.first.pageCount && pages > 0; ++k, --pages) {
            QByteArray page = w.second.mid(k * 256, 256);
            page.append(QByteArray(256 - page.size(), '\0'));
            store.replace((w.first.firstPage + k) * 256, 256, page);
        }
    }
    return store;
}

} // namespace

void TestDeviceController::faultMatrix_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("variant");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("request"); // 0 identity, 1 directory, 2 serial, 3.. the job's own
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("result");
    // Pages of the write, in write order, that the register holds new data in afterwards.
    QTest::addColumn<int>("written");

    const int read = DeviceJob::ReadParams;
    const int write = DeviceJob::WriteParams;
    const int readGoods = DeviceJob::ReadGoods;
    const int writeGoods = DeviceJob::WriteGoods;
    const int none = Sim::NoFault;
    QTest::newRow("no reply to the identity")
        << read << Normal << int(Sim::NoReply) << 0 << 0 << int(ErrNoReply) << 0;
    QTest::newRow("no reply to a page read")
        << read << Normal << int(Sim::NoReply) << 4 << 0 << int(ErrNoReply) << 0;
    QTest::newRow("reply later than the window")
        << read << Normal << int(Sim::ReplyDelay) << 3 << 1500 << int(ErrNoReply) << 0;
    QTest::newRow("reply split in pieces within the window")
        << read << Normal << int(Sim::SplitReply) << 3 << 150 << int(ResultOk) << 0;
    QTest::newRow("bad CRC") << read << Normal << int(Sim::BadCrc) << 1 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("payload one byte short")
        << read << Normal << int(Sim::ShortPayload) << 3 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("declared length beyond any reply")
        << read << Normal << int(Sim::OversizedLength) << 3 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("identity without values")
        << read << Normal << int(Sim::WrongValueCount) << 0 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("page read without values")
        << read << Normal << int(Sim::WrongValueCount) << 3 << 0 << int(ErrReadMismatch) << 0;
    QTest::newRow("directory read confirms wrong count")
        << read << Normal << int(Sim::WrongValue) << 1 << 0 << int(ErrReadMismatch) << 0;
    QTest::newRow("write rejected halfway")
        << write << Normal << int(Sim::WriteRejected) << 4 << 0 << int(ErrWriteRejected) << 4;
    QTest::newRow("write confirmed with a non-zero value")
        << write << Normal << int(Sim::WrongValue) << 3 << 0 << int(ErrWriteRejected) << 4;
    QTest::newRow("connection closed at the identity")
        << read << Normal << int(Sim::CloseConnection) << 0 << 0 << int(ErrSocket) << 0;
    QTest::newRow("connection closed while a read waits")
        << read << Normal << int(Sim::CloseConnection) << 5 << 0 << int(ErrSocket) << 0;
    QTest::newRow("connection closed while a write waits")
        << write << Normal << int(Sim::CloseConnection) << 3 << 0 << int(ErrSocket) << 0;

    // Data that must never be silently wrong. 2.53 here: requests 3-8 read
    // the 21 parameter pages, 9 the 4 system pages.
    QTest::newRow("short page data in the directory")
        << read << Normal << int(Sim::ShortPageData) << 1 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("short page data in a parameter chunk")
        << read << Normal << int(Sim::ShortPageData) << 5 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("short page data in the system image")
        << read << Normal << int(Sim::ShortPageData) << 9 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("short page data in a goods read")
        << readGoods << Normal << int(Sim::ShortPageData) << 3 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("short tail page of a goods write: nothing written")
        << writeGoods << Normal << int(Sim::ShortPageData) << 3 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("copy of a read reply right behind it")
        << read << Normal << int(Sim::DuplicateReply) << 4 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("copy of a write confirmation right behind it")
        << write << Normal << int(Sim::DuplicateReply) << 4 << 0 << int(ErrBadReply) << 8;
    // A copy of a reply that arrives only once the next request went out,
    // ahead of that request's reply: every later reply is taken for the next
    // request's. The job's closing identity request then meets a page reply.
    QTest::newRow("reply repeated ahead of the next: a parameter read")
        << read << SlowRegister << int(Sim::RepeatedReply) << 4 << 0 << int(ErrBadReply) << 0;
    // The refusal of the last page write would be read as its confirmation.
    QTest::newRow("reply repeated ahead of the next: a write whose last page write is refused")
        << write << SlowRefusingLastWrite << int(Sim::RepeatedReply) << 4 << 0 << int(ErrBadReply) << 21;
    // Sixty rows would come back as sixty-eight, a chunk read twice.
    QTest::newRow("reply repeated ahead of the next: a goods read")
        << readGoods << SixtyRows << int(Sim::RepeatedReply) << 4 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("system image larger than its region: nothing written")
        << write << SystemRecordTooLarge << none << 0 << 0 << int(ErrCapacity) << 0;
    QTest::newRow("blank serial number") << read << BlankSerial << none << 0 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("goods capacity beyond the goods area")
        << read << CapacityBeyondArea << none << 0 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("negative goods capacity")
        << read << NegativeCapacity << none << 0 << 0 << int(ErrBadReply) << 0;
    QTest::newRow("listener that never accepts")
        << read << NeverAccepts << none << 0 << 0 << int(ErrSocket) << 0;
}

// Each fault ends the job once, with its code, in time, and leaves nothing
// behind; the register holds what it held, but for the pages a write had
// confirmed or sent before the fault.
void TestDeviceController::faultMatrix()
{
    QFETCH(int, kind);
    QFETCH(QString, variant);
    QFETCH(int, fault);
    QFETCH(int, request);
    QFETCH(int, delayMs);
    QFETCH(int, result);
    QFETCH(int, written);
    Sim::Config config;
    if (variant == BlankSerial)
        config.serial = QStringLiteral("   ");
    if (variant == CapacityBeyondArea)
        config.goodsPages = 10; // records for 19 rows
    if (variant == NegativeCapacity)
        config.goodsCapacity = -5;
    // Five reads of four parameter pages and one of four system pages: a
    // reply taken for the next request's has the right page count.
    if (variant == SlowRegister)
        config.parameterPages = 20;
    config.discoveryPort = 0;
    auto sim = std::make_unique<Sim>(config);
    QVERIFY(variant == NeverAccepts ? sim->listenWithoutAccepting(QHostAddress(Host))
                                    : sim->listen(QHostAddress(Host)));
    Sim::FaultRule rule;
    rule.fault = Sim::Fault(fault);
    rule.request = request;
    rule.delayMs = delayMs;
    rule.pieces = 4;
    sim->addFault(rule);
    if (variant == SlowRefusingLastWrite)
        sim->addFault({ Sim::WriteRejected, Sim::EveryRequest, Frame::CmdWriteSystemPages, SlowReplyMs });
    if (variant == SlowRegister || variant == SlowRefusingLastWrite || variant == SixtyRows)
        sim->addFault({ Sim::ReplyDelay, Sim::EveryRequest, Sim::AnyCommand, SlowReplyMs });
    if (variant == SixtyRows) {
        QByteArray area(128, '\0'); // header
        for (int row = 1; row <= 60; ++row)
            area += newData(128, char(row));
        area += QByteArray(2, char(0xFF)) + QByteArray(126, '\0');
        sim->setGoodsArea(area + sim->goodsArea().mid(area.size()));
    }
    const QByteArray storeBefore = sim->store();
    const int threadsBefore = threadCount();
    const int filesBefore = openFileCount();

    // Writes: a recognisable image for each region they touch.
    const QByteArray params = newData(sim->region(Storage::ParameterRegion).byteSize(), 'p');
    const QByteArray system
        = newData(sim->region(Storage::SystemRegion).byteSize() + (variant == SystemRecordTooLarge), 's');
    QByteArray params253 = params;
    params253.replace(256, 20, QByteArray("0012345678").leftJustified(20, '\0')); // its serial stays
    const QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, params253)
        + TaggedRecord::make(TaggedRecord::SystemImageTag, system);
    const QByteArray goods = newData(600, 'g'); // two pages and part of a third
    QList<QPair<Storage::Region, QByteArray>> writes;
    if (kind == DeviceJob::WriteParams)
        writes = { { sim->region(Storage::ParameterRegion), params253 },
                   { sim->region(Storage::SystemRegion), system } };

    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QElapsedTimer clock;
    clock.start();
    switch (kind) {
    case DeviceJob::ReadParams:
        QVERIFY(controller.readParams(Host, sim->serverPort()));
        break;
    case DeviceJob::WriteParams:
        QVERIFY(controller.writeParams(Host, sim->serverPort(), records, sim->serial(), 53));
        break;
    case DeviceJob::ReadGoods:
        QVERIFY(controller.readGoods(Host, sim->serverPort()));
        break;
    case DeviceJob::WriteGoods:
        QVERIFY(controller.writeGoods(Host, sim->serverPort(), goods, sim->serial(), 53));
        break;
    }
    const int bound = variant == NeverAccepts ? DeviceNet::ConnectTimeoutMs : DeviceNet::ReplyWindowMs;
    QVERIFY(finished.wait(bound + 10000));
    QVERIFY2(clock.elapsed() < bound + 2000, "ends within its time-out and a margin");
    QCOMPARE(controller.result(), result);
    QVERIFY(!controller.isBusy());
    QCOMPARE(sim->store(), partlyWritten(storeBefore, writes, written));
    // A write that went out may have been applied, whatever its reply said.
    const QList<Sim::Request> log = sim->requestLog();
    QCOMPARE(controller.writeBegun(), std::any_of(log.begin(), log.end(), isWrite));

    QTRY_COMPARE(DeviceNet::instanceCount(), 0);
    QTRY_COMPARE(sim->connectionCount(), 0);
    // An earlier row's thread may still be on its way out when counted.
    QTRY_VERIFY(threadCount() <= threadsBefore);
    QTRY_VERIFY(openFileCount() <= filesBefore);
    QCOMPARE(finished.count(), 1);
}

void TestDeviceController::failedJobKeepsEarlierResults()
{
    Sim::Config config;
    config.serial = QStringLiteral("0512345678");
    config.goodsCapacity = 700;
    auto sim = startSim(Host, config);
    QVERIFY(sim);
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.readParams(Host, sim->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    const QByteArray data = controller.data();
    QCOMPARE(TaggedRecord::find(data, TaggedRecord::ParameterImageTag), sim->parameterImage());
    QCOMPARE(TaggedRecord::find(data, TaggedRecord::SystemImageTag), sim->systemImage());

    // Another register, answering differently, that fails the job half-way.
    Sim::Config other;
    other.family = Sim::Family252;
    other.serial = QStringLiteral("999");
    other.goodsCapacity = 10;
    auto failing = startSim(Host, other);
    QVERIFY(failing);
    failing->setFault(Sim::BadCrc, 4);
    QVERIFY(controller.readParams(Host, failing->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ErrBadReply));
    QCOMPARE(controller.serial(), QStringLiteral("0512345678"));
    QCOMPARE(controller.versionMinor(), 53);
    QCOMPARE(controller.goodsCapacity(), 700);
    QCOMPARE(controller.data(), data);
}

// Bytes that are no UTF-8: every job decodes them as the register's code page.
void TestDeviceController::serialIsRegisterText()
{
    Sim::Config config;
    config.serial = QStringLiteral("Ёлка0530");
    auto sim = startSim(Host, config);
    QVERIFY(sim);
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.readParams(Host, sim->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(controller.serial(), QStringLiteral("Ёлка0530"));
    QVERIFY(controller.queryInfo(Host, sim->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.serial(), QStringLiteral("Ёлка0530"));
}

void TestDeviceController::identityWithVersionOnly()
{
    Sim::Config config;
    config.infoValues = 1;
    config.goodsCapacity = 500; // not sent
    config.versionWord = 0x2035001F;
    auto sim = startSim(Host, config);
    QVERIFY(sim);
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.queryInfo(Host, sim->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(controller.goodsCapacity(), 2000);
    QCOMPARE(QStringLiteral("%1.%2.%3")
                 .arg(controller.versionMajor())
                 .arg(controller.versionMinor())
                 .arg(controller.versionBuild()),
             QStringLiteral("2.53.31"));
    QCOMPARE(controller.serial(), sim->serial());
}

void TestDeviceController::oneJobAtATime()
{
    auto sim = startSim(Host);
    QVERIFY(sim);
    sim->setFault(Sim::ReplyDelay, 0, 100);
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.queryInfo(Host, sim->serverPort()));
    QVERIFY(controller.isBusy());
    QVERIFY(!controller.readParams(Host, sim->serverPort()));
    QVERIFY(!controller.writeGoods(Host, sim->serverPort(), QByteArray(256, 0), sim->serial(), 53));

    // The caller's finished slot may start the next job at once.
    bool restarted = false;
    connect(&controller, &DeviceController::finished, this, [&] {
        if (!restarted)
            restarted = controller.readGoods(Host, sim->serverPort());
    });
    QVERIFY(finished.wait());
    QVERIFY(restarted);
    QVERIFY(finished.wait());
    QCOMPARE(finished.count(), 2);
    QCOMPARE(controller.result(), int(ResultOk));
    // Each job: opening steps, its own requests, the closing identity request.
    QCOMPARE(sim->requestLog().size(), (3 + 1) + (3 + 1 + 1));
}

// The controller's own part of each operation: what goes in, what comes out.
void TestDeviceController::operationsAndTheirData()
{
    Sim::Config config;
    config.goodsCapacity = 6; // 4 goods pages
    auto sim = startSim(Host, config);
    QVERIFY(sim);
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QSignalSpy pages(&controller, &DeviceController::pages);
    QSignalSpy frames(&controller, &DeviceController::frame);
    QSignalSpy connected(&controller, &DeviceController::connected);

    QByteArray image(1024, 'g');
    image[128] = char(0xFF); // terminator at record 1 of page 0
    image[129] = char(0xFF);
    QVERIFY(controller.writeGoods(Host, sim->serverPort(), image, sim->serial(), 53));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(sim->goodsArea(), image);
    QCOMPARE(pages.takeFirst().at(0).toInt(), 4);
    QCOMPARE(frames.takeLast().at(0).toInt(), 4);
    QCOMPARE(connected.count(), 1);
    QVERIFY(controller.data().isEmpty());

    QVERIFY(controller.readGoodsRange(Host, sim->serverPort(), 1, 1));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(controller.data(), image.mid(128, 128));

    QVERIFY(controller.readGoods(Host, sim->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.data(), image.mid(128, 1024 - 128));

    QVERIFY(controller.writeParams(
        Host, sim->serverPort(), TaggedRecord::make(TaggedRecord::SystemImageTag, "sys"), sim->serial(), 53));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(sim->systemImage().left(4), QByteArray("sys\0", 4));
    QCOMPARE(controller.data(), image.mid(128, 1024 - 128));
}

// A window closed while its job runs: the job stops and cleans up after itself.
void TestDeviceController::controllerGoneWhileJobRuns()
{
    auto sim = startSim(Host);
    QVERIFY(sim);
    sim->setFault(Sim::ReplyDelay, 3, 200);
    QSignalSpy request(sim.get(), &Sim::requestReceived);
    {
        DeviceController controller;
        QVERIFY(controller.readParams(Host, sim->serverPort()));
        QTRY_COMPARE(request.count(), 4);
    }
    QTRY_COMPARE_WITH_TIMEOUT(DeviceNet::instanceCount(), 0, DeviceNet::ReplyWindowMs + 2000);
    QCOMPARE(request.count(), 4); // stopped after the delayed chunk
}

void TestDeviceController::writeGuard_data()
{
    QTest::addColumn<bool>("goods");
    QTest::addColumn<quint32>("versionWord"); // what the register reports
    QTest::addColumn<QString>("expectedSerial");
    QTest::addColumn<int>("expectedFamily");
    QTest::addColumn<int>("result");

    const quint32 v253 = 0x2035000C; // 2.53.12
    const quint32 v252 = 0x20340028; // 2.52.40
    // The register's serial number is AB05300002.
    const QString right = QStringLiteral("AB05300002");
    const QString other = QStringLiteral("AB05300003");
    QTest::newRow("parameters: the right register") << false << v253 << right << 53 << int(ResultOk);
    QTest::newRow("parameters: another serial") << false << v253 << other << 53 << int(ErrSerialMismatch);
    QTest::newRow("parameters: serial differing in case")
        << false << v253 << right.toLower() << 53 << int(ErrSerialMismatch);
    QTest::newRow("parameters: another family") << false << v252 << right << 53 << int(ErrFamilyMismatch);
    QTest::newRow("parameters: a build of the family the utility does not configure")
        << false << quint32(0x20340025) << right << 52 << int(ErrFamilyMismatch);
    QTest::newRow("goods: the right register") << true << v252 << right << 52 << int(ResultOk);
    QTest::newRow("goods: another serial") << true << v253 << other << 53 << int(ErrSerialMismatch);
    QTest::newRow("goods: another family") << true << v253 << right << 52 << int(ErrFamilyMismatch);
    QTest::newRow("goods: a build of the family the utility does not configure")
        << true << quint32(0x20340025) << right << 52 << int(ErrFamilyMismatch);
}

// The write job checks the register on its own connection before it writes.
void TestDeviceController::writeGuard()
{
    QFETCH(bool, goods);
    QFETCH(quint32, versionWord);
    QFETCH(QString, expectedSerial);
    QFETCH(int, expectedFamily);
    QFETCH(int, result);
    Sim::Config config;
    config.family = ((versionWord >> 16) & 0xFFF) == 52 ? Sim::Family252 : Sim::Family253;
    config.versionWord = versionWord;
    config.serial = QStringLiteral("AB05300002");
    config.goodsCapacity = 6;
    auto sim = startSim(Host, config);
    QVERIFY(sim);
    const QByteArray storeBefore = sim->store();

    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(goods ? controller.writeGoods(Host, sim->serverPort(), QByteArray(512, 'g'), expectedSerial,
                                          expectedFamily)
                  : controller.writeParams(Host, sim->serverPort(),
                                           TaggedRecord::make(TaggedRecord::SystemImageTag, "sys"),
                                           expectedSerial, expectedFamily));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), result);
    const QList<Sim::Request> log = sim->requestLog();
    const bool wrote = std::any_of(log.begin(), log.end(), isWrite);
    QCOMPARE(wrote, result == ResultOk);
    if (result != ResultOk)
        QCOMPARE(sim->store(), storeBefore);

    // What the guard saw, for the caller's message.
    const DeviceController::Reported reported = controller.reported();
    QVERIFY(reported.valid);
    QCOMPARE(reported.serial, QStringLiteral("AB05300002"));
    QCOMPARE(quint32(reported.versionMajor << 28 | reported.versionMinor << 16 | reported.versionBuild),
             versionWord);
}

// The gap of checking on one connection and writing on the next: another
// register answers the second one.
void TestDeviceController::writeGuardAcrossConnections()
{
    Sim::Config config;
    config.serial = QStringLiteral("0530000002");
    auto sim = startSim(Host, config);
    QVERIFY(sim);
    sim->setConnectionSerials({ "0530000002", "0530000777" });
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);

    QVERIFY(controller.queryInfo(Host, sim->serverPort()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.serial(), QStringLiteral("0530000002"));

    QVERIFY(controller.writeParams(Host, sim->serverPort(),
                                   TaggedRecord::make(TaggedRecord::ParameterImageTag, QByteArray(5376, 'p')),
                                   controller.serial(), controller.versionMinor()));
    QVERIFY(finished.wait());
    QCOMPARE(controller.result(), int(ErrSerialMismatch));
    const QList<Sim::Request> log = sim->requestLog();
    QVERIFY(std::none_of(log.begin(), log.end(), isWrite));
    QCOMPARE(sim->serial(), QStringLiteral("0530000777"));
    // The failed job keeps the earlier register's results; reported() names the other one.
    QCOMPARE(controller.serial(), QStringLiteral("0530000002"));
    QCOMPARE(controller.reported().serial, QStringLiteral("0530000777"));
}

void TestDeviceController::writeWithoutTargetIsNotStarted_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("family");
    QTest::newRow("no serial number") << QString() << 53;
    QTest::newRow("serial number no register can hold") << QStringLiteral("05300\u263A") << 53;
    QTest::newRow("no family") << QStringLiteral("0530000002") << 0;
    QTest::newRow("unknown family") << QStringLiteral("0530000002") << 54;
}

void TestDeviceController::writeWithoutTargetIsNotStarted()
{
    QFETCH(QString, serial);
    QFETCH(int, family);
    DeviceController controller;
    const QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, "p");
    QVERIFY(!controller.writeParams(Host, 8080, records, serial, family));
    QVERIFY(!controller.writeGoods(Host, 8080, QByteArray(256, 'g'), serial, family));
    QVERIFY(!controller.isBusy());
}

QTEST_GUILESS_MAIN(TestDeviceController)
#include "tst_devicecontroller.moc"

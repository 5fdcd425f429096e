#include "jobharness.h"

#include "link/frame.h"
#include "link/taggedrecord.h"
#include "sim/registersimulator.h"

#include <QSemaphore>
#include <QtTest>

#include <atomic>
#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.2");

Sim::Config config(Sim::Family family, int parameterPages = -1, int systemPages = 4)
{
    Sim::Config c;
    c.family = family;
    c.serial
        = family == Sim::Family252 ? QStringLiteral("052000000777") : QStringLiteral("05300000000000000888");
    c.parameterPages = parameterPages;
    c.systemPages = systemPages;
    c.goodsCapacity = 20; // 11 pages
    return c;
}

QByteArray pattern(int size, char seed)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char(seed + i * 7);
    return b;
}

// Commands and arguments of the job's own requests: after the three opening
// ones, without the closing identity request.
QStringList jobRequests(const Sim &sim)
{
    QStringList out;
    const QList<Sim::Request> log = sim.requestLog();
    for (const Sim::Request &r : log) {
        if (r.index < 3 || r.command == Frame::CmdInfo)
            continue;
        QStringList args;
        for (qint32 a : r.args)
            args << QString::number(a);
        out << QStringLiteral("%1(%2)").arg(r.command, 0, 16).arg(args.join(QLatin1Char(',')));
    }
    return out;
}

QByteArray goodsRecord(qint16 number)
{
    QByteArray r(128, char(number & 0x7F));
    r[0] = char(number & 0xFF);
    r[1] = char((number >> 8) & 0xFF);
    return r;
}

// A catalogue of rows 1..rows after the header, then terminators, filling pageCount pages.
QByteArray goodsArea(int rows, int pageCount, bool terminate = true)
{
    QByteArray area = goodsRecord(0);
    for (int i = 1; i <= rows; ++i)
        area += goodsRecord(qint16(i));
    while (terminate && area.size() < pageCount * 256)
        area += goodsRecord(-1);
    area.append(QByteArray(pageCount * 256 - area.size(), '\0'));
    return area;
}

} // namespace

class TestDeviceNet : public QObject
{
    Q_OBJECT

private slots:
    void queryInfo_data();
    void queryInfo();
    void invalidDirectory_data();
    void invalidDirectory();
    void readParams_data();
    void readParams();
    void regionTooLargeForRecord_data();
    void regionTooLargeForRecord();
    void writeParams_data();
    void writeParams();
    void writeWithoutExpectedSerial();
    void writeGoods_data();
    void writeGoods();
    void readGoods_data();
    void readGoods();
    void strayBytesBeforeARequest();
    void stopBeforeConnect();
    void stopDuringMultiChunkRead();
    void refusedConnection();
};

void TestDeviceNet::queryInfo_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QByteArray>("serial");
    QTest::newRow("2.53: serial from the second parameter page")
        << int(Sim::Family253) << QByteArray("05300000000000000888");
    QTest::newRow("2.52: serial from bytes 4-15 of the first page")
        << int(Sim::Family252) << QByteArray("052000000777");
}

void TestDeviceNet::queryInfo()
{
    QFETCH(int, family);
    QFETCH(QByteArray, serial);
    auto sim = startSim(Host, config(Sim::Family(family)));
    QVERIFY(sim);
    const JobOutcome out = runJob(Host, sim->serverPort(), DeviceJob::QueryInfo);
    QVERIFY(out.ended);
    QCOMPARE(out.reports, 1);
    QCOMPARE(out.result, int(ResultOk));
    QCOMPARE(out.connected, 1);
    QCOMPARE(out.output, TaggedRecord::make(TaggedRecord::SerialTag, serial));
    // The opening steps, then the closing identity request.
    const QList<Sim::Request> log = sim->requestLog();
    QCOMPARE(log.size(), 4);
    QCOMPARE(log.last().command, quint8(Frame::CmdInfo));
}

void TestDeviceNet::invalidDirectory_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<char>("value");
    QTest::newRow("magic differs") << 3 << char(0xAB);
    QTest::newRow("entry 5 tagged 6") << 6 + 8 * 4 << char(6);
}

void TestDeviceNet::invalidDirectory()
{
    QFETCH(int, offset);
    QFETCH(char, value);
    auto sim = startSim(Host);
    QVERIFY(sim);
    QByteArray store = sim->store();
    store[offset] = value;
    sim->setStore(store);
    const JobOutcome out = runJob(Host, sim->serverPort(), DeviceJob::ReadParams);
    QVERIFY(out.ended);
    QCOMPARE(out.result, int(ErrDirectory));
    QCOMPARE(sim->requestLog().size(), 2); // identity and directory only
}

void TestDeviceNet::readParams_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("parameterPages");
    QTest::addColumn<int>("systemPages");
    QTest::addColumn<QList<int>>("frames");

    QTest::newRow("2.53: 21 + 4 pages")
        << int(Sim::Family253) << 21 << 4 << QList<int> { 4, 8, 12, 16, 20, 21, 4 };
    QTest::newRow("2.52: 10 + 6 pages") << int(Sim::Family252) << 10 << 6 << QList<int> { 4, 8, 10, 4, 6 };
    QTest::newRow("empty region 1: only record 2")
        << int(Sim::Family253) << 21 << 0 << QList<int> { 4, 8, 12, 16, 20, 21 };
    QTest::newRow("largest region that fits a record, 255 pages")
        << int(Sim::Family253) << 255 << 1 << QList<int>();
}

void TestDeviceNet::readParams()
{
    QFETCH(int, family);
    QFETCH(int, parameterPages);
    QFETCH(int, systemPages);
    QFETCH(QList<int>, frames);
    auto sim = startSim(Host, config(Sim::Family(family), parameterPages, systemPages));
    QVERIFY(sim);
    const QByteArray params = sim->parameterImage();
    sim->setSystemImage(pattern(systemPages * 256, 's'));

    const JobOutcome out = runJob(Host, sim->serverPort(), DeviceJob::ReadParams);
    QVERIFY(out.ended);
    QCOMPARE(out.result, int(ResultOk));
    QByteArray expected = TaggedRecord::make(TaggedRecord::ParameterImageTag, params);
    if (systemPages > 0)
        expected += TaggedRecord::make(TaggedRecord::SystemImageTag, sim->systemImage());
    QCOMPARE(out.output, expected);
    if (!frames.isEmpty())
        QCOMPARE(out.frames, frames);
    QVERIFY(out.pages.isEmpty());
    const QList<Sim::Request> log = sim->requestLog();
    for (const Sim::Request &r : log)
        QVERIFY2(r.args.value(1) <= 4, "at most four pages a request");
}

void TestDeviceNet::regionTooLargeForRecord_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("parameterPages");
    QTest::addColumn<int>("systemPages");
    QTest::newRow("read: parameter region of 65536 bytes") << int(DeviceJob::ReadParams) << 256 << 4;
    QTest::newRow("read: system region of 65536 bytes") << int(DeviceJob::ReadParams) << 21 << 256;
    QTest::newRow("write: parameter region of 65536 bytes") << int(DeviceJob::WriteParams) << 256 << 4;
}

// Such a region cannot travel in a tagged record without its length wrapping.
void TestDeviceNet::regionTooLargeForRecord()
{
    QFETCH(int, kind);
    QFETCH(int, parameterPages);
    QFETCH(int, systemPages);
    auto sim = startSim(Host, config(Sim::Family253, parameterPages, systemPages));
    QVERIFY(sim);
    const QByteArray input = TaggedRecord::make(TaggedRecord::ParameterImageTag, "x");
    const JobOutcome out = runJob(Host, sim->serverPort(), writeJob(kind, input, sim->serial(), 53));
    QVERIFY(out.ended);
    QCOMPARE(out.result, int(ErrCapacity));
    QCOMPARE(out.output, QByteArray());
    QCOMPARE(jobRequests(*sim), QStringList());
}

void TestDeviceNet::writeParams_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("paramsAfter");
    QTest::addColumn<QByteArray>("systemAfter");
    QTest::addColumn<QStringList>("requests");

    // 2.52 layout: system region pages 1-4, parameter region pages 5-14.
    const QByteArray params = pattern(2560, 'p');
    const QByteArray system = pattern(300, 's');
    const QByteArray systemPadded = system + QByteArray(1024 - 300, '\0');
    const QStringList paramWrites { "c3(5,4)", "c3(9,4)", "c3(13,2)" };
    const QStringList systemWrites { "c5(1,4)" };

    QTest::newRow("both records") << TaggedRecord::make(2, params) + TaggedRecord::make(3, system)
                                  << int(ResultOk) << params << systemPadded << paramWrites + systemWrites;
    QTest::newRow("only tag 3: region 1 with system writes, tail zero-filled")
        << TaggedRecord::make(3, system) << int(ResultOk) << QByteArray() << systemPadded << systemWrites;
    QTest::newRow("short tag 2 zero-fills the region")
        << TaggedRecord::make(2, "abc") << int(ResultOk) << QByteArray("abc") + QByteArray(2557, '\0')
        << QByteArray() << paramWrites;
    QTest::newRow("tag 2 longer than region 2: -8, nothing written")
        << TaggedRecord::make(2, pattern(2561, 'p')) + TaggedRecord::make(3, system) << int(ErrCapacity)
        << QByteArray() << QByteArray() << QStringList();
    // Known before the first page: the parameter pages are not written either.
    QTest::newRow("tag 3 longer than region 1 after a fitting tag 2: -8, nothing written")
        << TaggedRecord::make(2, params) + TaggedRecord::make(3, pattern(1025, 's')) << int(ErrCapacity)
        << QByteArray() << QByteArray() << QStringList();
    QTest::newRow("other tags skipped") << TaggedRecord::make(9, "zz") + TaggedRecord::make(3, system)
                                        << int(ResultOk) << QByteArray() << systemPadded << systemWrites;
}

void TestDeviceNet::writeParams()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, paramsAfter);
    QFETCH(QByteArray, systemAfter);
    auto sim = startSim(Host, config(Sim::Family252));
    QVERIFY(sim);
    const QByteArray paramsBefore = sim->parameterImage();
    sim->setSystemImage(pattern(1024, 'o'));
    const QByteArray systemBefore = sim->systemImage();

    const JobOutcome out
        = runJob(Host, sim->serverPort(), writeJob(DeviceJob::WriteParams, input, sim->serial(), 52));
    QVERIFY(out.ended);
    QTEST(out.result, "result");
    QTEST(jobRequests(*sim), "requests");
    QCOMPARE(sim->parameterImage(), paramsAfter.isNull() ? paramsBefore : paramsAfter);
    QCOMPARE(sim->systemImage(), systemAfter.isNull() ? systemBefore : systemAfter);
}

// A write that names no register matches none.
void TestDeviceNet::writeWithoutExpectedSerial()
{
    auto sim = startSim(Host, config(Sim::Family253));
    QVERIFY(sim);
    const QByteArray input = TaggedRecord::make(TaggedRecord::ParameterImageTag, "p");
    for (const int kind : { int(DeviceJob::WriteParams), int(DeviceJob::WriteGoods) }) {
        const JobOutcome out = runJob(Host, sim->serverPort(), writeJob(kind, input, QString(), 53));
        QVERIFY(out.ended);
        QCOMPARE(out.result, int(ErrSerialMismatch));
    }
    QCOMPARE(jobRequests(*sim), QStringList());
}

void TestDeviceNet::writeGoods_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("pages");
    QTest::addColumn<QList<int>>("frames");
    // The goods area has 11 pages (2816 bytes).
    QTest::newRow("exactly the area")
        << 2816 << int(ResultOk) << QList<int> { 11 } << QList<int> { 4, 8, 11 };
    QTest::newRow("one byte more: -8") << 2817 << int(ErrCapacity) << QList<int>() << QList<int>();
    QTest::newRow("partial page: read, patch, write back")
        << 600 << int(ResultOk) << QList<int> { 3 } << QList<int> { 2, 3 };
    QTest::newRow("empty image writes nothing") << 0 << int(ResultOk) << QList<int> { 0 } << QList<int>();
}

void TestDeviceNet::writeGoods()
{
    QFETCH(int, size);
    QFETCH(int, result);
    auto sim = startSim(Host, config(Sim::Family253));
    QVERIFY(sim);
    const QByteArray before = pattern(2816, 'g');
    sim->setGoodsArea(before);
    const QByteArray image = pattern(size, 'w');

    const JobOutcome out
        = runJob(Host, sim->serverPort(), writeJob(DeviceJob::WriteGoods, image, sim->serial(), 53));
    QVERIFY(out.ended);
    QCOMPARE(out.result, result);
    QTEST(out.pages, "pages");
    QTEST(out.frames, "frames");
    // What lies beyond the image on its last page is what the register held.
    QCOMPARE(sim->goodsArea(), result == ResultOk ? image + before.mid(size) : before);
}

void TestDeviceNet::readGoods_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QByteArray>("area");
    QTest::addColumn<int>("capacity"); // reported; -1: none
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QList<int>>("pages");
    QTest::addColumn<QStringList>("requests");

    // Area: pages 28..38 (11 pages) for the 2.53 layout used here.
    const QByteArray full = goodsArea(21, 11, false); // every record a row: no terminator anywhere
    QTest::newRow("full read covers the last page")
        << int(DeviceJob::ReadGoods) << 0 << 0 << full << 20 << int(ResultOk) << full.mid(128)
        << QList<int> { 11 } << QStringList { "c2(28,4)", "c2(32,4)", "c2(36,3)" };
    const QByteArray empty = goodsArea(0, 11);
    QTest::newRow("terminator in the first chunk")
        << int(DeviceJob::ReadGoods) << 0 << 0 << empty << 20 << int(ResultOk) << empty.mid(128, 1024 - 128)
        << QList<int> { 11 } << QStringList { "c2(28,4)" };
    const QByteArray nine = goodsArea(9, 11); // terminator at record 10, page 5
    QTest::newRow("stops after the chunk holding the terminator")
        << int(DeviceJob::ReadGoods) << 0 << 0 << nine << 20 << int(ResultOk) << nine.mid(128, 2048 - 128)
        << QList<int> { 11 } << QStringList { "c2(28,4)", "c2(32,4)" };
    QTest::newRow("range 3..6 reads pages 1..3")
        << int(DeviceJob::ReadGoodsRange) << 3 << 6 << full << 20 << int(ResultOk) << full.mid(384, 768 - 128)
        << QList<int> { 3 } << QStringList { "c2(29,3)" };
    QTest::newRow("range 2..2 reads one page")
        << int(DeviceJob::ReadGoodsRange) << 2 << 2 << full << 20 << int(ResultOk) << full.mid(256, 256)
        << QList<int> { 1 } << QStringList { "c2(29,1)" };
    QTest::newRow("range with first index 0: -8")
        << int(DeviceJob::ReadGoodsRange) << 0 << 5 << full << 20 << int(ErrCapacity) << QByteArray()
        << QList<int>() << QStringList();
    QTest::newRow("range with last before first: -8")
        << int(DeviceJob::ReadGoodsRange) << 6 << 3 << full << 20 << int(ErrCapacity) << QByteArray()
        << QList<int>() << QStringList();
    QTest::newRow("range beyond the area: -8")
        << int(DeviceJob::ReadGoodsRange) << 1 << 22 << full << 20 << int(ErrCapacity) << QByteArray()
        << QList<int>() << QStringList();

    // A register reporting a capacity of 5 holds at most 5 rows before its
    // terminator: the read stops after record 6, pages 0..3.
    const QByteArray five = goodsArea(5, 11);
    QTest::newRow("terminator right after the capacity's rows")
        << int(DeviceJob::ReadGoods) << 0 << 0 << five << 5 << int(ResultOk) << five.mid(128, 1024 - 128)
        << QList<int> { 4 } << QStringList { "c2(28,4)" };
    QTest::newRow("no terminator within the capacity: -5, nothing kept")
        << int(DeviceJob::ReadGoods) << 0 << 0 << full << 5 << int(ErrBadReply) << QByteArray()
        << QList<int> { 4 } << QStringList { "c2(28,4)" };
    QTest::newRow("terminator one row beyond the capacity, on the same page: -5")
        << int(DeviceJob::ReadGoods) << 0 << 0 << goodsArea(6, 11) << 5 << int(ErrBadReply) << QByteArray()
        << QList<int> { 4 } << QStringList { "c2(28,4)" };
    QTest::newRow("no capacity reported: the whole area")
        << int(DeviceJob::ReadGoods) << 0 << 0 << full << -1 << int(ResultOk) << full.mid(128)
        << QList<int> { 11 } << QStringList { "c2(28,4)", "c2(32,4)", "c2(36,3)" };
}

void TestDeviceNet::readGoods()
{
    QFETCH(int, kind);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QByteArray, area);
    QFETCH(int, capacity);
    Sim::Config c = config(Sim::Family253);
    c.goodsPages = 11;
    if (capacity < 0)
        c.infoValues = 1; // the version word alone
    else
        c.goodsCapacity = capacity;
    auto sim = startSim(Host, c);
    QVERIFY(sim);
    QCOMPARE(int(sim->region(5).firstPage), 28);
    sim->setGoodsArea(area);
    const QByteArray input = kind == DeviceJob::ReadGoodsRange
        ? TaggedRecord::makeInt(TaggedRecord::FirstIndexTag, first)
            + TaggedRecord::makeInt(TaggedRecord::LastIndexTag, last)
        : QByteArray();

    const JobOutcome out = runJob(Host, sim->serverPort(), kind, input);
    QVERIFY(out.ended);
    QTEST(out.result, "result");
    QTEST(out.output, "output");
    QTEST(out.pages, "pages");
    QTEST(jobRequests(*sim), "requests");
}

// A copy of a reply that arrives while no request is outstanding: the job
// sees it before its next request goes out, and ends.
void TestDeviceNet::strayBytesBeforeARequest()
{
    auto sim = startSim(Host, config(Sim::Family253));
    QVERIFY(sim);
    Sim::FaultRule copy;
    copy.fault = Sim::DuplicateReply;
    copy.request = 2; // the serial page, the last opening step
    copy.delayMs = 50;
    sim->addFault(copy);
    QSemaphore copySent;
    connect(sim.get(), &Sim::duplicateSent, this, [&copySent] { copySent.release(); });

    // A goods read announces its pages between its opening steps and its
    // first page request: hold the job there until the copy is on its way.
    std::atomic<bool> copyArrived { false };
    const JobOutcome out
        = runJob(Host, sim->serverPort(), DeviceJob::ReadGoods, {}, {}, 10000,
                 [&copySent, &copyArrived](int) { copyArrived = copySent.tryAcquire(1, 5000); });
    QVERIFY(out.ended);
    QVERIFY(copyArrived);
    QCOMPARE(out.reports, 1);
    QCOMPARE(out.result, int(ErrBadReply));
    QCOMPARE(jobRequests(*sim), QStringList());
}

void TestDeviceNet::stopBeforeConnect()
{
    auto sim = startSim(Host, config(Sim::Family253));
    QVERIFY(sim);
    const JobOutcome out
        = runJob(Host, sim->serverPort(), DeviceJob::ReadParams, {}, [](DeviceNet *net) { net->stop(); });
    QVERIFY(out.ended);
    QCOMPARE(out.reports, 1);
    QCOMPARE(out.result, int(ErrStopped));
    QCOMPARE(out.connected, 0);
    QCOMPARE(sim->requestLog().size(), 0);
}

void TestDeviceNet::stopDuringMultiChunkRead()
{
    auto sim = startSim(Host, config(Sim::Family253));
    QVERIFY(sim);
    DeviceNet *running = nullptr;
    // The stop lands while the second chunk of the parameter image is on its way.
    connect(sim.get(), &Sim::requestReceived, this, [&running](const Sim::Request &r) {
        if (r.index == 4)
            running->stop();
    });
    const JobOutcome out = runJob(Host, sim->serverPort(), DeviceJob::ReadParams, {},
                                  [&running](DeviceNet *net) { running = net; });
    QVERIFY(out.ended);
    QCOMPARE(out.reports, 1);
    QCOMPARE(out.result, int(ErrStopped));
    QCOMPARE(out.output,
             TaggedRecord::make(TaggedRecord::ParameterImageTag, sim->parameterImage().left(8 * 256)));
    QCOMPARE(out.frames, QList<int> { 4 });
    QCOMPARE(sim->requestLog().size(), 5);
}

void TestDeviceNet::refusedConnection()
{
    quint16 port = 0;
    {
        auto sim = startSim(Host);
        QVERIFY(sim);
        port = sim->serverPort();
    }
    const JobOutcome out = runJob(Host, port, DeviceJob::QueryInfo);
    QVERIFY(out.ended);
    QCOMPARE(out.reports, 1);
    QCOMPARE(out.result, int(ErrSocket));
    QCOMPARE(out.connected, 0);
}

QTEST_GUILESS_MAIN(TestDeviceNet)
#include "tst_devicenet.moc"

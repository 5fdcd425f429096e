#include "link/devicejob.h"
#include "link/frame.h"
#include "link/storage.h"
#include "link/taggedrecord.h"

#include <QtEndian>
#include <QtTest>

using Frame::Message;
Q_DECLARE_METATYPE(Message)

namespace {

QByteArray replyFrame(const QVector<qint32> &values, const QByteArray &data = {})
{
    return Frame::build(Message { 0, values, data });
}

QByteArray u32(quint32 v)
{
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void crc32_data();
    void crc32();
    void requestLayout();
    void accepted_data();
    void accepted();
    void malformed_data();
    void malformed();
    void completeness_data();
    void completeness();
    void identity_data();
    void identity();
    void readAndWriteRules_data();
    void readAndWriteRules();
    void replyTakesTheWholeExchange_data();
    void replyTakesTheWholeExchange();
    void opening_data();
    void opening();
    void closing_data();
    void closing();
    void directory_data();
    void directory();
    void serialPlace_data();
    void serialPlace();
    void taggedRecords();
};

void TestFrame::crc32_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("empty payload") << QByteArray() << 0u;
    QTest::newRow("check value abc") << QByteArray("abc") << 0x352441C2u;
    QTest::newRow("check value 123456789") << QByteArray("123456789") << 0xCBF43926u;
    // 43 bytes: five eight-byte steps and a tail of three.
    QTest::newRow("eight-byte steps and a tail")
        << QByteArray("The quick brown fox jumps over the lazy dog") << 0x414FA339u;
}

void TestFrame::crc32()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, crc);
    QCOMPARE(Frame::crc32(bytes), crc);
}

void TestFrame::requestLayout()
{
    // A page read of pages 3..6: command, two arguments, no data.
    const QByteArray payload = QByteArray::fromHex("c202"
                                                   "03000000"
                                                   "04000000");
    const QByteArray expected = QByteArray::fromHex("efbe") + u32(10) + u32(Frame::crc32(payload)) + payload;
    QCOMPARE(Frame::request(Frame::CmdReadPages, { 3, 4 }), expected);

    const QByteArray write = Frame::request(Frame::CmdWriteSystemPages, { 1, 1 }, QByteArray(256, 'x'));
    QCOMPARE(write.size(), 10 + 2 + 8 + 256);
    QCOMPARE(quint8(write.at(10)), quint8(0xC5));
}

void TestFrame::accepted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<qint32>>("values");
    QTest::addColumn<QByteArray>("data");

    const QByteArray good = replyFrame({ 4 }, QByteArray(1024, 'p'));
    QTest::newRow("four pages") << good << QVector<qint32> { 4 } << QByteArray(1024, 'p');

    QByteArray noMarker = good;
    noMarker[0] = 'X';
    noMarker[1] = 'Y';
    QTest::newRow("marker not EF BE but length and CRC right")
        << noMarker << QVector<qint32> { 4 } << QByteArray(1024, 'p');
    QTest::newRow("bytes beyond the declared payload ignored")
        << replyFrame({ -1, 7 }) + "junk" << QVector<qint32> { -1, 7 } << QByteArray();
    QTest::newRow("values only") << replyFrame({ 0 }) << QVector<qint32> { 0 } << QByteArray();
}

void TestFrame::accepted()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVector<qint32>, values);
    QFETCH(QByteArray, data);
    Message m;
    QVERIFY(Frame::parse(bytes, &m));
    QCOMPARE(m.values, values);
    QCOMPARE(m.data, data);
}

void TestFrame::malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = replyFrame({ 1 }, QByteArray(256, 'p'));

    QTest::newRow("fewer than 10 bytes") << good.left(9);
    QTest::newRow("declared length beyond received bytes") << good.left(good.size() - 1);
    QByteArray badCrc = good;
    badCrc[6] = char(badCrc.at(6) ^ 0x40);
    QTest::newRow("CRC mismatch") << badCrc;
    // Payload of 2 bytes claiming 3 values.
    const QByteArray shortValues = QByteArray::fromHex("0003");
    QTest::newRow("payload ends inside the values")
        << QByteArray::fromHex("efbe") + u32(2) + u32(Frame::crc32(shortValues)) + shortValues;
    const QByteArray oneByte = QByteArray::fromHex("00");
    QTest::newRow("payload without value count")
        << QByteArray::fromHex("efbe") + u32(1) + u32(Frame::crc32(oneByte)) + oneByte;
}

void TestFrame::malformed()
{
    QFETCH(QByteArray, bytes);
    Message m;
    QVERIFY(!Frame::parse(bytes, &m));
}

void TestFrame::completeness_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QByteArray full = replyFrame({ 4 }, QByteArray(1024, 'p'));
    QTest::newRow("header only") << full.left(10) << int(Frame::Status::Incomplete);
    QTest::newRow("first piece of a split reply") << full.left(500) << int(Frame::Status::Incomplete);
    QTest::newRow("whole reply") << full << int(Frame::Status::Complete);
    QTest::newRow("largest legitimate reply")
        << replyFrame(QVector<qint32>(255, 1), QByteArray(1024, 'p')) << int(Frame::Status::Complete);
    // The header alone must be enough to refuse it: nothing waits for or
    // reserves the declared bytes.
    QTest::newRow("declared length one above the largest reply") << QByteArray::fromHex("efbe")
            + u32(Frame::MaxReplyPayload + 1) + u32(0) << int(Frame::Status::Malformed);
    QTest::newRow("declared length near 2 GiB")
        << QByteArray::fromHex("efbe") + u32(0x7FFFFFF0) + u32(0) + "ab" << int(Frame::Status::Malformed);
}

void TestFrame::completeness()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QCOMPARE(int(Frame::check(bytes)), status);
}

void TestFrame::identity_data()
{
    QTest::addColumn<QVector<qint32>>("values");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("reserved");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("result");

    QTest::newRow("one value with empty upper half becomes 2.51.26")
        << QVector<qint32> { 5 } << "2.51.26" << 1024 << 2000 << int(ResultOk);
    QTest::newRow("three values") << QVector<qint32> { 0x2035000A, 7, 500 } << "2.53.10" << 7 << 500
                                  << int(ResultOk);
    QTest::newRow("two values: second ignored, defaults")
        << QVector<qint32> { 0x2034001A, 99 } << "2.52.26" << 1024 << 2000 << int(ResultOk);
    QTest::newRow("four values: defaults")
        << QVector<qint32> { 0x2035000A, 7, 500, 1 } << "2.53.10" << 1024 << 2000 << int(ResultOk);
    QTest::newRow("no value at all is malformed")
        << QVector<qint32> {} << QString() << 0 << 0 << int(ErrBadReply);
}

void TestFrame::identity()
{
    QFETCH(QVector<qint32>, values);
    Frame::Identity id;
    const int result = Frame::acceptInfo(Message { 0, values, {} }, &id);
    QTEST(result, "result");
    if (result != ResultOk)
        return;
    QFETCH(QString, version);
    QCOMPARE(QStringLiteral("%1.%2.%3").arg(id.major()).arg(id.minor()).arg(id.build()), version);
    QTEST(int(id.reserved), "reserved");
    QTEST(int(id.goodsCapacity), "capacity");
}

void TestFrame::readAndWriteRules_data()
{
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<QVector<qint32>>("values");
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<int>("result");
    // Reads ask for three pages.
    QTest::newRow("read confirms count") << true << QVector<qint32> { 3 } << 768 << int(ResultOk);
    QTest::newRow("read confirms other count")
        << true << QVector<qint32> { 2 } << 768 << int(ErrReadMismatch);
    QTest::newRow("read with two values") << true << QVector<qint32> { 3, 3 } << 768 << int(ErrReadMismatch);
    QTest::newRow("read without value") << true << QVector<qint32> {} << 768 << int(ErrReadMismatch);
    // Short data would shift every later byte of the image.
    QTest::newRow("read confirming count, data one byte short")
        << true << QVector<qint32> { 3 } << 767 << int(ErrBadReply);
    QTest::newRow("read confirming count, no data") << true << QVector<qint32> { 3 } << 0 << int(ErrBadReply);
    QTest::newRow("read confirming count, data beyond the pages")
        << true << QVector<qint32> { 3 } << 769 << int(ErrBadReply);
    QTest::newRow("write confirmed") << false << QVector<qint32> { 0 } << 0 << int(ResultOk);
    QTest::newRow("write refused") << false << QVector<qint32> { 1 } << 0 << int(ErrWriteRejected);
    QTest::newRow("write with two values") << false << QVector<qint32> { 0, 0 } << 0 << int(ErrWriteRejected);
}

void TestFrame::readAndWriteRules()
{
    QFETCH(bool, isRead);
    QFETCH(QVector<qint32>, values);
    QFETCH(int, dataSize);
    const Message reply { 0, values, QByteArray(dataSize, 'd') };
    QTEST(isRead ? Frame::acceptRead(reply, 3) : Frame::acceptWrite(reply), "result");
}

void TestFrame::replyTakesTheWholeExchange_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("status");
    const QByteArray reply = replyFrame({ 1 }, QByteArray(256, 'p'));
    QTest::newRow("exactly one reply") << reply << int(Frame::Status::Complete);
    QTest::newRow("part of a reply") << reply.left(100) << int(Frame::Status::Incomplete);
    // Two copies of one reply: the second would be taken for the next one's.
    QTest::newRow("a second copy right behind") << reply + reply << int(Frame::Status::Malformed);
    QTest::newRow("one byte beyond the reply") << reply + 'x' << int(Frame::Status::Malformed);
    QByteArray badCrc = reply;
    badCrc[6] = char(badCrc.at(6) ^ 1);
    QTest::newRow("whole reply with a wrong CRC") << badCrc << int(Frame::Status::Malformed);
}

void TestFrame::replyTakesTheWholeExchange()
{
    QFETCH(QByteArray, received);
    Message m;
    QTEST(int(Frame::acceptReply(received, &m)), "status");
}

void TestFrame::opening_data()
{
    QTest::addColumn<QVector<qint32>>("values");
    QTest::addColumn<int>("areaPages");
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<int>("result");
    const QVector<qint32> cap2000 { 0x2035000A, 1024, 2000 };
    QTest::newRow("capacity the area holds") << cap2000 << 1001 << QByteArray("0012") << int(ResultOk);
    QTest::newRow("capacity of every record but the header")
        << QVector<qint32> { 0x2035000A, 1024, 2001 } << 1001 << QByteArray("0012") << int(ResultOk);
    QTest::newRow("capacity beyond the area")
        << QVector<qint32> { 0x2035000A, 1024, 2002 } << 1001 << QByteArray("0012") << int(ErrBadReply);
    QTest::newRow("negative capacity")
        << QVector<qint32> { 0x2035000A, 1024, -5 } << 1001 << QByteArray("0012") << int(ErrBadReply);
    QTest::newRow("capacity left out: default not checked")
        << QVector<qint32> { 0x2035000A } << 10 << QByteArray("0012") << int(ResultOk);
    QTest::newRow("empty serial") << cap2000 << 1001 << QByteArray() << int(ErrBadReply);
    QTest::newRow("serial of blanks and control bytes")
        << cap2000 << 1001 << QByteArray(" \t\x01\x7f ") << int(ErrBadReply);
    QTest::newRow("serial with one printable byte")
        << cap2000 << 1001 << QByteArray(" \x01x") << int(ResultOk);
}

void TestFrame::opening()
{
    QFETCH(QVector<qint32>, values);
    QFETCH(int, areaPages);
    QFETCH(QByteArray, serial);
    Frame::Identity id;
    QCOMPARE(Frame::acceptInfo(Message { 0, values, {} }, &id), int(ResultOk));
    Storage::Region area;
    area.firstPage = 40;
    area.pageCount = quint16(areaPages);
    QTEST(Frame::acceptOpening(id, area, serial), "result");
}

void TestFrame::closing_data()
{
    QTest::addColumn<QVector<qint32>>("opening");
    QTest::addColumn<Message>("reply");
    QTest::addColumn<int>("result");
    const QVector<qint32> three { 0x2035000A, 1024, 2000 };
    QTest::newRow("the identity again") << three << Message { 0, three, {} } << int(ResultOk);
    // Neither says anything about which reply it is.
    QTest::newRow("another status byte, another unused value")
        << three << Message { 7, { 0x2035000A, 512, 2000 }, {} } << int(ResultOk);
    // What a shift puts where the identity belongs: the reply to the request before.
    QTest::newRow("a page read's reply")
        << three << Message { 0, { 4 }, QByteArray(1024, 'p') } << int(ErrBadReply);
    QTest::newRow("a write's confirmation") << three << Message { 0, { 0 }, {} } << int(ErrBadReply);
    QTest::newRow("a write's refusal") << three << Message { 0, { -1 }, {} } << int(ErrBadReply);
    QTest::newRow("another register's version")
        << three << Message { 0, { 0x2034000A, 1024, 2000 }, {} } << int(ErrBadReply);
    QTest::newRow("another goods capacity")
        << three << Message { 0, { 0x2035000A, 1024, 20 }, {} } << int(ErrBadReply);
    // A register with an old version word sends one value; a read's reply
    // still differs in its data.
    QTest::newRow("one-value identity against a one-page read with that value")
        << QVector<qint32> { 1 } << Message { 0, { 1 }, QByteArray(256, 'p') } << int(ErrBadReply);
    QTest::newRow("one-value identity again")
        << QVector<qint32> { 1 } << Message { 0, { 1 }, {} } << int(ResultOk);
}

void TestFrame::closing()
{
    QFETCH(QVector<qint32>, opening);
    QFETCH(Message, reply);
    QTEST(Frame::acceptClosing(reply, Message { 0, opening, {} }), "result");
}

void TestFrame::directory_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("valid");

    Storage::Directory d;
    d.value = -3;
    for (int n = 1; n <= 5; ++n)
        d.region(n) = { quint16(n * 10), quint16(n) };
    const QByteArray good = Storage::buildDirectory(d);
    QTest::newRow("valid") << good << true;
    QTest::newRow("directory alone, 46 bytes") << good.left(46) << true;
    QTest::newRow("page too short") << good.left(45) << false;
    QByteArray badMagic = good;
    badMagic[3] = 0;
    QTest::newRow("magic differs") << badMagic << false;
    QByteArray badTag = good;
    badTag[6 + 8 * 2] = 4; // entry 3 tagged 4
    QTest::newRow("tag differs from position") << badTag << false;
}

void TestFrame::directory()
{
    QFETCH(QByteArray, page);
    QFETCH(bool, valid);
    Storage::Directory d;
    QCOMPARE(Storage::parseDirectory(page, &d), valid);
    if (valid) {
        QCOMPARE(QByteArray::fromRawData(page.constData(), 4), QByteArray::fromHex("005500aa"));
        QCOMPARE(int(d.value), -3);
        QCOMPARE(int(d.region(5).firstPage), 50);
        QCOMPARE(int(d.region(5).pageCount), 5);
    }
}

void TestFrame::serialPlace_data()
{
    QTest::addColumn<int>("minor");
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("pageNumber");
    QTest::addColumn<QByteArray>("serial");

    const QByteArray twenty = "01234567890123456789" + QByteArray(236, 'z');
    QTest::newRow("minor 53: second page, bytes 0-19, no NUL")
        << 53 << twenty << 6 << QByteArray("01234567890123456789");
    QTest::newRow("minor 53: up to the first NUL")
        << 53 << QByteArray("0512\0rest", 9) + QByteArray(247, 0) << 6 << QByteArray("0512");
    QTest::newRow("minor 52: first page, bytes 4-15")
        << 52 << QByteArray("head0123456789ABtail") + QByteArray(236, 0) << 5 << QByteArray("0123456789AB");
    QTest::newRow("minor 51: as 52") << 51 << QByteArray("head12345\0") + QByteArray(246, 0) << 5
                                     << QByteArray("12345");
}

void TestFrame::serialPlace()
{
    QFETCH(int, minor);
    QFETCH(QByteArray, page);
    const Storage::SerialPlace place = Storage::serialPlace(minor, 5);
    QTEST(place.page, "pageNumber");
    QTEST(Storage::serialFromPage(page, place), "serial");
}

void TestFrame::taggedRecords()
{
    const QByteArray stream
        = TaggedRecord::make(2, "abc") + TaggedRecord::make(7, {}) + TaggedRecord::makeInt(4, -2);
    QCOMPARE(stream.left(4), QByteArray::fromHex("02000300"));
    bool complete = false;
    const QVector<TaggedRecord::Record> records = TaggedRecord::parse(stream, &complete);
    QVERIFY(complete);
    QCOMPARE(records.size(), 3);
    QCOMPARE(records.at(0).bytes, QByteArray("abc"));
    QCOMPARE(records.at(1).tag, qint16(7));
    QCOMPARE(records.at(2).bytes, QByteArray::fromHex("feffffff"));
    QCOMPARE(TaggedRecord::find(stream, 4), QByteArray::fromHex("feffffff"));

    // A record cut short ends the walk without being returned.
    QCOMPARE(TaggedRecord::parse(stream.left(stream.size() - 1), &complete).size(), 2);
    QVERIFY(!complete);

    // A length beyond 16 bits cannot be written without wrapping.
    QCOMPARE(TaggedRecord::make(2, QByteArray(65535, 'x')).size(), 65539);
    QVERIFY(TaggedRecord::make(2, QByteArray(65536, 'x')).isEmpty());
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"

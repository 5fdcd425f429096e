#include "devicenet.h"

#include "link/devicejob.h"
#include "link/taggedrecord.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

using Frame::MaxPagesPerRequest;
using Storage::GoodsRecordSize;
using Storage::PageSize;

std::atomic<int> DeviceNet::s_instances { 0 };

namespace {

// A goods record starting with FF FF ends the catalogue; records start at
// from. The terminator's offset, or -1.
int firstTerminator(const QByteArray &bytes, int from)
{
    for (int pos = from; pos + 1 < bytes.size(); pos += GoodsRecordSize) {
        if (quint8(bytes.at(pos)) == 0xFF && quint8(bytes.at(pos + 1)) == 0xFF)
            return pos;
    }
    return -1;
}

} // namespace

DeviceNet::DeviceNet(QObject *parent)
    : QObject(parent)
{
    ++s_instances;
    // A signal made before the thread starts rather than invokeMethod() later:
    // ThreadSanitizer then sees the hand-over of the call.
    connect(this, &DeviceNet::stopPending, this, &DeviceNet::onStopRequested, Qt::QueuedConnection);
    connect(this, &DeviceNet::closePending, this, &DeviceNet::close, Qt::QueuedConnection);
}

DeviceNet::~DeviceNet()
{
    // Orders the owner's last reads of the job before its destruction.
    std::lock_guard<std::mutex> lock(m_publishLock);
    --s_instances;
}

void DeviceNet::setJob(const QString &host, quint16 port, DeviceJob *job)
{
    m_host = host;
    m_port = port;
    m_job.reset(job);
}

const DeviceJob *DeviceNet::job() const
{
    std::lock_guard<std::mutex> lock(m_publishLock);
    return m_job.get();
}

Frame::Identity DeviceNet::identity() const
{
    std::lock_guard<std::mutex> lock(m_publishLock);
    return m_identity;
}

QByteArray DeviceNet::serial() const
{
    std::lock_guard<std::mutex> lock(m_publishLock);
    return m_serial;
}

bool DeviceNet::identified() const
{
    std::lock_guard<std::mutex> lock(m_publishLock);
    return m_identified;
}

bool DeviceNet::writeBegun() const
{
    std::lock_guard<std::mutex> lock(m_publishLock);
    return m_writeBegun;
}

void DeviceNet::run()
{
    Q_ASSERT(m_job);
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &DeviceNet::onConnect);
    connect(m_socket, &QTcpSocket::disconnected, this, &DeviceNet::onDisconnect);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &DeviceNet::onError);
    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &DeviceNet::onConnectTimeout);
    m_connectTimer->start(ConnectTimeoutMs);
    m_socket->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void DeviceNet::onConnectTimeout()
{
    if (m_phase != Phase::Connecting)
        return;
    qDebug() << "socket error" << int(QAbstractSocket::SocketTimeoutError);
    m_job->result = ErrSocket;
    m_socket->abort();
    report();
}

void DeviceNet::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_stop = true;
    }
    // The flag is polled between steps; a connect attempt to a silent host could
    // otherwise keep the job (and the user's dialog) waiting for minutes.
    emit stopPending();
}

void DeviceNet::requestClose()
{
    emit closePending();
}

void DeviceNet::abandon()
{
    {
        std::lock_guard<std::mutex> lock(m_stopLock);
        m_abandoned = true;
    }
    stop();
}

void DeviceNet::onStopRequested()
{
    if (m_phase >= Phase::Reported) {
        if (abandoned())
            close();
        return;
    }
    // Steps poll the flag themselves; before run() there is nothing to abort.
    if (m_phase != Phase::Connecting || !m_socket)
        return;
    m_job->result = ErrStopped;
    m_socket->abort();
    report();
}

bool DeviceNet::stopRequested()
{
    std::lock_guard<std::mutex> lock(m_stopLock);
    return m_stop;
}

bool DeviceNet::abandoned()
{
    std::lock_guard<std::mutex> lock(m_stopLock);
    return m_abandoned;
}

void DeviceNet::close()
{
    if (m_phase == Phase::Closed)
        return;
    m_phase = Phase::Closed;
    emit closed();
}

void DeviceNet::report()
{
    if (m_phase >= Phase::Reported)
        return;
    m_phase = Phase::Reported;
    {
        std::lock_guard<std::mutex> lock(m_publishLock);
    }
    emit disconnected();
    if (abandoned())
        close();
}

void DeviceNet::onConnect()
{
    if (m_phase != Phase::Connecting)
        return;
    m_connectTimer->stop();
    if (stopRequested()) {
        m_job->result = ErrStopped;
        m_socket->abort();
        report();
        return;
    }
    emit connected();
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_phase = Phase::Running;
    int result = runSteps();
    if (result == ResultOk)
        result = closingCheck();
    // Bytes after the last reply: that reply may have been a late copy of an
    // earlier one, with the register's own still on its way.
    if (result == ResultOk && strayBytes())
        result = m_phase == Phase::Broken ? ErrSocket : ErrBadReply;
    emitQueuedFrame();
    m_phase = Phase::Finishing;
    m_job->result = result;
    // disconnectFromHost() may report through onDisconnect(); report() covers the
    // case where the socket is already gone and says nothing more.
    m_socket->disconnectFromHost();
    report();
}

void DeviceNet::onDisconnect()
{
    if (m_phase == Phase::Running || m_phase == Phase::Broken)
        return;
    report();
}

void DeviceNet::onError(QAbstractSocket::SocketError error)
{
    qDebug() << "socket error" << int(error);
    switch (m_phase) {
    case Phase::Running:
        // A wait that runs out is the reply window's business, not a broken socket.
        if (error != QAbstractSocket::SocketTimeoutError)
            m_phase = Phase::Broken;
        return;
    case Phase::Broken:
    case Phase::Reported:
    case Phase::Closed:
        return;
    case Phase::Connecting:
    case Phase::Finishing:
        break;
    }
    m_job->result = ErrSocket;
    report();
}

int DeviceNet::exchange(Frame::Command command, const QVector<qint32> &args, const QByteArray &data,
                        Frame::Message *reply)
{
    if (command != Frame::CmdInfo && (args.value(1) < 1 || args.value(1) > MaxPagesPerRequest))
        return ErrPageCount;
    // With no request outstanding, nothing may be waiting: whatever it is, the
    // reply to this request could not be told from it.
    if (strayBytes())
        return m_phase == Phase::Broken ? ErrSocket : ErrBadReply;
    const QByteArray request = Frame::request(command, args, data);
    if (command == Frame::CmdWritePages || command == Frame::CmdWriteSystemPages)
        m_writeBegun = true;
    if (m_socket->write(request) != request.size())
        return m_phase == Phase::Broken ? ErrSocket : ErrSend;
    m_socket->flush(); // out now, not on the wait's first round
    emitQueuedFrame();

    // TCP may split a reply; read until the declared payload is in or the window ends.
    QByteArray received;
    const QDeadlineTimer deadline(ReplyWindowMs);
    while (!deadline.hasExpired() && m_socket->waitForReadyRead(int(deadline.remainingTime()))) {
        received += m_socket->readAll();
        switch (Frame::acceptReply(received, reply)) {
        case Frame::Status::Complete:
            return ResultOk;
        case Frame::Status::Malformed:
            return ErrBadReply;
        case Frame::Status::Incomplete:
            break;
        }
    }
    if (m_phase == Phase::Broken)
        return ErrSocket;
    return received.isEmpty() ? ErrNoReply : ErrBadReply;
}

// Bytes received but not asked for: in the socket's buffer, or still in the
// system's (nothing reads the socket between requests).
bool DeviceNet::strayBytes() const
{
    if (m_socket->bytesAvailable() > 0)
        return true;
    const qintptr fd = m_socket->socketDescriptor();
    char byte = 0;
#ifdef Q_OS_WIN
    // Qt's sockets are non-blocking already; Winsock has no MSG_DONTWAIT.
    return fd >= 0 && ::recv(SOCKET(fd), &byte, 1, MSG_PEEK) > 0;
#else
    return fd >= 0 && ::recv(int(fd), &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
#endif
}

// A chunk's progress goes out once the next request is on its way (or the steps
// are over): the receiving thread's work then overlaps the register's, instead
// of delaying the next request.
void DeviceNet::queueFrame(int pagesSoFar)
{
    emitQueuedFrame();
    m_queuedFrame = pagesSoFar;
}

void DeviceNet::emitQueuedFrame()
{
    if (m_queuedFrame < 0)
        return;
    const int pagesSoFar = m_queuedFrame;
    m_queuedFrame = -1;
    emit frame(pagesSoFar);
}

void DeviceNet::announcePages(int total)
{
    emitQueuedFrame();
    emit pages(total);
}

template<typename Chunk> int DeviceNet::transfer(int first, int count, Chunk chunk)
{
    int done = 0;
    while (done < count) {
        const int n = qMin(count - done, MaxPagesPerRequest);
        bool last = false;
        const int rc = chunk(first + done, n, done, &last);
        if (rc != ResultOk)
            return rc;
        if (stopRequested())
            return ErrStopped;
        if (last)
            return ResultOk;
        done += n;
        queueFrame(done);
    }
    return ResultOk;
}

int DeviceNet::readChunk(int page, int count, QByteArray *out)
{
    Frame::Message reply;
    int rc = exchange(Frame::CmdReadPages, { page, count }, {}, &reply);
    if (rc == ResultOk)
        rc = Frame::acceptRead(reply, count);
    if (rc == ResultOk)
        out->append(reply.data);
    return rc;
}

int DeviceNet::writeChunk(Frame::Command command, int page, int count, const QByteArray &data)
{
    Frame::Message reply;
    const int rc = exchange(command, { page, count }, data, &reply);
    return rc == ResultOk ? Frame::acceptWrite(reply) : rc;
}

int DeviceNet::readPages(int first, int count, QByteArray *out)
{
    return transfer(first, count,
                    [this, out](int page, int n, int, bool *) { return readChunk(page, n, out); });
}

int DeviceNet::writePages(Frame::Command command, const QByteArray &data, int first, int count)
{
    return transfer(first, count, [this, command, &data](int page, int n, int done, bool *) {
        return writeChunk(command, page, n, data.mid(done * PageSize, n * PageSize));
    });
}

int DeviceNet::runSteps()
{
    int rc = exchange(Frame::CmdInfo, { 0 }, {}, &m_openingReply);
    if (rc == ResultOk)
        rc = Frame::acceptInfo(m_openingReply, &m_identity);
    if (rc != ResultOk)
        return rc;

    QByteArray page;
    rc = readChunk(0, 1, &page);
    if (rc != ResultOk)
        return rc;
    if (!Storage::parseDirectory(page, &m_directory))
        return ErrDirectory;

    const Storage::SerialPlace place
        = Storage::serialPlace(m_identity.minor(), m_directory.region(Storage::ParameterRegion).firstPage);
    page.clear();
    rc = readChunk(place.page, 1, &page);
    if (rc != ResultOk)
        return rc;
    m_serial = Storage::serialFromPage(page, place);
    rc = Frame::acceptOpening(m_identity, m_directory.region(Storage::GoodsRegion), m_serial);
    if (rc != ResultOk)
        return rc;
    m_identified = true;
    // A stop asked for while the opening steps ran ends the job before its own steps.
    if (stopRequested())
        return ErrStopped;
    // Nothing is written to a register that is not the one the data is meant for.
    rc = checkTarget();
    if (rc != ResultOk)
        return rc;

    switch (m_job->kind) {
    case DeviceJob::QueryInfo:
        m_job->output = TaggedRecord::make(TaggedRecord::SerialTag, m_serial);
        return ResultOk;
    case DeviceJob::ReadParams:
        return regionsFitRecords() ? readParams() : ErrCapacity;
    case DeviceJob::WriteParams:
        return regionsFitRecords() ? writeParams() : ErrCapacity;
    case DeviceJob::ReadGoodsRange:
        return readGoodsRange();
    case DeviceJob::ReadGoods:
        return readCatalogue();
    case DeviceJob::WriteGoods: {
        const Storage::Region &area = m_directory.region(Storage::GoodsRegion);
        if (m_job->input.size() > area.byteSize())
            return ErrCapacity;
        return writeBytes(m_job->input, area.firstPage);
    }
    }
    return ErrJobKind;
}

// Every job ends with the identity request once more: a shift of the replies
// by one (a copy of an earlier reply taken for a later one) then shows as a
// page reply where the identity belongs. No reply of the job is taken as
// final before that, so a read whose replies shifted saves nothing and a
// write says the register may hold part of the new data.
//
// A copy that follows its original leaves the register's own last reply
// outstanding, which is never an identity reply: the check is sound without
// waiting after it. A grace time would cost every job its length and catch
// only a copy of the opening reply held back to the very end; the bytes that
// already wait after the closing reply still end the job (onConnect()).
int DeviceNet::closingCheck()
{
    Frame::Message reply;
    const int rc = exchange(Frame::CmdInfo, { 0 }, {}, &reply);
    return rc == ResultOk ? Frame::acceptClosing(reply, m_openingReply) : rc;
}

int DeviceNet::checkTarget() const
{
    const int kind = m_job->kind;
    if (kind != DeviceJob::WriteParams && kind != DeviceJob::WriteGoods)
        return ResultOk;
    if (m_job->expectedSerial.isEmpty() || m_serial != m_job->expectedSerial)
        return ErrSerialMismatch;
    if (m_identity.family() != m_job->expectedFamily)
        return ErrFamilyMismatch;
    return ResultOk;
}

// Images travel in tagged records with a 16-bit length; a larger region would
// arrive cut and wrapped, so such a register is refused outright.
bool DeviceNet::regionsFitRecords() const
{
    return m_directory.region(Storage::ParameterRegion).byteSize() <= TaggedRecord::MaxLength
        && m_directory.region(Storage::SystemRegion).byteSize() <= TaggedRecord::MaxLength;
}

int DeviceNet::readParams()
{
    const Storage::Region &params = m_directory.region(Storage::ParameterRegion);
    const Storage::Region &system = m_directory.region(Storage::SystemRegion);
    QByteArray paramBytes;
    QByteArray systemBytes;
    int rc = readPages(params.firstPage, params.pageCount, &paramBytes);
    if (rc == ResultOk)
        rc = readPages(system.firstPage, system.pageCount, &systemBytes);
    // What was read stays in the output even when the job ends early.
    if (!paramBytes.isEmpty())
        m_job->output += TaggedRecord::make(TaggedRecord::ParameterImageTag, paramBytes);
    if (!systemBytes.isEmpty())
        m_job->output += TaggedRecord::make(TaggedRecord::SystemImageTag, systemBytes);
    return rc;
}

int DeviceNet::writeParams()
{
    struct Part
    {
        Frame::Command command;
        Storage::Region region;
        QByteArray bytes;
    };
    // Every record is checked against its region before the first page goes
    // out: what is known in advance never leaves the register half-written.
    QVector<Part> parts;
    bool complete = false;
    const QVector<TaggedRecord::Record> records = TaggedRecord::parse(m_job->input, &complete);
    if (!complete)
        return ErrCapacity;
    for (const TaggedRecord::Record &record : records) {
        Part part { Frame::CmdWritePages, {}, record.bytes };
        if (record.tag == TaggedRecord::ParameterImageTag) {
            part.region = m_directory.region(Storage::ParameterRegion);
        } else if (record.tag == TaggedRecord::SystemImageTag) {
            part.region = m_directory.region(Storage::SystemRegion);
            part.command = Frame::CmdWriteSystemPages;
        } else {
            continue;
        }
        if (part.bytes.size() > part.region.byteSize())
            return ErrCapacity;
        parts.append(part);
    }
    for (const Part &part : qAsConst(parts)) {
        QByteArray buffer(part.region.byteSize(), '\0');
        buffer.replace(0, part.bytes.size(), part.bytes);
        const int rc = writePages(part.command, buffer, part.region.firstPage, part.region.pageCount);
        if (rc != ResultOk)
            return rc;
    }
    return ResultOk;
}

int DeviceNet::readGoodsRange()
{
    qint32 first = 0;
    qint32 last = 0;
    const QVector<TaggedRecord::Record> records = TaggedRecord::parse(m_job->input);
    for (const TaggedRecord::Record &record : records) {
        if (record.tag != TaggedRecord::FirstIndexTag && record.tag != TaggedRecord::LastIndexTag)
            continue;
        if (record.bytes.size() != 4)
            break;
        const qint32 value = qFromLittleEndian<qint32>(record.bytes.constData());
        if (record.tag == TaggedRecord::FirstIndexTag)
            first = value;
        else
            last = value;
    }
    if (first == 0 || last == 0)
        return ErrCapacity;
    return readGoods(first, last);
}

// Records 1 .. 2n-1 span all n pages of the area, the last one included. A
// register that reports its capacity C holds at most C rows before the
// terminator: the read stops after record C + 1, and a catalogue with no
// terminator by then is no catalogue of this register (ErrBadReply, nothing
// kept), rather than up to 2n-1 rows of whatever the area holds.
int DeviceNet::readCatalogue()
{
    const int areaPages = m_directory.region(Storage::GoodsRegion).pageCount;
    qint64 lastIndex = 2 * qint64(areaPages) - 1;
    const qint64 limit = m_identity.reportsCapacity ? qint64(m_identity.goodsCapacity) + 1 : lastIndex;
    const bool capped = limit < lastIndex;
    lastIndex = qMin(lastIndex, limit);
    const int rc = readGoods(1, lastIndex);
    if (rc != ResultOk || !capped)
        return rc;
    // Output record j is record j + 1 of the area.
    const int terminator = firstTerminator(m_job->output, 0);
    if (terminator < 0 || terminator / GoodsRecordSize + 1 > limit) {
        m_job->output.clear();
        return ErrBadReply;
    }
    return ResultOk;
}

// Record r lies in goods page r / 2 at byte (r % 2) * 128; record 0 is the header.
int DeviceNet::readGoods(qint64 firstIndex, qint64 lastIndex)
{
    const Storage::Region &area = m_directory.region(Storage::GoodsRegion);
    if (firstIndex < 1 || lastIndex < firstIndex)
        return ErrCapacity;
    const qint64 firstPage = firstIndex / 2;
    const qint64 pageTotal = lastIndex / 2 - firstPage + 1;
    if (firstPage + pageTotal > area.pageCount)
        return ErrCapacity;
    announcePages(int(pageTotal));

    QByteArray bytes;
    const int rc = transfer(area.firstPage + int(firstPage), int(pageTotal),
                            [this, &bytes](int page, int n, int, bool *last) {
                                const int from = bytes.size();
                                const int rc = readChunk(page, n, &bytes);
                                *last = rc == ResultOk && firstTerminator(bytes, from) >= 0;
                                return rc;
                            });
    m_job->output = (firstIndex % 2) ? bytes.mid(GoodsRecordSize) : bytes;
    return rc;
}

int DeviceNet::writeBytes(const QByteArray &data, int firstPage)
{
    const int fullPages = data.size() / PageSize;
    const int tail = data.size() % PageSize;
    announcePages(fullPages + (tail ? 1 : 0));

    // The tail shares its page with bytes the register keeps: read, patch,
    // write back. Read first, so that a failed read leaves nothing written.
    const int tailPage = firstPage + fullPages;
    QByteArray page;
    if (tail) {
        const int rc = readChunk(tailPage, 1, &page);
        if (rc != ResultOk)
            return rc;
    }
    int rc = writePages(Frame::CmdWritePages, data, firstPage, fullPages);
    if (rc != ResultOk || tail == 0)
        return rc;
    rc = writeChunk(Frame::CmdWritePages, tailPage, 1, data.right(tail) + page.mid(tail));
    if (rc == ResultOk)
        queueFrame(fullPages + 1);
    return rc;
}

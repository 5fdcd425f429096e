#include "devicenet.h"

#include "link/devicejob.h"
#include "link/taggedrecord.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QTcpSocket>
#include <QtEndian>

using Frame::MaxPagesPerRequest;
using Frame::PageSize;

std::atomic<int> DeviceNet::s_instances { 0 };

namespace {

constexpr int GoodsRecordSize = 128;

// A goods record starting with FF FF ends the catalogue.
bool holdsTerminator(const QByteArray &chunk)
{
    for (int pos = 0; pos + 1 < chunk.size(); pos += GoodsRecordSize) {
        if (quint8(chunk.at(pos)) == 0xFF && quint8(chunk.at(pos + 1)) == 0xFF)
            return true;
    }
    return false;
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

void DeviceNet::run()
{
    Q_ASSERT(m_job);
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &DeviceNet::onConnect);
    connect(m_socket, &QTcpSocket::disconnected, this, &DeviceNet::onDisconnect);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &DeviceNet::onError);
    m_socket->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
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
    if (m_reported) {
        if (abandoned())
            close();
        return;
    }
    if (m_inSteps || !m_socket)
        return;
    m_socket->abort();
    m_job->result = ErrStopped;
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
    if (m_closed)
        return;
    m_closed = true;
    emit closed();
}

void DeviceNet::report()
{
    if (m_reported)
        return;
    m_reported = true;
    {
        std::lock_guard<std::mutex> lock(m_publishLock);
    }
    emit disconnected();
    if (abandoned())
        close();
}

void DeviceNet::onConnect()
{
    if (m_reported)
        return;
    if (stopRequested()) {
        m_job->result = ErrStopped;
        m_socket->abort();
        report();
        return;
    }
    emit connected();
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_inSteps = true;
    const int result = runSteps();
    emitQueuedFrame();
    m_inSteps = false;
    m_job->result = result;
    // disconnectFromHost() may report through onDisconnect(); report() covers the
    // case where the socket is already gone and says nothing more.
    m_socket->disconnectFromHost();
    report();
}

void DeviceNet::onDisconnect()
{
    if (m_inSteps)
        return;
    report();
}

void DeviceNet::onError(QAbstractSocket::SocketError error)
{
    qDebug() << "socket error" << int(error);
    if (m_inSteps) {
        // A wait that runs out is the reply window's business, not a broken socket.
        if (error != QAbstractSocket::SocketTimeoutError)
            m_socketError = true;
        return;
    }
    if (m_reported)
        return;
    m_job->result = ErrSocket;
    report();
}

int DeviceNet::exchange(Frame::Command command, const QVector<qint32> &args, const QByteArray &data,
                        Frame::Message *reply)
{
    if (command != Frame::CmdInfo && (args.value(1) < 1 || args.value(1) > MaxPagesPerRequest))
        return ErrPageCount;
    const QByteArray request = Frame::request(command, args, data);
    if (m_socket->write(request) != request.size())
        return m_socketError ? ErrSocket : ErrSend;
    m_socket->flush(); // out now, not on the wait's first round
    emitQueuedFrame();

    // TCP may split a reply; read until the declared payload is in or the window ends.
    QByteArray received;
    const QDeadlineTimer deadline(ReplyWindowMs);
    while (!deadline.hasExpired() && m_socket->waitForReadyRead(int(deadline.remainingTime()))) {
        received += m_socket->readAll();
        switch (Frame::check(received)) {
        case Frame::Status::Complete:
            return Frame::parse(received, reply) ? ResultOk : ErrBadReply;
        case Frame::Status::Malformed:
            return ErrBadReply;
        case Frame::Status::Incomplete:
            break;
        }
    }
    if (m_socketError)
        return ErrSocket;
    return received.isEmpty() ? ErrNoReply : ErrBadReply;
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

int DeviceNet::readPage(int page, QByteArray *data)
{
    Frame::Message reply;
    int rc = exchange(Frame::CmdReadPages, { page, 1 }, {}, &reply);
    if (rc == ResultOk)
        rc = Frame::acceptRead(reply, 1);
    if (rc == ResultOk)
        *data = reply.data;
    return rc;
}

int DeviceNet::readPages(int first, int count, QByteArray *out)
{
    int done = 0;
    while (count > 0) {
        const int n = qMin(count, MaxPagesPerRequest);
        Frame::Message reply;
        int rc = exchange(Frame::CmdReadPages, { first, n }, {}, &reply);
        if (rc == ResultOk)
            rc = Frame::acceptRead(reply, n);
        if (rc != ResultOk)
            return rc;
        out->append(reply.data);
        if (stopRequested())
            return ErrStopped;
        first += n;
        count -= n;
        done += n;
        queueFrame(done);
    }
    return ResultOk;
}

int DeviceNet::writePages(Frame::Command command, const QByteArray &data, int first, int count)
{
    int done = 0;
    while (count > 0) {
        const int n = qMin(count, MaxPagesPerRequest);
        Frame::Message reply;
        int rc = exchange(command, { first, n }, data.mid(done * PageSize, n * PageSize), &reply);
        if (rc == ResultOk)
            rc = Frame::acceptWrite(reply);
        if (rc != ResultOk)
            return rc;
        if (stopRequested())
            return ErrStopped;
        first += n;
        count -= n;
        done += n;
        queueFrame(done);
    }
    return ResultOk;
}

int DeviceNet::runSteps()
{
    Frame::Message reply;
    int rc = exchange(Frame::CmdInfo, { 0 }, {}, &reply);
    if (rc == ResultOk)
        rc = Frame::acceptInfo(reply, &m_identity);
    if (rc != ResultOk)
        return rc;

    QByteArray page;
    rc = readPage(0, &page);
    if (rc != ResultOk)
        return rc;
    if (!Storage::parseDirectory(page, &m_directory))
        return ErrDirectory;

    const Storage::SerialPlace place
        = Storage::serialPlace(m_identity.minor(), m_directory.region(Storage::ParameterRegion).firstPage);
    rc = readPage(place.page, &page);
    if (rc != ResultOk)
        return rc;
    m_serial = Storage::serialFromPage(page, place);
    // A stop asked for while the opening steps ran ends the job before its own steps.
    if (stopRequested())
        return ErrStopped;

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
    case DeviceJob::ReadGoods: {
        // Records 1 .. 2n-1 span all n pages of the area, the last one included.
        const int areaPages = m_directory.region(Storage::GoodsRegion).pageCount;
        return readGoods(1, 2 * qint64(areaPages) - 1);
    }
    case DeviceJob::WriteGoods: {
        const Storage::Region &area = m_directory.region(Storage::GoodsRegion);
        if (m_job->input.size() > area.byteSize())
            return ErrCapacity;
        return writeBytes(m_job->input, area.firstPage);
    }
    }
    return ErrJobKind;
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
    const QVector<TaggedRecord::Record> records = TaggedRecord::parse(m_job->input);
    for (const TaggedRecord::Record &record : records) {
        int regionId = 0;
        Frame::Command command = Frame::CmdWritePages;
        if (record.tag == TaggedRecord::ParameterImageTag) {
            regionId = Storage::ParameterRegion;
        } else if (record.tag == TaggedRecord::SystemImageTag) {
            regionId = Storage::SystemRegion;
            command = Frame::CmdWriteSystemPages;
        } else {
            continue;
        }
        const Storage::Region &region = m_directory.region(regionId);
        if (record.bytes.size() > region.byteSize())
            return ErrCapacity;
        QByteArray buffer(region.byteSize(), '\0');
        buffer.replace(0, record.bytes.size(), record.bytes);
        const int rc = writePages(command, buffer, region.firstPage, region.pageCount);
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
    int rc = ResultOk;
    int page = area.firstPage + int(firstPage);
    int left = int(pageTotal);
    int done = 0;
    while (left > 0) {
        const int n = qMin(left, MaxPagesPerRequest);
        Frame::Message reply;
        rc = exchange(Frame::CmdReadPages, { page, n }, {}, &reply);
        if (rc == ResultOk)
            rc = Frame::acceptRead(reply, n);
        if (rc != ResultOk)
            break;
        bytes.append(reply.data);
        if (stopRequested()) {
            rc = ErrStopped;
            break;
        }
        if (holdsTerminator(reply.data))
            break;
        page += n;
        left -= n;
        done += n;
        queueFrame(done);
    }
    m_job->output = (firstIndex % 2) ? bytes.mid(GoodsRecordSize) : bytes;
    return rc;
}

int DeviceNet::writeBytes(const QByteArray &data, int firstPage)
{
    const int fullPages = data.size() / PageSize;
    const int tail = data.size() % PageSize;
    announcePages(fullPages + (tail ? 1 : 0));
    int rc = writePages(Frame::CmdWritePages, data, firstPage, fullPages);
    if (rc != ResultOk || tail == 0)
        return rc;

    // The tail shares its page with bytes the register keeps: read, patch, write back.
    const int tailPage = firstPage + fullPages;
    QByteArray page;
    rc = readPage(tailPage, &page);
    if (rc != ResultOk)
        return rc;
    const QByteArray patched = data.right(tail) + page.mid(tail);
    Frame::Message reply;
    rc = exchange(Frame::CmdWritePages, { tailPage, 1 }, patched, &reply);
    if (rc == ResultOk)
        rc = Frame::acceptWrite(reply);
    if (rc == ResultOk)
        queueFrame(fullPages + 1);
    return rc;
}

#include "devicecontroller.h"

#include "link/devicejob.h"
#include "link/devicenet.h"
#include "link/exchangejournal.h"
#include "link/resultexplanation.h"
#include "link/storage.h"
#include "link/taggedrecord.h"
#include "params/textcodec.h"

#include <QDebug>
#include <QThread>

#include <memory>

DeviceController::DeviceController(QObject *parent)
    : QObject(parent)
{
}

DeviceController::~DeviceController()
{
    if (!m_net)
        return;
    // The job outlives its window: stop it and let it clean up after itself.
    disconnect(m_net, nullptr, this, nullptr);
    m_net->abandon();
    // Its end will reach no one: the journal has it as stopped here. Whether
    // a write had begun can only be told from its progress so far.
    const bool write = m_jobKind == DeviceJob::WriteParams || m_jobKind == DeviceJob::WriteGoods;
    journal(QString(), m_jobPages, ErrStopped, write && m_jobPages > 0);
}

void DeviceController::setOrigin(const QString &origin)
{
    m_origin = [origin] { return origin; };
}

void DeviceController::setOrigin(std::function<QString()> origin)
{
    m_origin = std::move(origin);
}

QString DeviceController::origin() const
{
    const QString text = m_origin ? m_origin() : QString();
    return text.isEmpty() ? tr("(не указано)") : text;
}

bool DeviceController::queryInfo(const QString &host, quint16 port)
{
    return start(DeviceJob::QueryInfo, host, port);
}

bool DeviceController::readParams(const QString &host, quint16 port)
{
    return start(DeviceJob::ReadParams, host, port);
}

namespace {

// The serial number as the register holds it; empty when the text cannot be
// held there exactly (and so matches no register).
QByteArray serialBytes(const QString &serial)
{
    const QByteArray bytes = TextCodec::encode(serial);
    return TextCodec::decode(bytes) == serial ? bytes : QByteArray();
}

int pagesOf(int bytes)
{
    return (bytes + Storage::PageSize - 1) / Storage::PageSize;
}

int recordPages(const QByteArray &records)
{
    int pages = 0;
    for (const TaggedRecord::Record &record : TaggedRecord::parse(records))
        pages += pagesOf(record.bytes.size());
    return pages;
}

// The pages a successful job moved, by its data. Progress alone misses the
// last chunk of a goods read that stops at the catalogue's end.
int dataPages(const DeviceJob &job)
{
    switch (job.kind) {
    case DeviceJob::ReadParams:
        return recordPages(job.output);
    case DeviceJob::WriteParams:
        return recordPages(job.input);
    case DeviceJob::ReadGoodsRange:
    case DeviceJob::ReadGoods:
        return pagesOf(job.output.size());
    case DeviceJob::WriteGoods:
        return pagesOf(job.input.size());
    }
    return 0;
}

} // namespace

bool DeviceController::writeParams(const QString &host, quint16 port, const QByteArray &records,
                                   const QString &serial, int family)
{
    auto job = std::make_unique<DeviceJob>();
    job->kind = DeviceJob::WriteParams;
    job->input = records;
    job->expectedSerial = serialBytes(serial);
    job->expectedFamily = family;
    bool complete = false;
    TaggedRecord::parse(records, &complete);
    if (job->expectedSerial.isEmpty() || (family != 52 && family != 53) || !complete)
        return refuse(job->kind, host, port);
    return start(job.release(), host, port);
}

bool DeviceController::readGoodsRange(const QString &host, quint16 port, int first, int last)
{
    const QByteArray input = TaggedRecord::makeInt(TaggedRecord::FirstIndexTag, first)
        + TaggedRecord::makeInt(TaggedRecord::LastIndexTag, last);
    return start(DeviceJob::ReadGoodsRange, host, port, input);
}

bool DeviceController::readGoods(const QString &host, quint16 port)
{
    return start(DeviceJob::ReadGoods, host, port);
}

bool DeviceController::writeGoods(const QString &host, quint16 port, const QByteArray &image,
                                  const QString &serial, int family)
{
    auto job = std::make_unique<DeviceJob>();
    job->kind = DeviceJob::WriteGoods;
    job->input = image;
    job->expectedSerial = serialBytes(serial);
    job->expectedFamily = family;
    if (job->expectedSerial.isEmpty() || (family != 52 && family != 53))
        return refuse(job->kind, host, port);
    return start(job.release(), host, port);
}

bool DeviceController::start(int kind, const QString &host, quint16 port, const QByteArray &input)
{
    auto *job = new DeviceJob;
    job->kind = kind;
    job->input = input;
    return start(job, host, port);
}

bool DeviceController::start(DeviceJob *job, const QString &host, quint16 port)
{
    if (m_net) {
        const int kind = job->kind;
        delete job;
        return refuse(kind, host, port);
    }
    m_host = host;
    m_port = port;
    m_jobOrigin = origin();
    m_jobStarted = QDateTime::currentDateTime();
    m_jobClock.start();
    m_jobKind = job->kind;
    m_jobPages = 0;
    m_lastFrame = 0;

    auto *net = new DeviceNet;
    auto *thread = new QThread;
    net->setJob(host, port, job);
    net->moveToThread(thread);
    m_net = net;

    connect(net, &DeviceNet::connected, this, &DeviceController::onConnected);
    connect(net, &DeviceNet::disconnected, this, &DeviceController::onDisconnected);
    connect(net, &DeviceNet::frame, this, &DeviceController::onFrame);
    connect(net, &DeviceNet::pages, this, &DeviceController::pages);
    connect(thread, &QThread::started, net, &DeviceNet::run);
    connect(net, &DeviceNet::closed, thread, &QThread::quit);
    connect(net, &DeviceNet::closed, net, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
    return true;
}

void DeviceController::onFrame(int pagesSoFar)
{
    // Each transfer of a job counts from its own start: a count that does not
    // grow is the next transfer's first.
    m_jobPages += pagesSoFar > m_lastFrame ? pagesSoFar - m_lastFrame : pagesSoFar;
    m_lastFrame = pagesSoFar;
    emit frame(pagesSoFar);
}

bool DeviceController::refuse(int kind, const QString &host, quint16 port)
{
    JournalLine line;
    line.started = QDateTime::currentDateTime();
    line.origin = origin();
    line.host = host;
    line.port = port;
    line.kind = kind;
    line.result = ErrNotStarted;
    line.explanation = resultExplanation(ErrNotStarted);
    ExchangeJournal::instance()->append(std::move(line));
    return false;
}

void DeviceController::journal(const QString &serial, int pages, int result, bool writeBegun)
{
    JournalLine line;
    line.started = m_jobStarted;
    line.origin = m_jobOrigin;
    line.host = m_host;
    line.port = m_port;
    line.serial = serial;
    line.kind = m_jobKind;
    line.pages = pages;
    line.durationMs = m_jobClock.elapsed();
    line.result = result;
    line.explanation = resultExplanation(result, writeBegun);
    ExchangeJournal::instance()->append(std::move(line));
}

void DeviceController::stop()
{
    if (m_net)
        m_net->stop();
}

void DeviceController::onConnected()
{
    qDebug() << "connected";
    emit connected();
}

void DeviceController::onDisconnected()
{
    auto *net = qobject_cast<DeviceNet *>(sender());
    if (!net || net != m_net)
        return;
    // Only this job's end is still to come from it.
    disconnect(net, nullptr, this, nullptr);
    m_net = nullptr;

    const DeviceJob *job = net->job();
    if (net->identified()) {
        const Frame::Identity identity = net->identity();
        m_reported = { true, TextCodec::decode(net->serial()), identity.major(), identity.minor(),
                       identity.build() };
    } else {
        m_reported = {};
    }
    m_writeBegun = net->writeBegun();
    if (job->result != ResultOk) {
        m_result = job->result;
    } else {
        const Frame::Identity identity = net->identity();
        m_versionMajor = identity.major();
        m_versionMinor = identity.minor();
        m_versionBuild = identity.build();
        m_goodsCapacity = identity.goodsCapacity;
        // Register text is Windows-1251, the serial number included.
        m_serial = TextCodec::decode(TextCodec::untilNul(net->serial()));
        m_result = ResultOk;
        switch (job->kind) {
        case DeviceJob::QueryInfo: {
            const QVector<TaggedRecord::Record> records = TaggedRecord::parse(job->output);
            if (!records.isEmpty() && records.first().tag == TaggedRecord::SerialTag)
                m_serial = TextCodec::decode(records.first().bytes);
            break;
        }
        case DeviceJob::ReadParams:
        case DeviceJob::ReadGoodsRange:
        case DeviceJob::ReadGoods:
            m_data = job->output;
            break;
        case DeviceJob::WriteParams:
        case DeviceJob::WriteGoods:
            break;
        default:
            m_result = ErrJobKind;
            break;
        }
    }
    int pages = m_jobPages;
    if (m_result == ResultOk)
        pages = qMax(pages, dataPages(*job));
    journal(m_reported.valid ? m_reported.serial : QString(), pages, m_result, m_writeBegun);

    // The DeviceNet goes away with its thread once closed. It is closed through
    // a signal of its own rather than from this object's finished(): no
    // connection may link the two when either is destroyed on its own thread.
    net->requestClose();
    emit finished();
}

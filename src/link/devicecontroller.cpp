#include "devicecontroller.h"

#include "link/devicejob.h"
#include "link/devicenet.h"
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
        return false;
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
                                  const QString &serial)
{
    auto job = std::make_unique<DeviceJob>();
    job->kind = DeviceJob::WriteGoods;
    job->input = image;
    job->expectedSerial = serialBytes(serial);
    if (job->expectedSerial.isEmpty())
        return false;
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
        delete job;
        return false;
    }
    m_host = host;
    m_port = port;

    auto *net = new DeviceNet;
    auto *thread = new QThread;
    net->setJob(host, port, job);
    net->moveToThread(thread);
    m_net = net;

    connect(net, &DeviceNet::connected, this, &DeviceController::onConnected);
    connect(net, &DeviceNet::disconnected, this, &DeviceController::onDisconnected);
    connect(net, &DeviceNet::frame, this, &DeviceController::frame);
    connect(net, &DeviceNet::pages, this, &DeviceController::pages);
    connect(thread, &QThread::started, net, &DeviceNet::run);
    connect(net, &DeviceNet::closed, thread, &QThread::quit);
    connect(net, &DeviceNet::closed, net, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
    return true;
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
    // The DeviceNet goes away with its thread once closed. It is closed through
    // a signal of its own rather than from this object's finished(): no
    // connection may link the two when either is destroyed on its own thread.
    net->requestClose();
    emit finished();
}

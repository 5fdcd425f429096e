#include "registersimulator.h"

#include "classes/boundedfile.h"
#include "link/devicefinder.h"
#include "link/frame.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/textcodec.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>

#include <memory>
#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using Storage::GoodsRecordSize;
using Storage::PageSize;

namespace {

// The plain socket of listenWithoutAccepting(), which QTcpServer cannot make.
#ifdef Q_OS_WIN
using socklen_t = int;
constexpr qintptr NoSocket = qintptr(INVALID_SOCKET);

qintptr openStreamSocket()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return NoSocket;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        WSACleanup();
    return qintptr(s);
}

void closeStreamSocket(qintptr s)
{
    closesocket(SOCKET(s));
    WSACleanup();
}
#else
constexpr qintptr NoSocket = -1;

qintptr openStreamSocket()
{
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

void closeStreamSocket(qintptr fd)
{
    ::close(int(fd));
}
#endif

// Firmware the utility configures: 2.52 only from build 38 on.
quint32 familyVersionWord(RegisterSimulator::Family family)
{
    if (family == RegisterSimulator::Family252)
        return 2u << 28 | 52u << 16 | 40u;
    return 2u << 28 | 53u << 16 | 12u;
}

// Page 0 is the directory; then system image, parameter image, regions 3 and 4, goods.
QByteArray makeStore(const RegisterSimulator::Config &config)
{
    const int parameterPages = config.parameterPages >= 0
        ? config.parameterPages
        : (config.family == RegisterSimulator::Family252 ? 10 : 21);
    // Header, one record per row, a terminator (two when the row count is odd).
    const int goodsPages
        = config.goodsPages >= 0 ? config.goodsPages : (qMax(0, config.goodsCapacity) + 3) / 2;
    const int sizes[Storage::RegionCount] = { qMax(0, config.systemPages), parameterPages, 1, 1, goodsPages };

    Storage::Directory directory;
    int page = 1;
    for (int n = 1; n <= Storage::RegionCount; ++n) {
        directory.region(n).firstPage = quint16(page);
        directory.region(n).pageCount = quint16(sizes[n - 1]);
        page += sizes[n - 1];
    }
    QByteArray store(page * PageSize, '\0');
    store.replace(0, PageSize, Storage::buildDirectory(directory));
    const Storage::Region &goods = directory.region(Storage::GoodsRegion);
    store.replace(goods.firstPage * PageSize, goods.byteSize(),
                  RegisterSimulator::emptyGoodsArea(goods.pageCount));
    return store;
}

} // namespace

RegisterSimulator::RegisterSimulator(QObject *parent)
    : RegisterSimulator(Config(), parent)
{
}

RegisterSimulator::RegisterSimulator(const Config &config, QObject *parent)
    : QObject(parent)
    , m_config(config)
    , m_store(makeStore(config))
{
    qRegisterMetaType<RegisterSimulator::Request>();
    placeSerial(config.serial);
}

void RegisterSimulator::setSerial(const QString &serial)
{
    placeSerial(serial);
}

void RegisterSimulator::placeSerial(const QString &serial)
{
    const Storage::SerialPlace place = serialPlace();
    m_store.replace(place.page * PageSize + place.offset, place.length,
                    TextCodec::encodeField(serial, place.length, place.length));
}

void RegisterSimulator::fillDemoParameters()
{
    const bool is52 = ((versionWord() >> 16) & 0x0FFF) == 52;
    const QString serialNumber = serial();
    // The two families' demo registers belong to different shops, so that a
    // user can tell them apart in the device window.
    const QString shop = is52 ? QStringLiteral("ООО \"Ромашка\"") : QStringLiteral("ООО \"Василёк\"");
    std::unique_ptr<DeviceParams> params;
    if (is52) {
        auto *p = new DeviceParams52;
        params.reset(p);
        p->organisation.inn.setText(QStringLiteral("7725012341"));
        p->organisation.name.setText(shop);
        p->organisation.address.setText(QStringLiteral("г. Москва, ул. Садовая, д. 5"));
        p->tradeConfig.departmentCount = 4;
    } else {
        auto *p = new DeviceParams53;
        params.reset(p);
        p->organisation.inn.setText(QStringLiteral("5003012349"));
        p->organisation.name.setText(shop);
        p->organisation.address.setText(QStringLiteral("Московская обл., г. Видное, ул. Школьная, д. 12"));
        p->organisation.place.setText(QStringLiteral("Магазин \"Василёк\""));
        p->organisation.email.setText(QStringLiteral("kassa@vasilek.example"));
        p->tradeConfig.departmentCount = 4;
        p->registrationIds.serialNumber.setText(serialNumber);
    }
    const char *const departments[] = { "Бакалея", "Молочные", "Хлеб", "Напитки" };
    for (int k = 0; k < 4; ++k)
        params->departments[k].name.setText(QString::fromUtf8(departments[k]));
    params->receiptHeader.setLines({ shop, QStringLiteral("Добро пожаловать!") });
    params->receiptFooter.setLines({ QStringLiteral("Спасибо за покупку!") });

    QByteArray parameterImage = this->parameterImage();
    QByteArray system = systemImage();
    params->toImage(parameterImage, system);
    setParameterImage(parameterImage);
    setSystemImage(system);
    // 2.52 keeps the serial number in bytes the parameter set only carries.
    placeSerial(serialNumber);
}

RegisterSimulator::~RegisterSimulator()
{
    close();
}

QByteArray RegisterSimulator::emptyGoodsArea(int pageCount)
{
    QByteArray area(pageCount * PageSize, '\0');
    if (area.size() >= 2 * GoodsRecordSize) {
        area[GoodsRecordSize] = char(0xFF);
        area[GoodsRecordSize + 1] = char(0xFF);
    }
    return area;
}

bool RegisterSimulator::listen(const QHostAddress &address, quint16 port)
{
    close();
    m_server = new QTcpServer(this);
    if (!m_server->listen(address, port)) {
        qWarning("korvant-sim: cannot listen on %s:%u: %s", qPrintable(address.toString()), port,
                 qPrintable(m_server->errorString()));
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_address = address;
    connect(m_server, &QTcpServer::newConnection, this, &RegisterSimulator::onNewConnection);

    if (m_config.discoveryPort != 0) {
        m_discovery = new QUdpSocket(this);
        const quint16 udpPort = m_config.discoveryPort == EphemeralPort ? 0 : quint16(m_config.discoveryPort);
        if (m_discovery->bind(address, udpPort,
                              QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
            connect(m_discovery, &QUdpSocket::readyRead, this, &RegisterSimulator::onDiscoveryDatagram);
        } else {
            qWarning("korvant-sim: no discovery responder on %s:%u: %s", qPrintable(address.toString()),
                     udpPort, qPrintable(m_discovery->errorString()));
            delete m_discovery;
            m_discovery = nullptr;
        }
    }
    return true;
}

bool RegisterSimulator::listenWithoutAccepting(const QHostAddress &address, quint16 port)
{
    close();
    const qintptr fd = openStreamSocket();
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address.toIPv4Address());
    socklen_t size = sizeof a;
    // A queue of one: the system keeps at most one finished connection
    // waiting for accept(), and answers no further connection request.
    if (fd == NoSocket || ::bind(fd, reinterpret_cast<sockaddr *>(&a), size) != 0 || ::listen(fd, 0) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) != 0) {
        qWarning("korvant-sim: cannot listen on %s:%u", qPrintable(address.toString()), port);
        if (fd != NoSocket)
            closeStreamSocket(fd);
        return false;
    }
    m_unacceptingListener = fd;
    m_unacceptingPort = ntohs(a.sin_port);
    m_address = address;
    // Fill the queue. Where the system answers no connection request to a
    // full queue at all (without SYN cookies), this one fails too; either
    // way no later one is answered.
    m_queueFiller = new QTcpSocket(this);
    m_queueFiller->connectToHost(address, m_unacceptingPort);
    m_queueFiller->waitForConnected(1000);
    return true;
}

void RegisterSimulator::close()
{
    delete m_queueFiller;
    m_queueFiller = nullptr;
    if (m_unacceptingListener != NoSocket) {
        closeStreamSocket(m_unacceptingListener);
        m_unacceptingListener = NoSocket;
        m_unacceptingPort = 0;
    }
    const QList<QTcpSocket *> sockets = m_connections.keys();
    m_connections.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    delete m_server;
    m_server = nullptr;
    delete m_discovery;
    m_discovery = nullptr;
}

quint16 RegisterSimulator::serverPort() const
{
    return m_server ? m_server->serverPort() : m_unacceptingPort;
}

quint16 RegisterSimulator::discoveryPort() const
{
    return m_discovery ? m_discovery->localPort() : 0;
}

quint32 RegisterSimulator::versionWord() const
{
    return m_config.versionWord ? m_config.versionWord : familyVersionWord(m_config.family);
}

Storage::SerialPlace RegisterSimulator::serialPlace() const
{
    const int minor = int((versionWord() >> 16) & 0x0FFF);
    return Storage::serialPlace(minor, region(Storage::ParameterRegion).firstPage);
}

QString RegisterSimulator::serial() const
{
    const Storage::SerialPlace place = serialPlace();
    return TextCodec::decode(Storage::serialFromPage(m_store.mid(place.page * PageSize, PageSize), place));
}

QString RegisterSimulator::macAddress() const
{
    const quint32 hash = Frame::crc32(TextCodec::encode(serial()));
    // 02: locally administered, unicast.
    const quint8 bytes[6]
        = { 0x02, 0x4B, quint8(hash >> 24), quint8(hash >> 16), quint8(hash >> 8), quint8(hash) };
    QStringList parts;
    for (quint8 b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(':'));
}

Storage::Region RegisterSimulator::region(int n) const
{
    Storage::Directory directory;
    if (n < 1 || n > Storage::RegionCount || !Storage::parseDirectory(m_store.left(PageSize), &directory))
        return {};
    return directory.region(n);
}

QByteArray RegisterSimulator::regionBytes(int n) const
{
    const Storage::Region r = region(n);
    return m_store.mid(r.firstPage * PageSize, r.byteSize());
}

void RegisterSimulator::setRegionBytes(int n, const QByteArray &bytes)
{
    const Storage::Region r = region(n);
    QByteArray fitted = bytes.left(r.byteSize());
    fitted.append(QByteArray(r.byteSize() - fitted.size(), '\0'));
    if (m_store.size() < (r.firstPage + r.pageCount) * PageSize)
        m_store.append(QByteArray((r.firstPage + r.pageCount) * PageSize - m_store.size(), '\0'));
    m_store.replace(r.firstPage * PageSize, r.byteSize(), fitted);
}

void RegisterSimulator::setStore(const QByteArray &store)
{
    m_store = store;
    if (m_store.size() % PageSize)
        m_store.append(QByteArray(PageSize - m_store.size() % PageSize, '\0'));
}

bool RegisterSimulator::saveStore(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(m_store);
    return file.commit();
}

bool RegisterSimulator::loadStore(const QString &path)
{
    // A region starts and spans at most 65535 pages.
    const BoundedFile::Result read = BoundedFile::read(path, qint64(2 * 0xFFFF) * PageSize);
    if (read.status != BoundedFile::Status::Ok)
        return false;
    const QByteArray &bytes = read.bytes;
    Storage::Directory directory;
    if (bytes.size() % PageSize || !Storage::parseDirectory(bytes.left(PageSize), &directory))
        return false;
    m_store = bytes;
    return true;
}

void RegisterSimulator::setFault(Fault fault, int request, int delayMs)
{
    m_faults.clear();
    FaultRule rule;
    rule.fault = fault;
    rule.request = request;
    rule.delayMs = delayMs;
    m_faults.append(rule);
}

RegisterSimulator::FaultRule RegisterSimulator::faultFor(const Request &request) const
{
    for (const FaultRule &rule : m_faults) {
        if ((rule.request == EveryRequest || rule.request == request.index)
            && (rule.command == AnyCommand || rule.command == request.command))
            return rule;
    }
    return {};
}

void RegisterSimulator::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // Another register behind the same address from this connection on.
        if (!m_connectionSerials.isEmpty())
            placeSerial(m_connectionSerials.takeFirst());
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connections.insert(socket, Connection { ++m_connectionsSeen, 0, {}, false, {}, {} });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (m_connections.remove(socket)) {
                socket->deleteLater();
                emit connectionClosed();
            }
        });
    }
}

void RegisterSimulator::onReadyRead(QTcpSocket *socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->buffer += socket->readAll();
    serve(socket);
}

// Requests are answered one at a time, in order, even when a reply is delayed.
void RegisterSimulator::serve(QTcpSocket *socket)
{
    for (;;) {
        auto it = m_connections.find(socket);
        if (it == m_connections.end() || it->replyPending)
            return;
        QByteArray &buffer = it->buffer;
        const Frame::Status status = Frame::check(buffer, Frame::MaxRequestPayload);
        if (status == Frame::Status::Incomplete)
            return;
        Frame::Message message;
        if (status == Frame::Status::Malformed || !Frame::parse(buffer, &message)) {
            // Nothing sensible can follow a broken frame on this stream.
            socket->disconnectFromHost();
            return;
        }
        buffer.remove(0, Frame::frameSize(buffer));
        Request request;
        request.connection = it->id;
        request.index = it->nextIndex++;
        request.command = message.head;
        request.args = message.values;
        request.data = message.data;
        it->replyPending = true;
        handle(socket, request);
    }
}

void RegisterSimulator::handle(QTcpSocket *socket, const Request &request)
{
    m_log.append(request);
    emit requestReceived(request);
    auto it = m_connections.find(socket);
    if (it != m_connections.end() && !it->repeat.isEmpty()) {
        socket->write(it->repeat);
        socket->flush();
        it->repeat.clear();
        emit duplicateSent(it->repeatOf);
    }
    const FaultRule rule = faultFor(request);
    switch (rule.fault) {
    case NoReply:
        return; // replyPending stays set: nothing more is answered on this connection
    case CloseConnection:
        socket->disconnectFromHost();
        return;
    default:
        break;
    }
    sendReply(socket, request, answer(request, rule.fault), rule);
}

QByteArray RegisterSimulator::answer(const Request &request, Fault fault)
{
    Frame::Message reply;
    switch (request.command) {
    case Frame::CmdInfo: {
        const quint32 word = fault == WrongValue ? 0 : versionWord();
        reply.values = { qint32(word), 1024, m_config.goodsCapacity };
        reply.values.resize(qBound(1, m_config.infoValues, 3));
        break;
    }
    case Frame::CmdReadPages: {
        const int first = request.args.value(0);
        const int count = request.args.value(1);
        if (request.args.size() != 2 || count < 1 || count > Frame::MaxPagesPerRequest || first < 0) {
            reply.values = { 0 };
            break;
        }
        reply.data = m_store.mid(first * PageSize, count * PageSize);
        const int pagesRead = reply.data.size() / PageSize;
        reply.values = { fault == WrongValue ? count + 1 : pagesRead };
        if (fault == ShortPageData)
            reply.data.chop(ShortPageDataBytes);
        break;
    }
    case Frame::CmdWritePages:
    case Frame::CmdWriteSystemPages: {
        const bool applied = fault != WriteRejected && writePages(request);
        reply.values = { applied ? (fault == WrongValue ? 2 : 0) : 1 };
        break;
    }
    default:
        break;
    }
    if (fault == WrongValueCount)
        reply.values.clear();
    return Frame::build(reply);
}

// System pages (region 1) take CmdWriteSystemPages, every other page but the
// directory CmdWritePages; anything else is refused as a register would.
bool RegisterSimulator::writePages(const Request &request)
{
    const int first = request.args.value(0);
    const int count = request.args.value(1);
    if (request.args.size() != 2 || count < 1 || count > Frame::MaxPagesPerRequest || first < 1
        || (first + count) * PageSize > m_store.size() || request.data.size() > count * PageSize)
        return false;
    const Storage::Region system = region(Storage::SystemRegion);
    const bool inSystem = first >= system.firstPage && first + count <= system.firstPage + system.pageCount;
    const bool touchesSystem
        = first < system.firstPage + system.pageCount && first + count > system.firstPage;
    if (request.command == Frame::CmdWriteSystemPages ? !inSystem : touchesSystem)
        return false;
    m_store.replace(first * PageSize, request.data.size(), request.data);
    emit stored();
    return true;
}

void RegisterSimulator::sendReply(QTcpSocket *socket, const Request &request, const QByteArray &reply,
                                  const FaultRule &rule)
{
    QByteArray bytes = reply;
    switch (rule.fault) {
    case BadCrc:
        bytes[6] = char(bytes.at(6) ^ 0x01);
        break;
    case ShortPayload:
        bytes.chop(1);
        break;
    case OversizedLength:
        qToLittleEndian<quint32>(0x7FFFFFF0u, bytes.data() + 2);
        break;
    default:
        break;
    }

    if (rule.fault == DuplicateReply) {
        if (rule.delayMs <= 0) {
            socket->write(bytes + bytes);
            socket->flush();
            emit duplicateSent(request);
        } else {
            QTimer::singleShot(rule.delayMs, Qt::PreciseTimer, socket, [this, socket, bytes, request] {
                socket->write(bytes);
                socket->flush();
                emit duplicateSent(request);
            });
            socket->write(bytes);
            socket->flush();
        }
        replySent(socket);
        return;
    }
    if (rule.fault == RepeatedReply) {
        auto it = m_connections.find(socket);
        if (it != m_connections.end()) {
            it->repeat = bytes;
            it->repeatOf = request;
        }
    }
    if (rule.fault == SplitReply && rule.pieces > 1) {
        const int pieces = qMin(rule.pieces, bytes.size());
        const int size = bytes.size() / pieces;
        for (int i = 0; i < pieces; ++i) {
            const QByteArray piece = i + 1 < pieces ? bytes.mid(i * size, size) : bytes.mid(i * size);
            QTimer::singleShot(i * rule.delayMs, Qt::PreciseTimer, socket,
                               [this, socket, piece, last = i + 1 == pieces] {
                                   socket->write(piece);
                                   socket->flush();
                                   if (last)
                                       replySent(socket);
                               });
        }
        return;
    }
    if (rule.delayMs > 0) {
        QTimer::singleShot(rule.delayMs, Qt::PreciseTimer, socket, [this, socket, bytes] {
            socket->write(bytes);
            replySent(socket);
        });
        return;
    }
    socket->write(bytes);
    replySent(socket);
}

void RegisterSimulator::replySent(QTcpSocket *socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->replyPending = false;
    // Further requests may already wait in the buffer; answer them after this returns.
    QTimer::singleShot(0, socket, [this, socket] { serve(socket); });
}

void RegisterSimulator::onDiscoveryDatagram()
{
    while (m_discovery && m_discovery->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_discovery->receiveDatagram();
        if (datagram.data() != DeviceFinder::probe())
            continue;
        const QByteArray reply = discoveryReply(datagram);
        const QHostAddress sender = datagram.senderAddress();
        const quint16 senderPort = quint16(datagram.senderPort());
        m_discovery->writeDatagram(reply, sender, senderPort);
        ++m_discoverySent;
        if (m_flood.durationMs > 0)
            startFlood(sender, senderPort, m_flood.junk ? QByteArray("Korvant POS here\n") : reply);
    }
}

QByteArray RegisterSimulator::discoveryReply(const QNetworkDatagram &probe) const
{
    QHostAddress ip = m_address;
    if (ip.isNull() || ip == QHostAddress::AnyIPv4 || ip == QHostAddress::Any)
        ip = probe.destinationAddress();
    return QStringLiteral("%1 %2 %3\n")
        .arg(serial(), macAddress(), QHostAddress(ip.toIPv4Address()).toString())
        .toLatin1();
}

void RegisterSimulator::startFlood(const QHostAddress &to, quint16 port, const QByteArray &datagram)
{
    // Without a pause, a burst a turn: as fast as a busy event loop can send.
    constexpr int Burst = 32;
    auto *timer = new QTimer(m_discovery);
    QElapsedTimer clock;
    clock.start();
    const int durationMs = m_flood.durationMs;
    const int burst = m_flood.intervalMs > 0 ? 1 : Burst;
    connect(timer, &QTimer::timeout, timer, [this, timer, clock, durationMs, burst, to, port, datagram] {
        if (clock.hasExpired(durationMs)) {
            timer->deleteLater();
            return;
        }
        for (int i = 0; i < burst; ++i) {
            m_discovery->writeDatagram(datagram, to, port);
            ++m_discoverySent;
        }
    });
    timer->start(m_flood.intervalMs);
}

#pragma once

#include "link/storage.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QNetworkDatagram;
class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// A simulated register for tests and for the korvant-sim program. It speaks the
// register protocol on TCP (identity, page reads, page writes, system page
// writes) over a page store with a valid directory, and answers the discovery
// probe on UDP. It serves on the thread it was created on, from that thread's
// event loop: a test that runs a job on a worker thread keeps the loop turning
// with QSignalSpy::wait() or QTRY_*.
//
// The store: page 0 the directory, then region 1 (system image), region 2
// (parameter image, with the serial number at the family's place), regions 3
// and 4 (one page each, unused) and region 5 (the goods area, holding an empty
// catalogue: the header record and a terminator).
//
// Typical use:
//     RegisterSimulator::Config config;
//     config.family = RegisterSimulator::Family252;
//     config.serial = "0512345678";
//     config.discoveryPort = 0;                      // no discovery responder
//     RegisterSimulator sim(config);
//     QVERIFY(sim.listen(QHostAddress("127.0.0.2"))); // ephemeral port
//     sim.setFault(RegisterSimulator::NoReply, 3);    // 4th request of each connection
//     ... controller.readParams("127.0.0.2", sim.serverPort()) ...
//     sim.requestLog(), sim.parameterImage(), ...
class RegisterSimulator : public QObject
{
    Q_OBJECT

public:
    enum Family {
        Family252,
        Family253,
    };

    enum Fault {
        NoFault,
        ReplyDelay, // the reply comes delayMs late
        NoReply, // the request is swallowed; the connection stays open
        SplitReply, // the reply goes out in `pieces` pieces, delayMs apart
        BadCrc, // the reply's CRC field is wrong
        ShortPayload, // the reply declares its whole payload but lacks its last byte
        WrongValueCount, // the reply carries no value at all
        WrongValue, // read: page count + 1; write: 2 (the write is applied); identity: version word 0
        WriteRejected, // a write is not applied and answered with 1
        CloseConnection, // the connection is closed instead of a reply
        OversizedLength, // the reply header declares a length no reply can have
        ShortPageData, // read: a well-formed reply confirming the count, its data ShortPageDataBytes short
        // The reply goes out twice: the copy delayMs after it, or with 0 in
        // the same write, right behind it.
        DuplicateReply,
        // The reply goes out, and a copy of it goes out again when the next
        // request arrives, as a segment of its own ahead of that request's
        // reply: a repeat that reaches the utility only after its next request
        // went out. With replies that take their time (ReplyDelay on the
        // others), every later reply is then taken for the next request's.
        RepeatedReply,
    };

    static constexpr int ShortPageDataBytes = 16;

    static constexpr int EveryRequest = -1;
    static constexpr int AnyCommand = 0;
    static constexpr int EphemeralPort = -1;

    struct Config
    {
        Family family = Family253;
        QString serial = QStringLiteral("0012345678");
        quint32 versionWord = 0; // 0: the family's own (2.53.12 or 2.52.40)
        int infoValues = 3; // values in the identity reply: 1, 2 or 3
        int goodsCapacity = 2000;
        int goodsPages = -1; // -1: room for goodsCapacity rows, header and terminator
        int parameterPages = -1; // -1: 21 for 2.53, 10 for 2.52
        int systemPages = 4;
        int discoveryPort = 8090; // 0: no discovery responder; EphemeralPort: any free port
    };

    // One received request; index counts from 0 within its connection.
    struct Request
    {
        int connection = 0;
        int index = 0;
        quint8 command = 0;
        QVector<qint32> args;
        QByteArray data;
    };

    // A fault strikes the requests that match both request index and command.
    struct FaultRule
    {
        Fault fault = NoFault;
        int request = EveryRequest; // index within each connection
        int command = AnyCommand; // a Frame::Command, or AnyCommand
        // ReplyDelay: the delay; SplitReply: the pause between pieces; DuplicateReply: the copy's
        // delay; any other fault that answers with one frame: that frame's delay.
        int delayMs = 0;
        int pieces = 3; // SplitReply
    };

    explicit RegisterSimulator(QObject *parent = nullptr);
    explicit RegisterSimulator(const Config &config, QObject *parent = nullptr);
    ~RegisterSimulator() override;

    // Listens for jobs on address:port (0: an ephemeral port) and, unless
    // switched off, for discovery probes on address:discoveryPort.
    bool listen(const QHostAddress &address, quint16 port = 0);
    // A register that takes no connection: address:port listens, but with a
    // queue of one that the simulator fills itself and never empties, so a
    // connect attempt is never answered. No discovery responder.
    bool listenWithoutAccepting(const QHostAddress &address, quint16 port = 0);
    void close();
    QHostAddress serverAddress() const { return m_address; }
    quint16 serverPort() const;
    quint16 discoveryPort() const; // 0 when there is no responder
    int connectionCount() const { return m_connections.size(); }

    const Config &config() const { return m_config; }
    quint32 versionWord() const;
    // The serial number as the store holds it at the family's place.
    QString serial() const;
    // Writes a serial number to the family's place (cut to its length).
    void setSerial(const QString &serial);
    // One serial number for each of the next connections, in order: each new
    // connection first writes the next one with setSerial(), as if another
    // register answered at this address. The last one stays once the list is used up.
    void setConnectionSerials(const QStringList &serials) { m_connectionSerials = serials; }
    // A fixed, locally administered MAC derived from the serial number.
    QString macAddress() const;

    QByteArray store() const { return m_store; }
    void setStore(const QByteArray &store);
    Storage::Region region(int n) const;
    QByteArray parameterImage() const { return regionBytes(Storage::ParameterRegion); }
    void setParameterImage(const QByteArray &bytes) { setRegionBytes(Storage::ParameterRegion, bytes); }
    QByteArray systemImage() const { return regionBytes(Storage::SystemRegion); }
    void setSystemImage(const QByteArray &bytes) { setRegionBytes(Storage::SystemRegion, bytes); }
    QByteArray goodsArea() const { return regionBytes(Storage::GoodsRegion); }
    void setGoodsArea(const QByteArray &bytes) { setRegionBytes(Storage::GoodsRegion, bytes); }

    // Fills the parameter image with a plausible set of the family: its
    // defaults plus an organisation, departments and receipt texts. The
    // serial number stays at its place.
    void fillDemoParameters();

    // The store as a plain file of pages.
    bool saveStore(const QString &path) const;
    bool loadStore(const QString &path);

    QList<Request> requestLog() const { return m_log; }
    void clearRequestLog() { m_log.clear(); }

    // The discovery responder misbehaving: after each probe it goes on sending
    // for durationMs, every intervalMs (0: as fast as its event loop turns)
    // either its own reply again or a datagram that is no reply at all.
    struct DiscoveryFlood
    {
        int durationMs = 0;
        int intervalMs = 0;
        bool junk = false;
    };
    void setDiscoveryFlood(const DiscoveryFlood &flood) { m_flood = flood; }
    // Datagrams the responder sent, probe replies and flood alike.
    int discoverySent() const { return m_discoverySent; }

    // setFault() replaces every rule by one; addFault() adds one.
    void setFault(Fault fault, int request = EveryRequest, int delayMs = 0);
    void addFault(const FaultRule &rule) { m_faults.append(rule); }
    void clearFaults() { m_faults.clear(); }

    // The bytes of an empty catalogue: header record, terminator, zeros to pageCount pages.
    static QByteArray emptyGoodsArea(int pageCount);

signals:
    // Emitted before the reply goes out, so a handler can act "during" a request.
    void requestReceived(const RegisterSimulator::Request &request);
    // A write changed the store.
    void stored();
    // A DuplicateReply or RepeatedReply copy went out.
    void duplicateSent(const RegisterSimulator::Request &request);
    void connectionClosed();

private:
    struct Connection
    {
        int id = 0;
        int nextIndex = 0;
        QByteArray buffer;
        bool replyPending = false;
        QByteArray repeat; // RepeatedReply: the copy that goes out ahead of the next reply
        Request repeatOf;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void onDiscoveryDatagram();
    void serve(QTcpSocket *socket);
    void handle(QTcpSocket *socket, const Request &request);
    QByteArray answer(const Request &request, Fault fault);
    void sendReply(QTcpSocket *socket, const Request &request, const QByteArray &reply,
                   const FaultRule &rule);
    QByteArray discoveryReply(const QNetworkDatagram &probe) const;
    void startFlood(const QHostAddress &to, quint16 port, const QByteArray &reply);
    void replySent(QTcpSocket *socket);
    FaultRule faultFor(const Request &request) const;
    bool writePages(const Request &request);
    QByteArray regionBytes(int n) const;
    void setRegionBytes(int n, const QByteArray &bytes);
    Storage::SerialPlace serialPlace() const;
    void placeSerial(const QString &serial);

    Config m_config;
    QByteArray m_store;
    QTcpServer *m_server = nullptr;
    QUdpSocket *m_discovery = nullptr;
    qintptr m_unacceptingListener = -1; // listenWithoutAccepting(): the listening socket (-1: none)
    quint16 m_unacceptingPort = 0;
    QTcpSocket *m_queueFiller = nullptr;
    DiscoveryFlood m_flood;
    int m_discoverySent = 0;
    QHostAddress m_address;
    QHash<QTcpSocket *, Connection> m_connections;
    int m_connectionsSeen = 0;
    QList<Request> m_log;
    QList<FaultRule> m_faults;
    QStringList m_connectionSerials;
};

Q_DECLARE_METATYPE(RegisterSimulator::Request)

#pragma once

#include "link/frame.h"
#include "link/storage.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class QTcpSocket;
class QTimer;
struct DeviceJob;

// Runs one job against one register over one TCP connection, on a worker thread
// of its own. The job runs inside onConnect(), blocking the thread between
// requests; each request waits at most ReplyWindowMs for its reply.
//
// Ending a job: disconnected() is emitted exactly once per job, and only after
// the job steps are over, so whoever reads the job record then (the controller)
// sees its final state. A socket error that strikes while the steps run (the
// register closes the connection while a request waits, say) is only noted; the
// interrupted step then ends, and the job reports ErrSocket (-14): the socket
// error wins over the step's own -3/-4/-5, because it names the cause. A step
// that failed for a reason of its own before the error (a rejected write, a
// malformed reply) keeps its code. Errors outside the steps (refused
// connection, unreachable host) end the job with -14 at once.
//
// Replies carry no request number, so the link insists on strict turns:
// bytes that are waiting before a request goes out, bytes beyond a complete
// reply, and bytes waiting once the last reply is in all make the job end
// with ErrBadReply (-5). Without the rule a late copy of one reply would be
// taken for the next one, and every later answer would be off by one. A copy
// that arrives only after the next request went out passes those checks, so
// every job ends with a second identity request whose reply must repeat the
// opening one: after such a shift it meets a page reply instead (-5).
//
// The TCP connect has a time-out of its own (ConnectTimeoutMs): a host that
// takes the connection but never completes it (a listener that never
// accepts) ends the job with ErrSocket (-14).
//
// Writes check their target on the connection that writes: after the opening
// steps (identity, directory, serial) and before any page goes out, the serial
// number and the firmware family must be the job's expected ones; otherwise
// the job ends with ErrSerialMismatch or ErrFamilyMismatch.
//
// Lifecycle: created without a parent, setJob(), moved to a new thread whose
// started() calls run(); close() (requestClose() from another thread) emits
// closed(), which the owner connects to the thread's quit() and to deleteLater().
class DeviceNet : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReplyWindowMs = 1000;
    // A register on the LAN connects within milliseconds; this allows for two
    // lost connection requests (TCP asks again after 1 and 3 seconds).
    static constexpr int ConnectTimeoutMs = 5000;

    explicit DeviceNet(QObject *parent = nullptr);
    ~DeviceNet() override;

    // Called once before the worker thread starts; takes ownership of the job.
    void setJob(const QString &host, quint16 port, DeviceJob *job);

    // Read these only after disconnected() has been delivered. identity() and
    // serial() are the register's once identified() is true, also when the
    // job failed later on (a write refused by its guard, say).
    const DeviceJob *job() const;
    Frame::Identity identity() const;
    QByteArray serial() const;
    bool identified() const;
    // True once the job has sent a page write: after a failure the register
    // may then hold part of the new data.
    bool writeBegun() const;

    // close() from any thread, once the job has been reported.
    void requestClose();

    // For an owner that goes away while the job runs: stops the job, and closes
    // it once it has ended (at once if it already has). Safe from any thread.
    void abandon();

    // Objects alive in the process; lets tests see that no job is left behind.
    static int instanceCount() { return s_instances.load(); }

signals:
    void connected();
    void disconnected();
    void closed();
    void frame(int pages);
    void pages(int total);
    // Internal: carry a stop or close request onto the worker thread.
    void stopPending();
    void closePending();

public slots:
    void run();
    // Safe from any thread.
    void stop();
    void close();
    void onConnect();
    void onDisconnect();
    void onError(QAbstractSocket::SocketError error);

private:
    // Where the job stands. Only the worker thread reads or changes it.
    enum class Phase {
        Connecting, // run() has asked for the connection
        Running, // onConnect() runs the job's steps
        Broken, // the socket reported an error while the steps ran; they end with ErrSocket
        Finishing, // the steps are over, the job not yet reported
        Reported, // disconnected() has been emitted
        Closed, // closed() has been emitted
    };

    bool stopRequested();
    bool abandoned();
    void onStopRequested();
    void onConnectTimeout();
    bool strayBytes() const;
    void report();
    void queueFrame(int pagesSoFar);
    void emitQueuedFrame();
    void announcePages(int total);
    int runSteps();
    int closingCheck();
    int checkTarget() const;
    int exchange(Frame::Command command, const QVector<qint32> &args, const QByteArray &data,
                 Frame::Message *reply);
    // Moves count pages from page first in requests of at most four pages.
    // chunk(page, n, done) makes one request for pages page .. page + n - 1,
    // done pages into the transfer; it may set *last to end the transfer after
    // this chunk (without progress for it). After each chunk a stop check, then
    // progress. Returns the first failing code.
    template<typename Chunk> int transfer(int first, int count, Chunk chunk);
    int readChunk(int page, int count, QByteArray *out);
    int writeChunk(Frame::Command command, int page, int count, const QByteArray &data);
    int readPages(int first, int count, QByteArray *out);
    int writePages(Frame::Command command, const QByteArray &data, int first, int count);
    int readCatalogue();
    int readGoods(qint64 firstIndex, qint64 lastIndex);
    int writeBytes(const QByteArray &data, int firstPage);
    int readParams();
    int writeParams();
    int readGoodsRange();
    bool regionsFitRecords() const;

    QTcpSocket *m_socket = nullptr;
    QTimer *m_connectTimer = nullptr;
    QString m_host;
    quint16 m_port = 0;
    // std::mutex rather than QMutex: ThreadSanitizer sees through it. Guards the
    // stop flag and the abandoned flag.
    std::mutex m_stopLock;
    std::unique_ptr<DeviceJob> m_job;
    bool m_stop = false;
    Frame::Identity m_identity;
    Frame::Message m_openingReply; // the identity reply, which the closing one must repeat
    QByteArray m_serial;
    Storage::Directory m_directory;
    bool m_identified = false; // the opening steps are done: identity and serial are the register's
    bool m_writeBegun = false;

    Phase m_phase = Phase::Connecting;
    bool m_abandoned = false; // under m_stopLock
    int m_queuedFrame = -1; // progress not yet announced
    // Taken once when the job is reported and by the accessors. The queued
    // disconnected() already orders the two threads; the lock makes that order
    // visible to ThreadSanitizer, which cannot see into Qt's event queue.
    mutable std::mutex m_publishLock;

    static std::atomic<int> s_instances;
};

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class DeviceNet;
struct DeviceJob;

// The one object through which a window talks to a register. Each operation
// starts one job on a worker thread; when it is over, the results below are
// valid and finished() is emitted. Results keep their values from job to job:
// a failed job changes only result().
//
// A window holds the controller as a member object (no parent) and reuses it.
//
// Every operation call leaves one line in the exchange journal
// (ExchangeJournal::instance()) when its job ends, before finished(): also a
// call that starts nothing (-17) and a job abandoned with its controller
// (-13). The line names the owner by the origin text the owner sets.
class DeviceController : public QObject
{
    Q_OBJECT

public:
    explicit DeviceController(QObject *parent = nullptr);
    ~DeviceController() override;

    // What the register of the last job said about itself in the job's opening
    // steps. Unlike the results below it is kept also when the job failed
    // afterwards, so that a write refused by its guard can name the register
    // that answered. valid is false when the last job ended before its opening
    // steps were done.
    struct Reported
    {
        bool valid = false;
        QString serial; // decoded as register text (Windows-1251)
        int versionMajor = 0;
        int versionMinor = 0;
        int versionBuild = 0;
    };

    // What the journal calls the job's owner ("ККТ 0530000002"). The function
    // form is asked when each job starts, so the text can follow the owner's
    // state (a window learns its register after it is made). Without one the
    // journal shows a neutral text.
    void setOrigin(const QString &origin);
    void setOrigin(std::function<QString()> origin);
    QString origin() const;

    // Each starts one job. Returns false and starts nothing while a job of this
    // controller is still running (never two jobs on one controller).
    bool queryInfo(const QString &host, quint16 port);
    bool readParams(const QString &host, quint16 port);
    bool readGoodsRange(const QString &host, quint16 port, int first, int last);
    bool readGoods(const QString &host, quint16 port);

    // Writes name the register they are meant for: its serial number and its
    // firmware family (52 or 53, as Frame::firmwareFamily(): 2.52 only from
    // build 38 on). On the connection that writes, after the opening steps,
    // the job compares them with what the register reports; on a difference
    // it ends with ErrSerialMismatch or ErrFamilyMismatch before any page is
    // written. Returns false and starts nothing for an empty serial number,
    // one that Windows-1251 cannot hold, a family other than 52 and 53, or
    // records that are not a whole stream of tagged records.
    bool writeParams(const QString &host, quint16 port, const QByteArray &records, const QString &serial,
                     int family);
    bool writeGoods(const QString &host, quint16 port, const QByteArray &image, const QString &serial,
                    int family);

    // True from the operation call until finished() has been emitted.
    bool isBusy() const { return m_net != nullptr; }

    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    int result() const { return m_result; }
    int versionMajor() const { return m_versionMajor; }
    int versionMinor() const { return m_versionMinor; }
    int versionBuild() const { return m_versionBuild; }
    int goodsCapacity() const { return m_goodsCapacity; }
    QString serial() const { return m_serial; }
    QByteArray data() const { return m_data; }
    Reported reported() const { return m_reported; }
    // True when the last job sent at least one page write. After a failed
    // write the register may then hold part of the new data; the message
    // says so (resultExplanation(code, writeBegun)).
    bool writeBegun() const { return m_writeBegun; }

signals:
    void connected();
    // Never emitted: every job ends with finished(). Kept as part of the interface.
    void disconnected();
    void finished();
    void frame(int pages);
    void pages(int total);

public slots:
    // Asks the running job to stop; it then ends with -13. No effect when idle.
    void stop();
    void onConnected();
    void onDisconnected();

private:
    bool start(DeviceJob *job, const QString &host, quint16 port);
    bool start(int kind, const QString &host, quint16 port, const QByteArray &input = {});
    void onFrame(int pagesSoFar);
    // The journal line of a call that starts nothing.
    bool refuse(int kind, const QString &host, quint16 port);
    void journal(const QString &serial, int pages, int result, bool writeBegun);

    QString m_host;
    quint16 m_port = 0;
    // The running job's DeviceNet. It is deleted only after finished(), which
    // clears this first, so a non-null value always points to a live object.
    DeviceNet *m_net = nullptr;
    int m_versionMajor = 0;
    int m_versionMinor = 0;
    int m_versionBuild = 0;
    int m_goodsCapacity = 2000;
    QString m_serial;
    int m_result = 0;
    QByteArray m_data;
    Reported m_reported;
    bool m_writeBegun = false;

    std::function<QString()> m_origin;
    // The running (or last) job, for its journal line.
    QString m_jobOrigin;
    QDateTime m_jobStarted;
    QElapsedTimer m_jobClock;
    int m_jobKind = 0;
    int m_jobPages = 0; // pages the job's progress has reported so far
    int m_lastFrame = 0;
};

#pragma once

#include "fleet/fleetrunner.h"

#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>

class DeviceParams;

// One register the inventory asks, as the device list knows it.
struct InventoryTarget
{
    QString address; // empty: registered without one; only its profile can tell
    quint16 port = 8080;
    QString serial; // listed serial number; empty when the list does not know the address
    QString name;
};

// What one register is: one line of the inventory.
struct InventoryLine
{
    enum class Link {
        Waiting, // not asked yet
        Online, // read
        Silent, // the address does not answer
        Failed, // it answered, but the parameter read failed (code)
        NoAddress, // registered without an address
        Skipped, // the inventory was stopped before it was read
    };

    InventoryTarget target;
    Link link = Link::Waiting;
    int code = 0; // Failed: the read's result code
    bool fromProfile = false; // the data below are the stored profile's, not the register's
    QString name; // the device list's name of the register described
    QString serial;
    QString version; // "2.53.40"; a profile's may be a family pattern ("2.53.*")
    int family = 0; // 52, 53; 0 unknown or unsupported
    QString regNumber;
    QString fnNumber; // fiscal storage number
    QString orgInn;
    QString ofdInn;
    QString ofdName; // family 2.53 only
    // -1 where unknown
    int goodsRows = -1;
    int goodsCapacity = -1;
    int paramFindings = -1; // as korvant-cli check counts them
    int goodsFindings = -1; // as korvant-cli goods-check counts them
    // The goods read failed with this code (ErrSerialMismatch: another
    // register answered it); the goods counts are then unknown.
    int goodsCode = 0;
    QStringList notes; // what else the user should know, in Russian

    // "в сети", "нет связи", "ошибка -4", ...
    QString linkText() const;
    // "ККТ", "профиль", or empty when nothing is known.
    QString sourceText() const;
};

// The columns of an inventory line, described once for the table, the CSV
// file, the command line's lines and its JSON.
namespace InventoryColumns {

enum Column {
    Address,
    Name,
    Serial,
    Version,
    Family,
    RegNumber,
    FnNumber,
    OrgInn,
    OfdInn,
    OfdName,
    GoodsRows,
    GoodsCapacity,
    Link,
    ParamFindings,
    GoodsFindings,
    Source,
    Notes,
    Count,
};

// The column's caption ("Заводской номер").
QString header(int column);
// Its JSON key ("serial").
QString key(int column);
// The cell's value: text, or for counts a number (an invalid QVariant when
// unknown).
QVariant value(const InventoryLine &line, int column);
// The cell as text; empty where unknown.
QString text(const InventoryLine &line, int column);
// The cell for JSON: null where unknown; reachability and source as fixed
// words ("online", "profile", ...), notes as an array.
QJsonValue json(const InventoryLine &line, int column);
// A header line of captions, then each line's texts.
QVector<QStringList> table(const QVector<InventoryLine> &lines);

} // namespace InventoryColumns

// What each register is: for every target, reachability, then its parameters
// (identity, registration, fiscal storage, organisation, operator, and the
// findings of the tabs' rules, checkParams()) and its goods catalogue (rows
// in use, capacity, and the findings of checkGoods()), read on connections
// of its own, several registers at a time (FleetRunner). A register that
// cannot be read gets a line that says why, filled from its stored profile
// where one exists (fromProfile). A register that another answers for in
// the middle (the goods read reports another serial number than the
// parameter read) keeps the parameter read's data, and its goods are left
// out with a note: a line never mixes two registers.
//
// Lines stay in target order. cancel() starts no further register and stops
// the reads under way (the inventory writes nothing).
class Inventory : public QObject
{
    Q_OBJECT

public:
    explicit Inventory(QObject *parent = nullptr);
    ~Inventory() override;

    void setJobs(int jobs) { m_runner.setJobs(jobs); }
    int jobs() const { return m_runner.jobs(); }
    void setPingFunction(Reachability::PingFunction ping) { m_runner.setPingFunction(std::move(ping)); }
    // The owner the exchange journal names; each register's lines add the register.
    void setOrigin(const QString &owner) { m_owner = owner; }
    // Names of the listed registers by serial number, for a register that
    // answers where the list expects another.
    void setNames(const QHash<QString, QString> &names) { m_names = names; }

    void start(const QList<InventoryTarget> &targets);
    void cancel();

    bool isRunning() const { return m_running; }
    bool isCancelled() const { return m_cancelled; }
    const QVector<InventoryLine> &lines() const { return m_lines; }

    // Fills the line's data from a parameter set (and its version text).
    static void describe(InventoryLine &line, const DeviceParams &params, const QString &version);
    // Fills the line from the stored profile of serial; false when there is none.
    static bool describeFromProfile(InventoryLine &line, const QString &serial);

signals:
    void lineChanged(int index);
    void finished();

private:
    class ReadJob;

    void onRunnerFinished();
    QString originText(int index) const;

    FleetRunner m_runner;
    QString m_owner;
    QHash<QString, QString> m_names;
    QVector<InventoryLine> m_lines;
    bool m_running = false;
    bool m_cancelled = false;
};

#pragma once

#include "params/records.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

// The parameter set of one register: typed records read from and written back
// into the register's images. One subclass per firmware family lays the
// records out in its own images; the sections both families share are read
// and written here, at the pages the family names.
class DeviceParams : public QObject
{
    Q_OBJECT

public:
    static constexpr int PageSize = 256;
    static constexpr int PositionCount = 8;
    static constexpr int DepartmentCount = 16;

    explicit DeviceParams(QObject *parent = nullptr);

    // Fills the set from the images. An empty parameter image changes nothing.
    virtual void fromImage(const QByteArray &params, const QByteArray &system) = 0;
    // Writes every field into the images in place: bytes no field covers keep
    // their values, and a short array grows with zero bytes.
    virtual void toImage(QByteArray &params, QByteArray &system) const = 0;
    // Page of the department table.
    virtual int deptPage() const = 0;
    // Page of the receipt header; the footer lies in the page after it.
    virtual int designPage() const = 0;

    // The family a version text selects ("2.53.10", "2.52.*": the second
    // number), or 0 when it names neither 52 nor 53.
    static int familyOf(const QString &version);
    // A new parameter set of the version's family, or nullptr.
    static DeviceParams *create(const QString &version, QObject *parent = nullptr);

    QVector<PositionName> positions; // exactly PositionCount
    QVector<DepartmentRecord> departments; // exactly DepartmentCount
    ReceiptTextBlock receiptHeader;
    ReceiptTextBlock receiptFooter;

protected:
    // The trade settings defaults both families share.
    static void setTradeDefaults(TradeConfig &t);

    void readPositions(const QByteArray &params);
    void writePositions(QByteArray &params) const;
    void readDepartments(const QByteArray &params);
    void writeDepartments(QByteArray &params) const;
    void readReceipts(const QByteArray &params);
    void writeReceipts(QByteArray &params) const;
};

#pragma once

#include "params/paramfield.h"
#include "params/records.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
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
    // Whether version text names a version a register can report: three
    // decimal numbers without signs or leading zeros, within the version
    // word's ranges (major 0-15, minor 0-4095, build 0-65535), the build
    // possibly "*" for a family pattern ("2.52.*").
    static bool isValidVersion(const QString &version);
    // A new parameter set of the version's family, or nullptr.
    static DeviceParams *create(const QString &version, QObject *parent = nullptr);

    // 52 or 53.
    int family() const;

    // Fields by name, as korvant-cli show prints them: a path names a
    // top-level group, then record members and list indices
    // ("organisation.name", "users[3].name", "tradeConfig.maxPrice",
    // "receiptHeader[1]" for a line). Each family's layout lists its fields
    // once; paramfield.h says what each kind holds.

    // Every group, record and field in the order show prints them.
    void visit(ParamsVisitor &visitor) const;
    // Every value (a receipt text block one a line), in the same order.
    QVector<ParamValue> values() const;
    // One value; a receipt block's own path gives its whole text. False with
    // a message naming the path when there is no such field.
    bool value(const QString &path, ParamValue *out, QString *error = nullptr) const;
    // Converts and checks text by the field's kind and stores it; on a
    // refusal (unknown path, index out of range, a value the field cannot
    // hold, a kept or identity field) nothing changes and *error names the
    // path and why. A receipt line past the last one adds empty lines up to it.
    bool setValue(const QString &path, const QString &text, QString *error = nullptr);
    // The top-level group names ("tradeConfig", "users", "positions", ...).
    QStringList groups() const;
    // Copies every field of one group from another set of the same family,
    // as stored, except kept and identity fields; a list of varying length
    // takes the other's length. False with a message when the group is
    // unknown or the families differ.
    bool copyGroup(const DeviceParams &from, const QString &group, QString *error = nullptr);

    QVector<PositionName> positions; // exactly PositionCount
    QVector<DepartmentRecord> departments; // exactly DepartmentCount
    ReceiptTextBlock receiptHeader;
    ReceiptTextBlock receiptFooter;

protected:
    // The trade settings defaults both families share.
    static void setTradeDefaults(TradeConfig &t);
};

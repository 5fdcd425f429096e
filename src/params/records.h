#pragma once

#include "params/fields.h"

#include <QDateTime>
#include <QStringList>
#include <QtGlobal>

// The plain records of a parameter set. Every record starts zeroed; the
// defaults of a new parameter set are filled in by DeviceParams52/53.
// Amounts and quantities are value × 10000.

// A job position name; entry k of the list is position number k + 1.
using PositionName = TextField<16>;

struct DepartmentRecord
{
    qint8 number = 0;
    TextField<13, 12> name;
    qint8 vatRate = 0; // 1 to 6
    quint8 taxSystems = 0; // bit t - 1 set: taxation system t
};

// Taxation system index t (0 to 8) to and from its bit: 0 is none, t is bit
// t - 1; a byte with several bits set reads as its lowest one.
quint8 taxSystemToBits(int index);
int taxSystemFromBits(quint8 bits);

// Text printed at the top or bottom of a receipt, lines separated by LF.
struct ReceiptTextBlock : TextField<132>
{
    // Every line, empty ones included.
    QStringList lines() const;
    void setLines(const QStringList &lines);
};

// Trade and device settings; the fields both families share.
struct TradeConfig
{
    qint32 signature = 0; // kept
    RawField<4> opaque1; // kept
    RawField<4> opaque2; // kept
    RawField<4> opaque3; // kept
    RawField<4> opaque4; // kept
    qint8 defaultDepartment = 0;
    qint8 departmentCount = 0;
    qint8 internalCodeLength = 0;
    qint8 weightPrefix = 0;
    qint8 printDensity = 0;
    quint8 fontFlags = 0; // bit 0: small print font
    qint8 keyboardSensitivity = 0;
    qint8 keySound = 0;
    qint8 powerOffTimer = 0;
    qint8 displayMode = 0; // 1 date, 2 charge, 3 combined
    quint16 printFlags = 0; // bit 0 header, 1 footer, 2 taxes, 3 QR code
    qint64 maxPrice = 0;
    qint64 maxDeposit = 0;
    qint64 maxQuantity = 0;
    quint32 tradeFlags = 0; // bit 0 automatic cash collection, 1 price editing
    qint16 defaultCashier = 0; // user index + 1; one byte wide in family 2.53
    qint16 reserved16 = 0; // kept
};

struct TradeConfig53 : TradeConfig
{
    qint8 reserved1 = 0; // kept
    qint8 reserved2 = 0; // kept
    quint8 paymentKinds = 0; // bits 0 to 4: cash, electronic, prepayment, credit, other
    quint8 tradeModes = 0; // bit 0 sale, bit 1 purchase, bits 4 to 7 main mode
    RawField<7> opaque7; // kept
};

struct TradeConfig52 : TradeConfig
{
    RawField<12> reserved12; // kept
};

// User flags bits, both families.
constexpr quint16 UserActive = 0x0004;
constexpr quint16 UserHidden = 0x0008;

struct UserRecord53
{
    TextField<15, 14> name;
    TextField<14, 13> barcode;
    TextField<13, 12> inn;
    TextField<65, 64> fullName;
    TextField<7, 6> password;
    qint8 rights = 0; // 1 cashier, 2 senior cashier, 3 administrator, 4 technician
    qint8 position = 0; // 1 to 8
    quint16 flags = 0; // UserActive, UserHidden; other bits kept
};

struct UserRecord52
{
    // Written with at most 14 bytes; a name the register filled to all 15
    // is read whole and goes back as it was unless edited.
    TextField<15, 14> name;
    PackedDigits barcode; // first 12 digits; barcode() adds the check digit
    qint8 number = 0; // kept
    qint32 keptValue = 0; // kept
    qint8 rights = 0;
    qint8 position = 0;
    quint16 flags = 0;
};

struct Organisation53
{
    TextField<13, 12> inn;
    TextField<64, 63> email;
    TextField<240> name;
    TextField<240> address;
    TextField<240> place;
};

struct Organisation52
{
    TextField<12> inn;
    TextField<110> name;
    TextField<110> address;
};

struct OfdSettings53
{
    TextField<65, 64> address;
    TextField<13, 12> inn;
    TextField<256> name;
    TextField<256> ofdSite;
    TextField<256> fnsSite;
    qint16 port = 0;
    qint16 fnPollTimer = 0; // seconds
    qint16 connectTimer = 0; // seconds
};

struct OfdSettings52
{
    TextField<64, 63> address;
    qint16 port = 0;
    qint16 fnPollTimer = 0; // seconds
    qint16 connectTimer = 0; // seconds
    TextField<64, 63> ofdSite;
    PackedDigits inn; // 12 digits
};

// The image holds each field without a terminator when full.
struct RegistrationIds53
{
    TextField<20> serialNumber;
    TextField<20> regNumber;
    TextField<16> fnNumber;
};

// One fiscal registration of a family 2.52 register.
struct RegistrationRecord52
{
    static constexpr quint8 Marker = 0xC1;

    quint8 marker = 0;
    quint8 day = 0;
    quint8 month = 0;
    quint8 yearFrom2000 = 0;
    quint8 hour = 0;
    quint8 minute = 0;
    TextField<21, 20> regNumber;
    TextField<13, 12> inn;
    TextField<17, 16> fnNumber;
    quint8 taxSystems = 0;
    quint8 workModes = 0;
    quint8 closed = 0; // non-zero: registration closed

    // Seconds are not stored; the year is kept in one byte from 2000.
    QDateTime dateTime() const;
    void setDateTime(const QDateTime &dateTime);
};

#pragma once

#include "params/fields.h"
#include "tabs/deviceinfo.h"
#include "tabs/fieldfinding.h"
#include "tabs/usertablemodel.h"

#include <QHash>
#include <QString>
#include <QVector>

class DeviceParams;
class DeviceParams53;
struct OfdSettings53;
struct Organisation53;
struct RegistrationIds53;

// The rules of the family 2.53 users, organisation, operator and
// registration tabs over plain values, and what those tabs contribute to a
// validation run. The tabs fill their widgets from the values functions
// below and hand what the widgets hold back to the rules; korvant-cli check
// runs the same functions over a parameter set (checkParams), so window and
// tool report the same findings in the same order.

// Stores text into a field unless it equals what the field showed: a value
// left alone keeps its bytes (also ones the code page cannot decode).
template<int Width, int Limit>
void storeText(TextField<Width, Limit> &field, const QString &text, const QString &shown)
{
    if (text != shown)
        field.setText(text);
}

struct OrgValues53
{
    QString inn;
    QString name;
    QString address;
    QString place;
    QString email;
};

struct OfdValues53
{
    // The server address edit takes one character less than the field holds.
    static constexpr int AddressLength = 63;

    QString address;
    int port = 0;
    QString inn;
    QString name;
    QString ofdSite;
    QString fnsSite;
};

struct RegistrationValues53
{
    QString serialNumber;
    QString regNumber;
    QString fnNumber;
};

// What the tabs show of a parameter set.
OrgValues53 orgValues(const Organisation53 &organisation);
OfdValues53 ofdValues(const OfdSettings53 &ofd);
RegistrationValues53 registrationValues(const RegistrationIds53 &ids);

// The operator's taxpayer number is valid and not all zeros.
bool ofdInnValid(const QString &inn);
// The default cashier as a record index: defaultCashier - 1, or -1 when that
// is no user record (the configuration tab's combo then shows no choice).
int defaultUserOf(int defaultCashier, int userCount);
// The contributions of all tabs, computed from a parameter set.
DeviceInfo deviceInfoOf(const DeviceParams53 &params);

// A number edited with a spin box (or a number edit) and the values the
// register's rules allow. A stored value outside is shown as it is, kept
// unless edited, and reported by rangeRules.
struct FieldRange
{
    QString key; // "tradeConfig.weightPrefix"
    QString label; // the row label without its colon
    int bottom = 0;
    int top = 0;
};

// The ranges of the configuration tab and of the operator tab's timers.
QVector<FieldRange> configRanges(int family);
QVector<FieldRange> ofdRanges(int family);
// One finding per value outside its range, in the ranges' order; a value is
// the number as typed (text that is no number counts as outside).
FieldFindings rangeRules(const QString &tab, const QVector<FieldRange> &ranges,
                         const QHash<QString, QString> &values);

// Findings in the order the rules are tested; field keys as the parameter
// fields name them ("users[9].barcode" for record 9).
FieldFindings userRules53(const UserRows &rows, const DeviceInfo &info);
// Family 2.52 stores a user barcode as up to 12 digits and shows it with
// its check digit: a code that is then no EAN-8, UPC-A or EAN-13 is reported.
FieldFindings userRules52(const UserRows &rows);
FieldFindings orgRules53(const OrgValues53 &values, const DeviceInfo &info);
FieldFindings ofdRules53(const OfdValues53 &values);
FieldFindings registrationRules53(const RegistrationValues53 &values, const DeviceInfo &info);

// The validation run of the parameter set's family over its values, in tab
// order, as the device window's dock lists it after loading the set.
FieldFindings checkParams(const DeviceParams &params);

#include "usertab53.h"

#include "params/deviceparams53.h"
#include "tabs/checkboxitemdelegate.h"
#include "tabs/codepageitemdelegate.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/tabrules.h"
#include "tabs/textitemdelegate.h"

UserTab53::UserTab53(QWidget *parent)
    : UserTab(new UserTableModel53, parent)
{
}

void UserTab53::loadParams(const DeviceParams &params)
{
    if (const auto *p = qobject_cast<const DeviceParams53 *>(&params))
        showRows(userRows(*p), positionNames(*p));
}

void UserTab53::saveParams(DeviceParams &params)
{
    if (auto *p = qobject_cast<DeviceParams53 *>(&params))
        storeUserRows(model()->rows(), *p);
}

void UserTab53::validate(DeviceIssueWidget *issues, const DeviceInfo &info)
{
    addUserFindings(issues, userRules53(model()->rows(), info));
}

void UserTab53::installDelegates()
{
    setDelegate(UserTableModel::Name, new TextItemDelegate(decltype(UserRecord53::name)::limit, false));
    setDelegate(UserTableModel::Barcode, new CodePageItemDelegate(decltype(UserRecord53::barcode)::limit));
    setDelegate(UserTableModel::Inn, new CodePageItemDelegate(decltype(UserRecord53::inn)::limit));
    setDelegate(UserTableModel::FullName, new CodePageItemDelegate(decltype(UserRecord53::fullName)::limit));
    setDelegate(UserTableModel::Position, new ComboBoxItemDelegate(model()->positionNames(), 1));
    setDelegate(UserTableModel::Active, new CheckBoxItemDelegate);
}

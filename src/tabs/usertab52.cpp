#include "usertab52.h"

#include "params/deviceparams52.h"
#include "tabs/checkboxitemdelegate.h"
#include "tabs/codepageitemdelegate.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/tabrules.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// The register packs the barcode as decimal digits: any other character
// would be stored as a meaningless digit.
class BarcodeItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,13}")), edit));
        }
        return editor;
    }
};

} // namespace

UserTab52::UserTab52(QWidget *parent)
    : UserTab(new UserTableModel52, parent)
{
}

void UserTab52::loadParams(const DeviceParams &params)
{
    if (const auto *p = qobject_cast<const DeviceParams52 *>(&params))
        showRows(userRows(*p), positionNames(*p));
}

void UserTab52::saveParams(DeviceParams &params)
{
    if (auto *p = qobject_cast<DeviceParams52 *>(&params))
        storeUserRows(model()->rows(), *p);
}

void UserTab52::validate(DeviceIssueWidget *issues, const DeviceInfo &)
{
    addUserFindings(issues, userRules52(model()->rows()));
}

void UserTab52::installDelegates()
{
    setDelegate(UserTableModel::Name, new CodePageItemDelegate(decltype(UserRecord52::name)::limit));
    setDelegate(UserTableModel::Barcode, new BarcodeItemDelegate);
    setDelegate(UserTableModel::Position, new ComboBoxItemDelegate(model()->positionNames(), 1));
    setDelegate(UserTableModel::Active, new CheckBoxItemDelegate);
}

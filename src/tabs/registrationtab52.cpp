#include "registrationtab52.h"

#include "params/deviceparams52.h"
#include "tabs/changemarkmodel.h"
#include "tabs/checkboxitemdelegate.h"
#include "tabs/codepageitemdelegate.h"
#include "tabs/registrationtablemodel52.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLocale>
#include <QSpinBox>
#include <QTableView>

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy HH:mm");

// The register keeps the year in one byte from 2000 and the time to the
// minute: the date editor offers no other, and shows what is kept.
class DateItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &) const override
    {
        return value.toDateTime().toString(DateFormat);
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *edit = new QDateTimeEdit(parent);
        edit->setDisplayFormat(DateFormat);
        edit->setDateTimeRange(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                               QDateTime(QDate(2255, 12, 31), QTime(23, 59)));
        return edit;
    }
};

// A set of eight bits, edited as its number. Its names are shown one a
// line, so six work modes do not push "Закрыто" out of sight.
class BitSetItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &) const override
    {
        return value.toString().replace(QLatin1Char(';'), QStringLiteral(";") + QChar(QChar::LineSeparator));
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *spin = new QSpinBox(parent);
        spin->setRange(0, 255);
        return spin;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QSpinBox *>(editor)->setValue(index.data(Qt::EditRole).toInt());
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *spin = static_cast<QSpinBox *>(editor);
        spin->interpretText();
        model->setData(index, uint(spin->value()), Qt::EditRole);
    }
};

} // namespace

RegistrationTab52::RegistrationTab52(QWidget *parent)
    : DeviceWidget(parent)
    , m_model(new RegistrationTableModel52(this))
    , m_view(new QTableView(this))
{
    m_view->setObjectName(QStringLiteral("registrations"));
    m_view->setModel(markChanges(m_model));
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view->setItemDelegateForColumn(RegistrationTableModel52::Date, new DateItemDelegate(this));
    m_view->setItemDelegateForColumn(
        RegistrationTableModel52::RegNumber,
        new CodePageItemDelegate(decltype(RegistrationRecord52::regNumber)::limit, this));
    m_view->setItemDelegateForColumn(
        RegistrationTableModel52::Inn,
        new CodePageItemDelegate(decltype(RegistrationRecord52::inn)::limit, this));
    m_view->setItemDelegateForColumn(
        RegistrationTableModel52::FnNumber,
        new CodePageItemDelegate(decltype(RegistrationRecord52::fnNumber)::limit, this));
    auto *bits = new BitSetItemDelegate(this);
    m_view->setItemDelegateForColumn(RegistrationTableModel52::TaxSystems, bits);
    m_view->setItemDelegateForColumn(RegistrationTableModel52::WorkModes, bits);
    m_view->setItemDelegateForColumn(RegistrationTableModel52::Closed, new CheckBoxItemDelegate(this));
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_view, 0, 0);
}

void RegistrationTab52::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams52 *>(&params);
    if (!p)
        return;
    m_model->setRows(registrationRows(*p));
    m_view->resizeColumnsToContents();
}

void RegistrationTab52::saveParams(DeviceParams &params)
{
    if (auto *p = qobject_cast<DeviceParams52 *>(&params))
        storeRegistrationRows(m_model->rows(), *p);
}

void RegistrationTab52::validate(DeviceIssueWidget *, const DeviceInfo &) { }

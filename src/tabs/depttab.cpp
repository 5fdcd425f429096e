#include "depttab.h"

#include "params/deviceparams.h"
#include "tabs/changemarkmodel.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/depttablemodel.h"
#include "tabs/textitemdelegate.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QTableView>

DeptTab::DeptTab(QWidget *parent)
    : DeviceWidget(parent)
    , m_model(new DeptTableModel(this))
    , m_view(new QTableView)
{
    m_view->setObjectName(QStringLiteral("departments"));
    m_view->setModel(markChanges(m_model));
    // Delegates set per column outlive the model's resets.
    m_view->setItemDelegateForColumn(
        DeptTableModel::NameColumn,
        new TextItemDelegate(decltype(DepartmentRecord::name)::limit, false, m_view));
    m_view->setItemDelegateForColumn(DeptTableModel::VatRateColumn,
                                     new ComboBoxItemDelegate(DeptTableModel::vatRateNames(), 1, m_view));
    m_view->setItemDelegateForColumn(DeptTableModel::TaxSystemColumn,
                                     new ComboBoxItemDelegate(DeptTableModel::taxSystemNames(), 0, m_view));

    // The header names nothing for rows; columns as wide as their longest
    // entry, a combo box's arrow included.
    m_view->verticalHeader()->hide();
    const QFontMetrics metrics = m_view->fontMetrics();
    const auto widest = [&metrics](const QStringList &texts) {
        int width = 0;
        for (const QString &text : texts)
            width = qMax(width, metrics.horizontalAdvance(text));
        return width;
    };
    const int padding = 3 * metrics.height();
    m_view->setColumnWidth(DeptTableModel::NameColumn,
                           widest({ QString(DepartmentRecord().name.limit, QChar(0x0416)) }) + padding);
    m_view->setColumnWidth(DeptTableModel::VatRateColumn, widest(DeptTableModel::vatRateNames()) + padding);
    m_view->setColumnWidth(DeptTableModel::TaxSystemColumn,
                           widest(DeptTableModel::taxSystemNames()) + padding);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_view, 0, 0);
}

void DeptTab::saveParams(DeviceParams &params)
{
    const QVector<DeptRow> &rows = m_model->records();
    const int n = qMin(rows.size(), params.departments.size());
    for (int i = 0; i < n; ++i)
        DeptTableModel::store(rows.at(i), params.departments[i]);
}

void DeptTab::loadParams(const DeviceParams &params)
{
    QVector<DeptRow> rows;
    for (const DepartmentRecord &record : params.departments)
        rows.append(DeptTableModel::rowOf(record));
    m_model->setRecords(std::move(rows));
}

void DeptTab::validate(DeviceIssueWidget *, const DeviceInfo &) { }

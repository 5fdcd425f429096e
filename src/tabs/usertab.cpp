#include "usertab.h"

#include "tabs/changemarkmodel.h"

#include <QAbstractItemDelegate>
#include <QGridLayout>
#include <QHash>
#include <QHeaderView>
#include <QTableView>

UserTab::UserTab(UserTableModel *model, QWidget *parent)
    : DeviceWidget(parent)
    , m_model(model)
    , m_view(new QTableView(this))
{
    m_model->setParent(this);
    m_view->setObjectName(QStringLiteral("users"));
    m_view->setModel(markChanges(m_model));
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    // One line a row, whatever length a committed text has: a long full name
    // is shown cut with an ellipsis (whole in its editor and tool tip)
    // rather than making its row taller.
    m_view->setWordWrap(false);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Rows have no captions: an empty gutter would only take room.
    m_view->verticalHeader()->hide();
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_view, 0, 0);
}

void UserTab::showRows(const UserRows &rows, const QStringList &positionNames)
{
    m_model->setRows(rows, positionNames);
    installDelegates();
    m_view->resizeColumnsToContents();
    // Room to type in a column whose cells are still short or empty.
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int width = m_view->columnWidth(column);
        if (m_model->flags(m_model->index(0, column)).testFlag(Qt::ItemIsEditable))
            m_view->setColumnWidth(column, qMax(width, 120));
    }
}

void UserTab::setPositionNames(const QStringList &names)
{
    if (names == m_model->positionNames())
        return;
    m_model->setPositionNames(names);
    installDelegates();
}

void UserTab::setDelegate(UserTableModel::Field field, QAbstractItemDelegate *delegate)
{
    const int column = m_model->column(field);
    QAbstractItemDelegate *old = m_view->itemDelegateForColumn(column);
    delegate->setParent(this);
    m_view->setItemDelegateForColumn(column, delegate);
    if (old != delegate)
        delete old;
}

void UserTab::addUserFindings(DeviceIssueWidget *issues, const FieldFindings &findings)
{
    addFindings(issues, findings, { { QStringLiteral("users"), m_view } });
}

QModelIndex UserTab::indexOfField(const QString &key) const
{
    int record = -1;
    QString member;
    if (!splitRowKey(key, &record, &member))
        return {};
    static const QHash<QString, UserTableModel::Field> fields {
        { QStringLiteral("name"), UserTableModel::Name },
        { QStringLiteral("rights"), UserTableModel::Rights },
        { QStringLiteral("barcode"), UserTableModel::Barcode },
        { QStringLiteral("inn"), UserTableModel::Inn },
        { QStringLiteral("fullName"), UserTableModel::FullName },
        { QStringLiteral("password"), UserTableModel::Password },
        { QStringLiteral("position"), UserTableModel::Position },
        { QStringLiteral("active"), UserTableModel::Active },
    };
    const int column = qMax(0, m_model->column(fields.value(member, UserTableModel::Name)));
    const UserRows &rows = m_model->rows();
    for (int row = 0; row < rows.size(); ++row) {
        if (rows.at(row).record == record)
            return m_view->model()->index(row, column);
    }
    return {};
}

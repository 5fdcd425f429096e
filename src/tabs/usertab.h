#pragma once

#include "tabs/devicewidget.h"
#include "tabs/usertablemodel.h"

class QAbstractItemDelegate;
class QTableView;

// What the users tabs of both families share: one table over the family's
// model filling the page. Users are edited in place: the register holds a
// fixed number of user records, and those marked hidden are not shown.
class UserTab : public DeviceWidget
{
    Q_OBJECT

public:
    QTableView *view() const { return m_view; }
    UserTableModel *model() const { return m_model; }

    // The "Должность" choices and cells follow the names the positions tab
    // shows now, renamed ones included, without waiting for a load.
    void setPositionNames(const QStringList &names);

protected:
    UserTab(UserTableModel *model, QWidget *parent);

    // Replaces the rows and installs the cell editors anew, since the
    // position list may have changed.
    void showRows(const UserRows &rows, const QStringList &positionNames);
    virtual void installDelegates() = 0;
    // Gives a column its editor; the one it had goes.
    void setDelegate(UserTableModel::Field field, QAbstractItemDelegate *delegate);
    // A finding's record and member: the row of the record, the member's column.
    QModelIndex indexOfField(const QString &key) const override;
    // The findings of the rules all take the user to the table.
    void addUserFindings(DeviceIssueWidget *issues, const FieldFindings &findings);

private:
    UserTableModel *m_model = nullptr;
    QTableView *m_view = nullptr;
};

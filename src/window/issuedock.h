#pragma once

#include <QDockWidget>

class IssueListModel;
class QListView;
class QModelIndex;

// What the two "Проблемы" docks share: the title, the bottom dock area, and a
// list of findings in which a double-click opens a finding.
class IssueDock : public QDockWidget
{
    Q_OBJECT

public:
    // The window empties it before every check.
    IssueListModel *model() const { return m_model; }
    QListView *listView() const { return m_view; }
    // What an empty list shows in its place ("Проблем не найдено" after a
    // check without findings); empty for nothing.
    void setEmptyText(const QString &text);
    QString emptyText() const;

public slots:
    // Takes the user to the place of the finding in the given row. A finding
    // of the other kind, or one whose place is gone, changes nothing.
    virtual void showIssue(const QModelIndex &index) = 0;

protected:
    explicit IssueDock(QWidget *parent);

private:
    QListView *m_view = nullptr;
    IssueListModel *m_model = nullptr;
};

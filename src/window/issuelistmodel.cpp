#include "issuelistmodel.h"

IssueListModel::IssueListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int IssueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_issues.size();
}

QVariant IssueListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.model() != this || index.column() != 0
        || index.row() >= m_issues.size())
        return {};
    const Issue &issue = *m_issues.at(index.row());
    return issue.place().isEmpty() ? issue.text() : issue.place() + QStringLiteral(": ") + issue.text();
}

void IssueListModel::appendIssue(const QSharedPointer<Issue> &issue)
{
    if (!issue)
        return;
    const int row = m_issues.size();
    beginInsertRows(QModelIndex(), row, row);
    m_issues.append(issue);
    endInsertRows();
}

void IssueListModel::clear()
{
    beginResetModel();
    m_issues.clear();
    endResetModel();
}

QSharedPointer<Issue> IssueListModel::issue(int row) const
{
    if (row < 0 || row >= m_issues.size())
        return {};
    return m_issues.at(row);
}

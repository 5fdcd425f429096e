#pragma once

#include "window/issue.h"

#include <QAbstractListModel>
#include <QSharedPointer>
#include <QVector>

// The findings of one check, in the order they were added. The model holds
// the only lasting reference to each finding: clear() releases them.
class IssueListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit IssueListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The finding's text for Qt::DisplayRole, after its place and a colon
    // when it has one ("Пользователи: …"); nothing for any other role.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // A null finding is not listed.
    void appendIssue(const QSharedPointer<Issue> &issue);
    void clear();

    // The finding of a row, or null when there is no such row.
    QSharedPointer<Issue> issue(int row) const;

private:
    QVector<QSharedPointer<Issue>> m_issues;
};

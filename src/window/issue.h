#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

// Findings of a check, listed in a "Проблемы" dock. This layer knows no
// widgets: a device finding keeps its tab and field as guarded QObject
// pointers, and the dock turns them back into widgets when the finding is
// opened. A target deleted since the check reads as null, so a finding never
// reaches a widget that is gone.
class Issue
{
public:
    explicit Issue(const QString &text)
        : m_text(text)
    {
    }
    virtual ~Issue() = default;

    QString text() const { return m_text; }
    // Where the finding lies, as the list names it before its text (the
    // tab's caption); empty when the list shows the text alone.
    QString place() const { return m_place; }
    void setPlace(const QString &place) { m_place = place; }

private:
    QString m_text;
    QString m_place;
};

// A finding in a device window's tab: the tab that holds the faulty value and
// the widget to put the cursor into (a line edit, or the tab's table view).
// Either may be null.
class DeviceIssue : public Issue
{
public:
    DeviceIssue(QObject *tab, QObject *widget, const QString &text)
        : Issue(text)
        , m_tab(tab)
        , m_widget(widget)
    {
    }

    QObject *tab() const { return m_tab; }
    QObject *widget() const { return m_widget; }
    // The field's key ("users[2].barcode"), so that a table's cell can be found.
    QString field() const { return m_field; }
    void setField(const QString &field) { m_field = field; }

private:
    QPointer<QObject> m_tab;
    QPointer<QObject> m_widget;
    QString m_field;
};

// A finding in the goods table: the cell, in rows and columns of the model
// the goods view shows (its sorted order).
class GoodsIssue : public Issue
{
public:
    GoodsIssue(int row, int column, const QString &text)
        : Issue(text)
        , m_row(row)
        , m_column(column)
    {
    }

    int row() const { return m_row; }
    int column() const { return m_column; }

private:
    int m_row = 0;
    int m_column = 0;
};

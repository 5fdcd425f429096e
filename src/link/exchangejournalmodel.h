#pragma once

#include "link/exchangejournal.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <deque>

// The exchange journal as a table, oldest line first, newest last. It keeps
// a copy of the lines and follows the journal: new lines are inserted at the
// end, lines beyond the journal's capacity removed from the top, so a view
// keeps its selection and scroll position while jobs run.
class ExchangeJournalModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        TimeColumn,
        OriginColumn,
        AddressColumn,
        SerialColumn,
        KindColumn,
        PagesColumn,
        DurationColumn,
        ResultColumn,
        ExplanationColumn,
        ColumnCount
    };

    // Every cell answers this role with the line's result code.
    static constexpr int ResultRole = Qt::UserRole;

    explicit ExchangeJournalModel(ExchangeJournal *journal, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    JournalLine lineAt(int row) const;

    // A cell's text as the table shows it; also what the clipboard and the
    // diagnostics file get.
    static QString cellText(const JournalLine &line, int column);
    static QString columnTitle(int column);

private:
    void follow();

    QPointer<ExchangeJournal> m_journal;
    std::deque<JournalLine> m_lines;
    quint64 m_lastSequence = 0;
};

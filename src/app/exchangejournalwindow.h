#pragma once

#include <QDialog>

class ExchangeJournal;
class ExchangeJournalModel;
class QLabel;
class QPushButton;
class QTableView;

// "Журнал обмена": the exchange journal as a table, newest line last. It
// follows the journal while open; when the last line is in view it stays in
// view as lines arrive. The selected line's explanation shows in full below
// the table. "Копировать" (and Ctrl+C) puts the selected lines, or all of
// them, on the clipboard as tab-separated text with a header line.
class ExchangeJournalWindow : public QDialog
{
    Q_OBJECT

public:
    explicit ExchangeJournalWindow(ExchangeJournal *journal, QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }

    // The text "Копировать" puts on the clipboard.
    QString selectedText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Remembers the window's size and place for its next opening.
    void hideEvent(QHideEvent *event) override;

private:
    void copy();
    void updateCount();
    void widenColumns();
    void showCurrentExplanation();

    ExchangeJournal *m_journal = nullptr;
    ExchangeJournalModel *m_model = nullptr;
    QTableView *m_view = nullptr;
    QLabel *m_explanation = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_copyButton = nullptr;
    bool m_followEnd = true;
};

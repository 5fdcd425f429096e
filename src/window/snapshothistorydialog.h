#pragma once

#include "history/snapshotstore.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// "История изменений": a register's snapshots of one kind, newest first
// (date, kind, where from), and for the chosen one its differences against
// what the window holds now. "Восстановить" accepts the dialog with that
// snapshot chosen; the window then loads it, and nothing is written to the
// register until the user writes.
class SnapshotHistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // The differences of one snapshot against the window, one line each;
    // false with a message when the snapshot cannot be read.
    using Differences = std::function<bool(const SnapshotInfo &, QStringList *lines, QString *error)>;

    // legend says how to read a difference line.
    SnapshotHistoryDialog(const QVector<SnapshotInfo> &snapshots, const QString &legend,
                          Differences differences, QWidget *parent = nullptr);

    // The chosen snapshot (an empty path when none is).
    SnapshotInfo selected() const;

    // At most this many difference lines are shown, and how many more there are.
    static constexpr int MaxLines = 2000;

private:
    void onSelectionChanged();

    QVector<SnapshotInfo> m_snapshots;
    Differences m_differences;
    QTreeWidget *m_list = nullptr;
    QLabel *m_file = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QPushButton *m_restore = nullptr;
};

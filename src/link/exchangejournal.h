#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

#include <deque>
#include <mutex>

// One job of a DeviceController as the exchange journal keeps it.
struct JournalLine
{
    quint64 sequence = 0; // 1, 2, ... in the order the journal took the lines
    QDateTime started; // when the job was asked for
    QString origin; // the window (or other owner) whose job it was
    QString host;
    quint16 port = 0;
    QString serial; // what the register reported; empty when it never said
    int kind = 0; // DeviceJob::Kind
    int pages = 0; // pages moved in the job's own steps
    qint64 durationMs = 0;
    int result = 0; // DeviceResult
    QString explanation; // resultExplanation(result, writeBegun)
};

// The exchange journal: the last lines of every job in this process, in
// memory only. DeviceController adds one line when each of its jobs ends
// (also one that could not start or was abandoned with its window), so no
// job passes unrecorded; the journal window and the diagnostics file read it.
//
// Threads: the controllers add lines on the thread they live on, the GUI
// thread, where their jobs end through queued signals; the journal window
// reads there too. A lock still guards the lines, so that a reader on another
// thread (a diagnostics file written in the background) sees whole lines.
// appended() is emitted on the adding thread, after the lock is released.
class ExchangeJournal : public QObject
{
    Q_OBJECT

public:
    // A few megabytes at most: a long session cannot grow without end.
    static constexpr int DefaultCapacity = 10000;

    explicit ExchangeJournal(QObject *parent = nullptr);

    // The process's journal, made on first use (on the GUI thread, by the
    // first controller) and kept until the process ends.
    static ExchangeJournal *instance();

    // Numbers the line and adds it; beyond the capacity the oldest lines go.
    void append(JournalLine line);

    QVector<JournalLine> lines() const;
    // The lines kept whose sequence is above the given one, oldest first.
    QVector<JournalLine> linesAfter(quint64 sequence) const;
    // The sequence of the last line added, 0 before the first. Lines that
    // the capacity pushed out are those below the first kept line's sequence.
    quint64 lastSequence() const;

    int capacity() const;
    // At least 1; drops the oldest lines beyond it at once.
    void setCapacity(int capacity);

    // The job kind as the journal names it ("Загрузка параметров").
    static QString kindName(int kind);

signals:
    void appended();

private:
    void trim();

    // std::mutex rather than QMutex: ThreadSanitizer sees through it.
    mutable std::mutex m_lock;
    std::deque<JournalLine> m_lines;
    quint64 m_lastSequence = 0;
    int m_capacity = DefaultCapacity;
};

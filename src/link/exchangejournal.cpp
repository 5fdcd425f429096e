#include "exchangejournal.h"

#include "link/devicejob.h"

#include <QCoreApplication>

ExchangeJournal::ExchangeJournal(QObject *parent)
    : QObject(parent)
{
}

ExchangeJournal *ExchangeJournal::instance()
{
    static ExchangeJournal journal;
    return &journal;
}

void ExchangeJournal::append(JournalLine line)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        line.sequence = ++m_lastSequence;
        m_lines.push_back(std::move(line));
        trim();
    }
    emit appended();
}

QVector<JournalLine> ExchangeJournal::lines() const
{
    return linesAfter(0);
}

QVector<JournalLine> ExchangeJournal::linesAfter(quint64 sequence) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    QVector<JournalLine> out;
    if (m_lines.empty() || sequence >= m_lastSequence)
        return out;
    // Sequences are consecutive, so the first wanted line is found by count.
    const quint64 first = m_lines.front().sequence;
    const size_t skip = sequence < first ? 0 : size_t(sequence - first + 1);
    out.reserve(int(m_lines.size() - skip));
    for (auto it = m_lines.begin() + std::ptrdiff_t(skip); it != m_lines.end(); ++it)
        out.append(*it);
    return out;
}

quint64 ExchangeJournal::lastSequence() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastSequence;
}

int ExchangeJournal::capacity() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_capacity;
}

void ExchangeJournal::setCapacity(int capacity)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_capacity = qMax(1, capacity);
    trim();
}

void ExchangeJournal::trim()
{
    while (m_lines.size() > size_t(m_capacity))
        m_lines.pop_front();
}

QString ExchangeJournal::kindName(int kind)
{
    const char *const context = "ExchangeJournal";
    switch (kind) {
    case DeviceJob::QueryInfo:
        return QCoreApplication::translate(context, "Запрос данных ККТ");
    case DeviceJob::ReadParams:
        return QCoreApplication::translate(context, "Загрузка параметров");
    case DeviceJob::WriteParams:
        return QCoreApplication::translate(context, "Выгрузка параметров");
    case DeviceJob::ReadGoodsRange:
        return QCoreApplication::translate(context, "Загрузка части номенклатуры");
    case DeviceJob::ReadGoods:
        return QCoreApplication::translate(context, "Загрузка номенклатуры");
    case DeviceJob::WriteGoods:
        return QCoreApplication::translate(context, "Выгрузка номенклатуры");
    }
    return QCoreApplication::translate(context, "Операция %1").arg(kind);
}

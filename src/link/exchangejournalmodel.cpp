#include "exchangejournalmodel.h"

#include <QCoreApplication>

namespace {

const char *const Context = "ExchangeJournalModel";

// The register's usual port goes without saying.
constexpr quint16 DefaultPort = 8080;

// On a LAN most jobs take milliseconds; seconds would show them as "0,00".
QString durationText(qint64 ms)
{
    if (ms < 1000)
        return QCoreApplication::translate(Context, "%1 мс").arg(ms);
    return QCoreApplication::translate(Context, "%1 с")
        .arg(QString::number(double(ms) / 1000.0, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(',')));
}

} // namespace

ExchangeJournalModel::ExchangeJournalModel(ExchangeJournal *journal, QObject *parent)
    : QAbstractTableModel(parent)
    , m_journal(journal)
{
    if (!m_journal)
        return;
    connect(m_journal, &ExchangeJournal::appended, this, &ExchangeJournalModel::follow);
    follow();
}

int ExchangeJournalModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int ExchangeJournalModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ExchangeJournalModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= rowCount()
        || index.column() >= ColumnCount)
        return {};
    const JournalLine &line = m_lines.at(size_t(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        return cellText(line, index.column());
    case Qt::ToolTipRole:
        // The explanation is long; the whole sentence shows on hovering the row.
        return line.explanation;
    case Qt::TextAlignmentRole:
        if (index.column() == PagesColumn || index.column() == DurationColumn
            || index.column() == ResultColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case ResultRole:
        return line.result;
    }
    return {};
}

QVariant ExchangeJournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return columnTitle(section);
}

JournalLine ExchangeJournalModel::lineAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_lines.at(size_t(row)) : JournalLine();
}

QString ExchangeJournalModel::cellText(const JournalLine &line, int column)
{
    switch (column) {
    case TimeColumn:
        return line.started.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    case OriginColumn:
        return line.origin;
    case AddressColumn:
        return line.port == DefaultPort || line.port == 0
            ? line.host
            : QStringLiteral("%1:%2").arg(line.host).arg(line.port);
    case SerialColumn:
        return line.serial;
    case KindColumn:
        return ExchangeJournal::kindName(line.kind);
    case PagesColumn:
        return QString::number(line.pages);
    case DurationColumn:
        return durationText(line.durationMs);
    case ResultColumn:
        return QString::number(line.result);
    case ExplanationColumn:
        return line.explanation;
    }
    return {};
}

QString ExchangeJournalModel::columnTitle(int column)
{
    switch (column) {
    case TimeColumn:
        return QCoreApplication::translate(Context, "Время");
    case OriginColumn:
        return QCoreApplication::translate(Context, "Окно");
    case AddressColumn:
        return QCoreApplication::translate(Context, "Адрес");
    case SerialColumn:
        return QCoreApplication::translate(Context, "Заводской номер");
    case KindColumn:
        return QCoreApplication::translate(Context, "Операция");
    case PagesColumn:
        return QCoreApplication::translate(Context, "Страниц");
    case DurationColumn:
        return QCoreApplication::translate(Context, "Длительность");
    case ResultColumn:
        return QCoreApplication::translate(Context, "Код");
    case ExplanationColumn:
        return QCoreApplication::translate(Context, "Пояснение");
    }
    return {};
}

void ExchangeJournalModel::follow()
{
    if (!m_journal)
        return;
    const QVector<JournalLine> added = m_journal->linesAfter(m_lastSequence);
    if (added.isEmpty())
        return;
    m_lastSequence = added.last().sequence;
    const int first = rowCount();
    beginInsertRows({}, first, first + added.size() - 1);
    m_lines.insert(m_lines.end(), added.begin(), added.end());
    endInsertRows();

    // The same lines as the journal keeps: the oldest go first.
    const int excess = rowCount() - m_journal->capacity();
    if (excess > 0) {
        beginRemoveRows({}, 0, excess - 1);
        m_lines.erase(m_lines.begin(), m_lines.begin() + excess);
        endRemoveRows();
    }
}

#include "devicetablemodel.h"

#include "app/deviceregistry.h"

namespace {

// The status cell is filled by DeviceTableModel::data() itself.
QVariant noData(const DeviceEntry &, int)
{
    return {};
}

} // namespace

DeviceTableModel::DeviceTableModel(QObject *parent)
    : RecordTableModel({ { tr("Заводской номер"), &displayText<DeviceEntry, &DeviceEntry::serial> },
                         { tr("Наименование"), &displayText<DeviceEntry, &DeviceEntry::name> },
                         { tr("Версия"), &displayText<DeviceEntry, &DeviceEntry::version> },
                         { tr("Адрес"), &displayText<DeviceEntry, &DeviceEntry::addr> },
                         { tr("Связь"), &noData } },
                       parent)
{
}

QVariant DeviceTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.column() != StatusColumn)
        return RecordTableModel::data(index, role);
    const LinkStatus status = linkStatus(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return linkStatusText(status);
    case LinkStatusRole:
        return int(status);
    default:
        return {};
    }
}

int DeviceTableModel::rowOf(const QString &serial) const
{
    for (int row = 0; row < records().size(); ++row) {
        if (records().at(row).serial == serial)
            return row;
    }
    return -1;
}

void DeviceTableModel::setLinkStatus(const QString &serial, const QString &addr, LinkStatus status)
{
    m_outcomes.insert(serial, { addr, status });
    for (int row = 0; row < records().size(); ++row) {
        if (records().at(row).serial == serial)
            emit dataChanged(index(row, StatusColumn), index(row, StatusColumn));
    }
}

DeviceTableModel::LinkStatus DeviceTableModel::linkStatus(int row) const
{
    if (row < 0 || row >= records().size())
        return LinkStatus::Unknown;
    const DeviceEntry &e = records().at(row);
    const auto it = m_outcomes.constFind(e.serial);
    if (it == m_outcomes.constEnd() || it->addr != e.addr)
        return LinkStatus::Unknown;
    return it->status;
}

void DeviceTableModel::clearLinkStatus()
{
    m_outcomes.clear();
    if (!records().isEmpty())
        emit dataChanged(index(0, StatusColumn), index(records().size() - 1, StatusColumn));
}

QString DeviceTableModel::linkStatusText(LinkStatus status)
{
    switch (status) {
    case LinkStatus::Unknown:
        break;
    case LinkStatus::Checking:
        return tr("проверка...");
    case LinkStatus::Online:
        return tr("в сети");
    case LinkStatus::Silent:
        return tr("нет связи");
    case LinkStatus::NoAddress:
        return QStringLiteral("—");
    }
    return QString();
}

void DeviceTableModel::loadFromRegistry()
{
    QVector<DeviceEntry> entries;
    {
        const DeviceRegistry registry;
        entries = registry.entries().toVector();
    }
    setRecords(std::move(entries));
}

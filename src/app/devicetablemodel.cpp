#include "devicetablemodel.h"

#include "app/deviceregistry.h"

DeviceTableModel::DeviceTableModel(QObject *parent)
    : RecordTableModel({ { tr("Заводской номер"), &displayText<DeviceEntry, &DeviceEntry::serial> },
                         { tr("Наименование"), &displayText<DeviceEntry, &DeviceEntry::name> },
                         { tr("Версия"), &displayText<DeviceEntry, &DeviceEntry::version> },
                         { tr("Адрес"), &displayText<DeviceEntry, &DeviceEntry::addr> } },
                       parent)
{
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

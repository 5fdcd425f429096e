#include "browsetablemodel.h"

#include <QJsonArray>
#include <QJsonObject>

BrowseTableModel::BrowseTableModel(QObject *parent)
    : RecordTableModel({ { tr("Заводской номер"), &displayText<BrowseEntry, &BrowseEntry::serial> },
                         { tr("IP адрес"), &displayText<BrowseEntry, &BrowseEntry::address> },
                         { tr("MAC адрес"), &displayText<BrowseEntry, &BrowseEntry::mac> } },
                       parent)
{
}

void BrowseTableModel::setDevices(const QJsonArray &devices)
{
    QVector<Entry> entries;
    for (const QJsonValue &value : devices) {
        const QJsonObject o = value.toObject();
        const Entry e { o.value(QStringLiteral("device")).toString(),
                        o.value(QStringLiteral("ip")).toString(), o.value(QStringLiteral("mac")).toString() };
        // Two interfaces on one network probe the same register twice; one
        // row is enough. Rows that differ in any text are kept apart.
        if (!entries.contains(e))
            entries.append(e);
    }
    setRecords(std::move(entries));
}

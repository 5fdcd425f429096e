#pragma once

#include "app/deviceentry.h"
#include "classes/recordtablemodel.h"

#include <QHash>

// Read-only copy of the device list for the main window's table, plus the
// outcome of the last connection check in a column after the list's four.
// The outcome is not stored: it lasts until the next check.
class DeviceTableModel : public RecordTableModel<DeviceEntry>
{
    Q_OBJECT

public:
    enum Column { SerialColumn, NameColumn, VersionColumn, AddrColumn, StatusColumn, ColumnCount };

    // The status column also answers this role with the LinkStatus as int.
    static constexpr int LinkStatusRole = Qt::UserRole;

    enum class LinkStatus {
        Unknown, // not checked since the program started or the last check began
        Checking,
        Online, // answered the probe
        Silent, // did not answer
        NoAddress, // registered offline: nothing to probe
    };

    explicit DeviceTableModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    DeviceEntry entryAt(int row) const { return recordAt(row); }
    // The row of the register with that serial number, or -1.
    int rowOf(const QString &serial) const;

    // An outcome belongs to the address it was found at: after a change of
    // address the register shows as unchecked again.
    void setLinkStatus(const QString &serial, const QString &addr, LinkStatus status);
    LinkStatus linkStatus(int row) const;
    void clearLinkStatus();
    static QString linkStatusText(LinkStatus status);

public slots:
    void loadFromRegistry();

private:
    struct Outcome
    {
        QString addr;
        LinkStatus status = LinkStatus::Unknown;
    };

    QHash<QString, Outcome> m_outcomes; // by serial number
};

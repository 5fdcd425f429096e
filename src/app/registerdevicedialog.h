#pragma once

#include "link/devicecontroller.h"
#include "link/reachability.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QPushButton;

// Adds a register to the device list: by address (probe, identity query,
// firmware check), by serial number, or offline under a family chosen by hand.
// Every failure is a box in the dialog, which then stays open; the entry is
// stored only when the dialog ends accepted.
class RegisterDeviceDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 8080;
    static constexpr int PingTimeoutMs = 1000;

    explicit RegisterDeviceDialog(QWidget *parent = nullptr);

    // The probe is taken from the process-wide seam when the dialog is made.
    void setPingFunction(Reachability::PingFunction ping) { m_ping = std::move(ping); }
    // TCP port of the identity query; registers listen on DefaultPort.
    void setPort(quint16 port) { m_port = port; }
    quint16 port() const { return m_port; }

    // Firmware families offered for an offline registration, in this order.
    static QStringList familyPatterns();

public slots:
    void browse();
    void validate();

private slots:
    // The identity query's end; its result code is in m_queryResult.
    void onQueryFinished();

private:
    void queryDevice(const QString &address);
    void registerOffline(const QString &serial);
    // False, after telling the user, for a serial number no profile can be kept under.
    bool storable(const QString &serial);
    void store(const QString &serial, const QString &version, const QString &address);
    // The fields' texts without surrounding blanks.
    QString typedSerial() const;
    QString typedAddress() const;

    QLineEdit *m_serial = nullptr;
    QLineEdit *m_address = nullptr;
    QPushButton *m_ok = nullptr;
    DeviceController m_controller;
    Reachability::PingFunction m_ping;
    quint16 m_port = DefaultPort;
    int m_queryResult = 0;
};

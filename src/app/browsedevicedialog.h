#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class BrowseTableModel;
class DeviceFinder;
class QModelIndex;
class QPushButton;
class QTableView;

// Lists the registers that answer a discovery scan and lets the user pick one
// by double-clicking it or pressing Enter on it. Every showing starts a scan.
class BrowseDeviceDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BrowseDeviceDialog(QWidget *parent = nullptr);

    QString selectedSerial() const { return m_selectedSerial; }
    QString selectedAddress() const { return m_selectedAddress; }
    QString selectedMac() const { return m_selectedMac; }

    BrowseTableModel *model() const { return m_model; }

    // Applied to every scan's finder after the dialog's own settings, so
    // tests can give it loopback targets and a port of their own. Process
    // wide because the dialog is also made inside other dialogs.
    using ScanSetup = std::function<void(DeviceFinder &)>;
    static void setScanSetup(ScanSetup setup);

public slots:
    void setupTable();
    void pickDevice(const QModelIndex &index);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void onScanFinished();

private:
    void fitTableToColumns();

    QPushButton *m_refresh = nullptr;
    QTableView *m_table = nullptr;
    BrowseTableModel *m_model = nullptr;
    QString m_selectedSerial;
    QString m_selectedAddress;
    QString m_selectedMac;
};

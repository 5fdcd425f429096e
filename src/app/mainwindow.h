#pragma once

#include "app/deviceentry.h"

#include <QMainWindow>

#include <functional>

class QModelIndex;
class QSortFilterProxyModel;
class QTableView;
class DeviceProxyModel;
class DeviceTableModel;

// The program's first window: the table of known registers.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    // What a double-click on a register does with its entry; by default it
    // opens the register's device window.
    using DeviceOpener = std::function<void(const DeviceEntry &)>;
    void setDeviceOpener(DeviceOpener opener);

private slots:
    void on_actionNewDevice_triggered();
    void on_actionDropDevice_triggered();
    void on_deviceTable_doubleClicked(const QModelIndex &index);

private:
    void setupUi();
    void showAbout();
    int sourceRow(const QModelIndex &viewIndex) const;
    void openDevice(const DeviceEntry &entry);

    QTableView *m_deviceTable = nullptr;
    DeviceTableModel *m_tableModel = nullptr;
    DeviceProxyModel *m_fontProxy = nullptr;
    QSortFilterProxyModel *m_sortProxy = nullptr;
    DeviceOpener m_opener;
};

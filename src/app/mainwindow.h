#pragma once

#include "app/deviceentry.h"
#include "app/mainwindowsettings.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class ConnectionCheck;
class DeviceFilterProxyModel;
class ExchangeJournalWindow;
class DeviceProxyModel;
class DeviceTableModel;
class QAction;
class QLineEdit;
class QModelIndex;
class QTableView;

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

    // "Сохранить диагностику…" once the file is chosen: writes the
    // diagnostics file, or shows a warning naming the file and the reason.
    bool saveDiagnostics(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_actionNewDevice_triggered();
    void on_actionDropDevice_triggered();
    void on_deviceTable_doubleClicked(const QModelIndex &index);

private:
    void setupUi();
    void setupRowActions();
    void fitFirstRun();
    void showAbout();
    void showJournal();
    void showInventory();
    void onSaveDiagnostics();
    int sourceRow(const QModelIndex &viewIndex) const;
    void openDevice(const DeviceEntry &entry);

    // The one selected row of the view (column 0), or an invalid index.
    QModelIndex selectedRow() const;
    void selectSerial(const QString &serial);
    void updateActions();
    void showContextMenu(const QPoint &pos);
    void openSelected();
    void renameSelected();
    void checkShown();
    void checkSelected();
    void checkRows(const QList<int> &rows);
    void onChecked(const QString &serial, const QString &addr, bool answered);
    void onCheckFinished();
    MainWindowSettings currentSettings() const;

    QTableView *m_deviceTable = nullptr;
    QLineEdit *m_filter = nullptr;
    DeviceTableModel *m_tableModel = nullptr;
    DeviceProxyModel *m_fontProxy = nullptr;
    DeviceFilterProxyModel *m_sortProxy = nullptr;
    ConnectionCheck *m_check = nullptr;
    int m_checkTotal = 0;
    int m_checkDone = 0;
    int m_checkSilent = 0;
    MainWindowSettings m_loadedSettings;
    DeviceOpener m_opener;
    QPointer<ExchangeJournalWindow> m_journalWindow;

    QAction *m_actionNew = nullptr;
    QAction *m_actionDrop = nullptr;
    QAction *m_actionCheckAll = nullptr;
    QAction *m_actionInventory = nullptr;
    QAction *m_actionOpen = nullptr;
    QAction *m_actionRename = nullptr;
    QAction *m_actionCheckOne = nullptr;
};

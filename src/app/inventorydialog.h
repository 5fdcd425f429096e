#pragma once

#include "app/deviceentry.h"

#include <QDialog>
#include <QList>

#include <memory>

class Inventory;
class InventoryModel;
class QLabel;
class QPushButton;
class QRadioButton;
class QSortFilterProxyModel;
class QSpinBox;
class QTableView;

// "Сводка по ККТ": what each register is (Inventory), for all registers of
// the device list or the one selected in the main window, several at a time
// (the stored FleetSettings choice). The table sorts by any column; "Сохранить…"
// writes it as shown to a CSV file in the goods files' conventions. Reads
// only: "Остановить", or closing the window, ends the reads under way.
class InventoryDialog : public QDialog
{
    Q_OBJECT

public:
    // all: the device list; selected: the main window's selected register, if any.
    InventoryDialog(const QList<DeviceEntry> &all, const QList<DeviceEntry> &selected,
                    QWidget *parent = nullptr);
    ~InventoryDialog() override;

    // TCP port of the registers (8080).
    void setPort(quint16 port) { m_port = port; }
    const Inventory *inventory() const { return m_inventory.get(); }

    // Asks the registers chosen on top.
    void refresh();
    // Writes the table as shown; a box names the file and the reason on failure.
    bool save(const QString &path);

public slots:
    void done(int result) override;

private:
    void onLineChanged(int index);
    void onFinished();
    void onSave();
    void updateButtons();

    QList<DeviceEntry> m_all;
    QList<DeviceEntry> m_selected;
    quint16 m_port = 8080;
    std::unique_ptr<Inventory> m_inventory;

    QRadioButton *m_allButton = nullptr;
    QRadioButton *m_selectedButton = nullptr;
    QSpinBox *m_jobs = nullptr;
    QLabel *m_status = nullptr;
    QTableView *m_view = nullptr;
    InventoryModel *m_model = nullptr;
    QSortFilterProxyModel *m_sort = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_saveButton = nullptr;
};

#pragma once

#include "link/devicecontroller.h"
#include "window/goodsissuewidget.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <vector>

class ComboBoxItemDelegate;
class GoodsSortFilterProxyModel;
class GoodsTableModel;
class QAction;
class QTableView;

// One register's goods catalogue: read from and written to the register,
// kept in its profile, loaded from and saved to CSV files, edited and
// checked. The device window creates it, calls setup() once and shows it.
//
// Findings in the "Проблемы" dock name rows as the view shows them, so they
// are dropped whenever that order changes: a sort, a dynamic re-sort after an
// edit, a removal, an insertion above the last row, or new contents.
class GoodsWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit GoodsWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~GoodsWindow() override;

    // serial is the register's serial number: the profile key and what a
    // write to the register must find there. A capacity of 0 means 2000.
    void setup(const QString &serial, int goodsCapacity, const QString &address, quint16 port,
               const QStringList &departmentNames);
    // The register's firmware version as the device window knows it ("2.53.12"
    // or a family pattern): a write must find the same firmware family.
    // Without one nothing is written.
    void setFirmwareVersion(const QString &version);

    // What the file actions do once a name is chosen; a failure is shown in
    // a box and leaves the table (or the file) as it was.
    bool loadFile(const QString &path);
    bool saveFile(const QString &path);

    QTableView *view() const { return m_view; }
    GoodsTableModel *model() const { return m_model; }
    GoodsSortFilterProxyModel *proxy() const { return m_proxy; }
    // Null until the first check.
    GoodsIssueWidget *issueWidget() const { return m_issues; }
    int goodsCapacity() const { return m_goodsCapacity; }

public slots:
    void onDeviceExport();
    void onDeviceImport();
    void onDeviceExportFinished();
    void onDeviceImportFinished();
    void onTableMenu(const QPoint &pos);
    void onAppendGoods();
    void onRemoveGoods();
    void onProfileExport();
    void onShowHistory();
    void onFileLoad();
    void onFileSave();
    void onValidate();
    void onSorting();

private:
    void createMenus();
    void clearFindings();
    bool reachable(const QString &title);
    // The catalogue's image, or false after telling the user which row has a
    // price the image cannot carry (nothing is then written anywhere).
    bool encode(bool withHeader, const QString &title, const QString &nothingDone, QByteArray *image);
    void removeModelRows(std::vector<int> rows);
    // The snapshot of the register's catalogue before a write; false (the
    // user told why) when there is none and nothing may be written.
    bool takeSnapshot();

    QString m_address;
    QString m_serial; // the profile key
    quint16 m_port = 8080;
    int m_goodsCapacity = 2000;
    QString m_version;
    int m_family = 0; // of m_version: 52, 53, or 0 (no write)
    QTableView *m_view = nullptr;
    GoodsTableModel *m_model = nullptr;
    DeviceController m_controller;
    QPointer<GoodsIssueWidget> m_issues;

    GoodsSortFilterProxyModel *m_proxy = nullptr;
    ComboBoxItemDelegate *m_deptDelegate = nullptr;
    QAction *m_appendAction = nullptr;
    QAction *m_removeAction = nullptr;
    int m_jobResult = 0; // the last transfer's result, for the *Finished slots
};

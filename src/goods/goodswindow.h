#pragma once

#include "goods/goodscheck.h"
#include "link/devicecontroller.h"
#include "window/goodsissuewidget.h"

#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <QVector>

#include <vector>

class ComboBoxItemDelegate;
class DeviceParams;
class GoodsSortFilterProxyModel;
class GoodsTableModel;
class QAction;
class QLabel;
class QLineEdit;
class QTableView;

// One register's goods catalogue: read from and written to the register,
// kept in its profile, loaded from and saved to CSV files, edited and
// checked. The device window creates it, calls setup() once and shows it;
// the window does not block the device window.
//
// Findings in the "Проблемы" dock name rows as the view shows them, so they
// are dropped whenever that order changes: a sort, a dynamic re-sort after an
// edit, a removal, an insertion above the last row, a new filter, or new
// contents. A check shows every row (it clears the filter first).
//
// What the table holds is compared with what it held when last loaded (from
// the profile, the register or a file), saved to the profile or written to
// the register: closing over other contents asks whether to save them to the
// profile, and a load over them asks before replacing them.
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
    // The register's name, for the title "Номенклатура — ККТ <name>,
    // заводской номер <serial>".
    void setDeviceName(const QString &name);
    // The register's own settings from a parameter set read from it or its
    // profile: the check then also compares prices with its maximum price and
    // departments with its department count.
    void setRegisterSettings(const DeviceParams &params);
    // The register's firmware version as the device window knows it ("2.53.12"
    // or a family pattern): a write must find the same firmware family.
    // Without one nothing is written.
    void setFirmwareVersion(const QString &version);

    // What the file actions do once a name is chosen; a failure is shown in
    // a box and leaves the table (or the file) as it was.
    bool loadFile(const QString &path);
    bool saveFile(const QString &path);

    // Undoes the last removal or edit of rows; false when there is none.
    bool undo();
    bool hasUnsavedChanges() const;

    QTableView *view() const { return m_view; }
    GoodsTableModel *model() const { return m_model; }
    GoodsSortFilterProxyModel *proxy() const { return m_proxy; }
    QLineEdit *filterEdit() const { return m_filter; }
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
    // "Записать в другие ККТ…": the table to other registers of the device list.
    void onWriteToOthers();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // A removal (the rows at their places before it) or an edit (one row as
    // it was), to be undone.
    struct UndoStep
    {
        bool removal = false;
        QVector<QPair<int, Goods>> rows;
    };

    void createMenus();
    void createFilter();
    void updateTitle();
    void updateRowCount();
    void clearFindings();
    bool reachable(const QString &title);
    // The catalogue's image, or false after telling the user which row has a
    // price the image cannot carry (nothing is then written anywhere).
    bool encode(bool withHeader, const QString &title, const QString &nothingDone, QByteArray *image);
    // The model row in sight and current, the filter cleared if it hides it.
    void showModelRow(int row, int column);
    void removeModelRows(std::vector<int> rows);
    void pushUndo(UndoStep step);
    // The questions before a write; false when the user says no.
    bool confirmProblems(const QString &title, const QString &question);
    bool confirmReplace(const QString &title, const GoodsList &held);
    // Reads what the register holds before a write: true when it is the
    // register meant (the user told why otherwise); *readResult for the
    // snapshot that follows.
    bool readRegister(const QString &title, int *readResult);
    bool fitsRegister(const QString &title);
    // The snapshot of the register's catalogue just read; false (the user
    // told why) when it is not stored and nothing may be written.
    bool storeSnapshot(const QString &title, int readResult);
    // Asks before a load replaces edits not saved; true when it may.
    bool mayReplaceTable(const QString &title);
    void markUnchanged();
    bool saveProfile();
    void fitPriceColumn();

    QString m_address;
    QString m_serial; // the profile key
    QString m_name;
    quint16 m_port = 8080;
    int m_goodsCapacity = 2000;
    GoodsCheckLimits m_limits;
    QString m_version;
    int m_family = 0; // of m_version: 52, 53, or 0 (no write)
    QTableView *m_view = nullptr;
    GoodsTableModel *m_model = nullptr;
    DeviceController m_controller;
    QPointer<GoodsIssueWidget> m_issues;

    GoodsSortFilterProxyModel *m_proxy = nullptr;
    ComboBoxItemDelegate *m_deptDelegate = nullptr;
    QLineEdit *m_filter = nullptr;
    QLabel *m_rowCount = nullptr;
    QAction *m_appendAction = nullptr;
    QAction *m_removeAction = nullptr;
    QAction *m_undoAction = nullptr;
    int m_jobResult = 0; // the last transfer's result, for the *Finished slots
    int m_priceMinWidth = 0;

    // What the table held when last loaded, saved or written; restored
    // snapshot rows count as unsaved whatever they are.
    GoodsList m_unchanged;
    bool m_restored = false;
    QVector<UndoStep> m_undo;
    bool m_undoing = false;
};

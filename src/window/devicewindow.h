#pragma once

#include "link/devicecontroller.h"
#include "params/deviceparams.h"
#include "tabs/devicetab.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceIssueWidget;
class DeviceWidget;
class GoodsWindow;
struct SnapshotInfo;
class QAction;
class QLabel;
class QTabWidget;

// Edits the parameter set of one register: the family's tabs filled from the
// stored profile, loaded from and written to the register, saved as the
// profile, checked, and the register's address changed. Every change to the
// device list is followed by updateRegistry().
//
// A window whose version names no family has no tabs; it can only load from
// the register (which picks the family) or change the address.
class DeviceWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 8080;
    static constexpr int PingTimeoutMs = 1000;

    explicit DeviceWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    // Called once, right after construction.
    void setDevice(const QString &serial, const QString &version, const QString &name, const QString &addr);

    // TCP port of the register's jobs; registers listen on DefaultPort.
    void setPort(quint16 port) { m_port = port; }

    QString serial() const { return m_serial; }
    QString version() const { return m_version; }
    QString address() const { return m_address; }
    int goodsCapacity() const { return m_goodsCapacity; }
    DeviceParams *params() const { return m_params; }
    QList<DeviceWidget *> tabs() const { return m_tabs; }
    QTabWidget *tabWidget() const { return m_tabWidget; }
    DeviceIssueWidget *issueDock() const { return m_issueDock; }
    // The open goods window (null when none is).
    GoodsWindow *goodsWindow() const;

    // The 16 department names of a parameter set, in record order, as the
    // goods window lists them.
    static QStringList departmentNames(const DeviceParams &params);

signals:
    void updateRegistry();

public slots:
    void onDeviceChangeAddr();
    void onDeviceImport();
    void onDeviceExport();
    void onApplyToOthers();
    void onProfileExport();
    void onShowHistory();
    void onValidate();
    void onShowGoods();
    // The ends of the load and the write; the job's result is in m_jobResult.
    void onDeviceImportFinished();
    void onDeviceExportFinished();
    // "Отменить изменения вкладки": the current tab back to what was last
    // loaded, saved or written; "Отменить все изменения": every tab.
    void onRevertTab();
    void onRevertAll();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Images
    {
        QByteArray params;
        QByteArray system;
        bool operator==(const Images &o) const { return params == o.params && system == o.system; }
        bool operator!=(const Images &o) const { return !(*this == o); }
    };

    void setupUi();
    // A tab's caption with its mnemonic, and a mark when it has changes.
    static QString tabText(DeviceTab tab, bool changed);
    void updateTabCaption(DeviceWidget *tab);
    void updateRevertActions();
    // What the tabs show now is what changes are marked against and what
    // the revert actions return to.
    void takeBaseline();
    // The check into the dock (made on the first run, shown when show is
    // set); the number of findings.
    int runCheck(bool show);
    // A line in the status bar, with the time.
    void showStatus(const QString &text);
    void selectFamily(const QString &version);
    void widenForTabs();
    void loadProfile(const QString &serial);
    void collectParams();
    void clearFamily();
    void applyRead();
    // The tabs of version's family, rebuilt and filled from the images, the
    // way a load from the register fills them.
    void rebuildTabs(const QString &version, int goodsCapacity, const QByteArray &params,
                     const QByteArray &system);
    // The snapshot of what the register holds before a write; false (the
    // user told why) when there is none and nothing may be written.
    bool takeSnapshot();
    void restoreSnapshot(const SnapshotInfo &snapshot);
    void loadTabs();
    // The set as the tabs show it now, built on a copy: the window's set and
    // images stay as they are. Null without a family.
    std::unique_ptr<DeviceParams> shownParams() const;
    // What collectParams() would make now, on copies.
    Images collectedImages() const;
    void markUnchanged();
    bool hasUnsavedChanges() const;
    // "Сохранить профиль"; false when the store refused the profile.
    bool saveProfile();
    void updateActions();
    // The reachability probe, with a wait cursor while it blocks. An empty
    // address never answers and is not probed.
    bool answers(const QString &address) const;
    void storeAddress(const QString &address);
    void openGoodsWindow(const QString &serial, int goodsCapacity, const QString &address, quint16 port,
                         const QStringList &departmentNames);

    // Images of the current parameter set, as loaded, collected or read.
    QByteArray m_paramImage;
    QByteArray m_systemImage;
    // Results of the last load from the register.
    QString m_readVersion;
    QString m_readSerial;
    int m_readGoodsCapacity = 0;
    QByteArray m_readParamImage;
    QByteArray m_readSystemImage;
    DeviceController m_controller;
    QString m_address;
    QString m_version;
    QString m_serial;
    QString m_name;
    int m_goodsCapacity = 0;
    QPointer<DeviceParams> m_params;
    QList<DeviceWidget *> m_tabs;
    DeviceIssueWidget *m_issueDock = nullptr;
    QPointer<GoodsWindow> m_goodsWindow;

    // The images came from the register or a stored profile, not from the
    // family's defaults.
    bool m_imagesKnown = false;
    // What the tabs held when last loaded, saved to the profile or written.
    Images m_unchanged;
    // The images of the last load, profile save or write: what the revert
    // actions return to.
    Images m_baseline;
    quint16 m_port = DefaultPort;
    // The window opened where the user last left it.
    bool m_placeRemembered = false;
    int m_jobResult = 0;

    QTabWidget *m_tabWidget = nullptr;
    QLabel *m_statusAddressLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QAction *m_changeAddrAction = nullptr;
    QAction *m_importAction = nullptr;
    QAction *m_exportAction = nullptr;
    QAction *m_saveProfileAction = nullptr;
    QAction *m_historyAction = nullptr;
    QAction *m_validateAction = nullptr;
    QAction *m_goodsAction = nullptr;
    QAction *m_revertTabAction = nullptr;
    QAction *m_revertAllAction = nullptr;
};

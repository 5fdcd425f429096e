#pragma once

#include "app/deviceentry.h"
#include "fleet/fleetapply.h"

#include <QDialog>
#include <QList>
#include <QMap>

#include <memory>

class DeviceParams;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;

// "Применить к другим ККТ": the user picks the groups of the source parameter
// set (one tab's data each) and target registers of its family from the
// device list, then follows FleetApply, several registers at a time (the
// number is the stored FleetSettings choice, offered on the first page):
// each register's step in its row, each register's differences by field
// name, the confirmation (each register in turn, or all at once after every
// diff), and at the end the outcome of every register in the same table.
// "Остановить" starts no further register, and registers being written
// finish their write; the dialog cannot be closed while steps are under way.
class FleetApplyDialog : public QDialog
{
    Q_OBJECT

public:
    // source: the set whose groups are copied (the device window's tabs, on a
    // copy); sourceSerial: its register, never a target. devices: the device
    // list; those of another family, without an address, or the source itself
    // are listed but cannot be picked.
    FleetApplyDialog(std::unique_ptr<DeviceParams> source, const QString &sourceSerial,
                     const QList<DeviceEntry> &devices, QWidget *parent = nullptr);
    ~FleetApplyDialog() override;

    // TCP port of the targets' jobs (8080).
    void setPort(quint16 port) { m_port = port; }
    // Adds a warning above the choice (e.g. that the tabs hold defaults).
    void setSourceWarning(const QString &text);

    // Null before "Далее".
    const FleetApply *fleet() const { return m_fleet.get(); }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makeChoicePage();
    QWidget *makeRunPage();
    void fillTargets(const QList<DeviceEntry> &devices);
    void updateStart();
    // Why a device-list entry cannot be a target; empty when it can.
    QString unavailableReason(const DeviceEntry &entry) const;

    void onStart();
    void onStepStarted(int index, FleetApply::Step step);
    void onOutcomeChanged(int index);
    void onConfirmationNeeded(int index);
    void onFinished();
    void onWrite();
    void onSkip();
    void onStop();
    void showDetails();
    void setProgress(int done);
    void setRowStatus(int index, const QString &text);
    // The progress line while registers are under way.
    void showRunning();
    QString targetText(int index) const;
    int doneCount() const;

    std::unique_ptr<DeviceParams> m_source;
    std::unique_ptr<FleetApply> m_fleet;
    QString m_sourceSerial;
    int m_family = 0;
    quint16 m_port = 8080;
    QList<DeviceEntry> m_devices; // the device list; target items keep their index (EntryRole)

    QStackedWidget *m_pages = nullptr;
    QLabel *m_warning = nullptr;
    QMap<DeviceTab, QCheckBox *> m_groupBoxes;
    QTreeWidget *m_targetList = nullptr;
    QRadioButton *m_confirmEach = nullptr;
    QRadioButton *m_confirmAll = nullptr;
    QSpinBox *m_jobs = nullptr;
    QPushButton *m_startButton = nullptr;

    QLabel *m_progressLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressCount = nullptr;
    QTableWidget *m_table = nullptr;
    QLabel *m_detailsTitle = nullptr;
    QPlainTextEdit *m_details = nullptr;
    QPushButton *m_writeButton = nullptr;
    QPushButton *m_skipButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QMap<int, FleetApply::Step> m_steps; // registers under way: their step
};

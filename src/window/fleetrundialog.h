#pragma once

#include "app/deviceentry.h"
#include "fleet/fleetrun.h"

#include <QDialog>
#include <QList>
#include <QMap>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;

// The dialog pattern of a write to other registers (FleetRun): on the first
// page the user picks target registers from the device list (those that
// cannot take the data are listed greyed, with the reason), how writes are
// confirmed and how many registers run at once (the stored FleetSettings
// choice); then each register's step in its row, each register's
// differences, the confirmation (each register in turn, or all at once after
// every diff), and at the end the outcome of every register in the same
// table. "Остановить" starts no further register, and registers being
// written finish their write; the dialog cannot be closed while steps are
// under way.
//
// A data kind derives, builds the first page with buildPages() (its own
// choice of data above the targets, if any) and makes the run.
class FleetRunDialog : public QDialog
{
    Q_OBJECT

public:
    ~FleetRunDialog() override;

    // TCP port of the targets' jobs (8080).
    void setPort(quint16 port) { m_port = port; }
    // Adds a warning above the choice (e.g. that the data holds defaults).
    void setSourceWarning(const QString &text);

    // Null before "Далее".
    const FleetRun *run() const { return m_run.get(); }

public slots:
    void reject() override;

protected:
    // sourceSerial: the register the data comes from, never a target.
    FleetRunDialog(const QString &sourceSerial, QWidget *parent);

    // Builds both pages: intro, then choice (may be null), then the targets
    // under targetsTitle; the targets are those of devices.
    void buildPages(const QString &intro, QWidget *choice, const QString &targetsTitle,
                    const QList<DeviceEntry> &devices);
    // Why a device-list entry cannot be a target; empty when it can. By
    // default: the source itself, an unsupported version, no address.
    virtual QString unavailableReason(const DeviceEntry &entry) const;
    // Whether the data kind's own choice allows a start.
    virtual bool choiceMade() const { return true; }
    // The run for the chosen data; null when there is nothing to write.
    virtual std::unique_ptr<FleetRun> makeRun() = 0;
    // The title of a register's differences ("%1" is the register).
    virtual QString differencesTitle() const = 0;

    // Call when the data kind's choice changes.
    void updateStart();
    QString sourceSerial() const { return m_sourceSerial; }
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makeChoicePage(const QString &intro, QWidget *choice, const QString &targetsTitle);
    QWidget *makeRunPage();
    void fillTargets(const QList<DeviceEntry> &devices);

    void onStart();
    void onStepStarted(int index, FleetRun::Step step);
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

    std::unique_ptr<FleetRun> m_run;
    QString m_sourceSerial;
    quint16 m_port = 8080;
    QList<DeviceEntry> m_devices; // the device list; target items keep their index (EntryRole)

    QStackedWidget *m_pages = nullptr;
    QLabel *m_warning = nullptr;
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
    QMap<int, FleetRun::Step> m_steps; // registers under way: their step
};

#pragma once

#include <QProgressDialog>
#include <QString>

#include <functional>

class QEventLoop;

// The modal window shown while a job runs. It starts as a busy indicator; a
// pages(int) connected to setMaximum() turns it into a bar. It stays up until
// the caller closes it when the job has finished: neither a full bar, nor the
// cancel button, nor Escape takes it down while the job still runs (cancel and
// Escape only emit canceled(), which callers connect to the controller's stop()).
class DeviceProgressDialog : public QProgressDialog
{
    Q_OBJECT

public:
    // How runUntil() ended.
    enum Run {
        Ended, // the work reported its end
        NotStarted, // start() refused
        Interrupted, // the event loop was told to quit first (the program is ending)
    };

    explicit DeviceProgressDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    QString pendingLabel() const { return m_pendingLabel; }
    void setPendingLabel(const QString &text) { m_pendingLabel = text; }

    // Calls start() and shows the dialog modally until source emits done, then
    // hides it. Until then the dialog cannot be closed at all: a close from the
    // window system only emits canceled(), like the cancel button. So control
    // never returns to the caller while the work still runs, and the caller
    // cannot start a second job beside it. The connection to done is made
    // before start(), so an end reported at once is not missed.
    template<typename Signal>
    Run runUntil(const typename QtPrivate::FunctionPointer<Signal>::Object *source, Signal done,
                 const std::function<bool()> &start)
    {
        m_ended = false;
        const QMetaObject::Connection end = connect(source, done, this, &DeviceProgressDialog::onWorkEnded);
        const Run run = runModal(start);
        disconnect(end);
        return run;
    }

public slots:
    // The register answered the connection: show the transfer text.
    void connected();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Run runModal(const std::function<bool()> &start);
    void onWorkEnded();

    QString m_pendingLabel;
    QEventLoop *m_loop = nullptr; // while runUntil() waits
    bool m_ended = false;
};

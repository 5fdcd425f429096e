#pragma once

#include <QProgressDialog>
#include <QString>

// The modal window shown while a job runs. It starts as a busy indicator; a
// pages(int) connected to setMaximum() turns it into a bar. It stays up until
// the caller closes it when the job has finished: neither a full bar, nor the
// cancel button, nor Escape takes it down while the job still runs (cancel and
// Escape only emit canceled(), which callers connect to the controller's stop()).
class DeviceProgressDialog : public QProgressDialog
{
    Q_OBJECT

public:
    explicit DeviceProgressDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    QString pendingLabel() const { return m_pendingLabel; }
    void setPendingLabel(const QString &text) { m_pendingLabel = text; }

public slots:
    // The register answered the connection: show the transfer text.
    void connected();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_pendingLabel;
};

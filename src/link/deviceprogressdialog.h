#pragma once

#include <QProgressDialog>
#include <QString>

// The modal window shown while a job runs. It starts as a busy indicator; a
// pages(int) connected to setMaximum() turns it into a bar. It closes when the
// caller's job finishes, never by itself when the bar is full.
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

private:
    QString m_pendingLabel;
};

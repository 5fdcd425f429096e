#include "deviceprogressdialog.h"

#include <QProgressBar>

DeviceProgressDialog::DeviceProgressDialog(QWidget *parent, Qt::WindowFlags flags)
    : QProgressDialog(parent, flags)
{
    auto *bar = new QProgressBar(this);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    setBar(bar);
    setRange(0, 0);
    // A goods transfer reaches its maximum before the job has ended; the dialog
    // must keep blocking input until finished() closes it.
    setAutoClose(false);
    setAutoReset(false);
}

void DeviceProgressDialog::connected()
{
    if (!m_pendingLabel.isEmpty())
        setLabelText(m_pendingLabel);
}

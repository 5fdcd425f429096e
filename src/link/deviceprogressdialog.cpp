#include "deviceprogressdialog.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QProgressBar>

DeviceProgressDialog::DeviceProgressDialog(QWidget *parent, Qt::WindowFlags flags)
    : QProgressDialog(parent, flags)
{
    auto *bar = new QProgressBar(this);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    setBar(bar);
    setRange(0, 0);
    // No Qt translation is loaded; the button speaks the utility's language.
    setCancelButtonText(tr("Отмена"));
    // Hiding before the job has ended would give input back to a window whose
    // controller is still busy.
    setAutoClose(false);
    setAutoReset(false);
    // QProgressDialog ties canceled() to cancel(), which hides the dialog at once.
    // It makes that connection by name, which a member-pointer disconnect does
    // not match, hence the meta-method form.
    const QMetaObject &base = QProgressDialog::staticMetaObject;
    disconnect(this, QMetaMethod::fromSignal(&QProgressDialog::canceled), this,
               base.method(base.indexOfSlot("cancel()")));
}

void DeviceProgressDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape would reject, that is hide, the dialog.
    if (event->matches(QKeySequence::Cancel)) {
        emit canceled();
        return;
    }
    QProgressDialog::keyPressEvent(event);
}

void DeviceProgressDialog::connected()
{
    if (!m_pendingLabel.isEmpty())
        setLabelText(m_pendingLabel);
}

#include "deviceprogressdialog.h"

#include "link/windowtitlefit.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>

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
    // An Enter pressed once too often (after the OK that started the job) must
    // not stop it: only a click or Escape does.
    if (auto *cancel = findChild<QPushButton *>())
        cancel->setAutoDefault(false);
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

void DeviceProgressDialog::closeEvent(QCloseEvent *event)
{
    if (m_loop && !m_ended) {
        event->ignore();
        emit canceled();
        return;
    }
    QProgressDialog::closeEvent(event);
}

void DeviceProgressDialog::changeEvent(QEvent *event)
{
    QProgressDialog::changeEvent(event);
    // Sized by its label alone, the window would cut off its title.
    if (event->type() == QEvent::WindowTitleChange)
        fitWindowTitle(this);
}

void DeviceProgressDialog::connected()
{
    if (!m_pendingLabel.isEmpty())
        setLabelText(m_pendingLabel);
}

DeviceProgressDialog::Run DeviceProgressDialog::runModal(const std::function<bool()> &start)
{
    if (!start())
        return NotStarted;
    QEventLoop loop;
    m_loop = &loop;
    setAttribute(Qt::WA_ShowModal, true);
    show();
    // Work that ended before the window came up has already quit nothing.
    if (!m_ended)
        loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    hide();
    return m_ended ? Ended : Interrupted;
}

void DeviceProgressDialog::onWorkEnded()
{
    m_ended = true;
    if (m_loop)
        m_loop->quit();
}

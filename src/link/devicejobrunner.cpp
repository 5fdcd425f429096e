#include "devicejobrunner.h"

#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/deviceprogressdialog.h"
#include "link/resultexplanation.h"

#include <QWidget>

DeviceJobRunner::DeviceJobRunner(QWidget *parent, DeviceController &controller)
    : m_parent(parent)
    , m_controller(controller)
{
}

int DeviceJobRunner::queryInfo(const QString &host, quint16 port)
{
    return run(Transfer::Identity, false, [&] { return m_controller.queryInfo(host, port); });
}

int DeviceJobRunner::readParams(const QString &host, quint16 port)
{
    return run(Transfer::Load, false, [&] { return m_controller.readParams(host, port); });
}

int DeviceJobRunner::readGoodsRange(const QString &host, quint16 port, int first, int last)
{
    return run(Transfer::Load, true, [&] { return m_controller.readGoodsRange(host, port, first, last); });
}

int DeviceJobRunner::readGoods(const QString &host, quint16 port)
{
    return run(Transfer::Load, true, [&] { return m_controller.readGoods(host, port); });
}

int DeviceJobRunner::writeParams(const QString &host, quint16 port, const QByteArray &records,
                                 const QString &serial, int family)
{
    return run(Transfer::Upload, false,
               [&] { return m_controller.writeParams(host, port, records, serial, family); });
}

int DeviceJobRunner::writeGoods(const QString &host, quint16 port, const QByteArray &image,
                                const QString &serial, int family)
{
    return run(Transfer::Upload, true,
               [&] { return m_controller.writeGoods(host, port, image, serial, family); });
}

void DeviceJobRunner::showFailure(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                  const QString &text, int result, bool writeBegun)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(resultExplanation(result, writeBegun));
    box.exec();
}

void DeviceJobRunner::showFailure(QMessageBox::Icon icon, const QString &title, const QString &text) const
{
    showFailure(m_parent, icon, title, text, m_result, m_writeBegun);
}

int DeviceJobRunner::run(Transfer transfer, bool goods, const std::function<bool()> &start)
{
    m_writeBegun = false;
    m_result = runDialog(transfer, goods, start);
    return m_result;
}

int DeviceJobRunner::runDialog(Transfer transfer, bool goods, const std::function<bool()> &start)
{
    DeviceProgressDialog dialog(m_parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    QString title = m_title;
    switch (transfer) {
    case Transfer::Identity:
        dialog.setLabelText(QString());
        dialog.setPendingLabel(tr("Получение данных о ККТ..."));
        if (title.isEmpty() && m_parent)
            title = m_parent->windowTitle();
        break;
    case Transfer::Load:
        dialog.setLabelText(tr("Подключение к ККТ..."));
        dialog.setPendingLabel(tr("Загрузка из ККТ..."));
        if (title.isEmpty())
            title = tr("Загрузка из ККТ");
        break;
    case Transfer::Upload:
        dialog.setLabelText(tr("Подключение к ККТ..."));
        dialog.setPendingLabel(tr("Выгрузка в ККТ..."));
        if (title.isEmpty())
            title = tr("Выгрузка в ККТ");
        break;
    }
    if (!m_pendingLabel.isEmpty())
        dialog.setPendingLabel(m_pendingLabel);
    dialog.setWindowTitle(title);
    dialog.reset();

    // Every connection has the dialog as its context and goes with it.
    QObject::connect(&m_controller, &DeviceController::connected, &dialog, &DeviceProgressDialog::connected);
    if (goods) {
        QObject::connect(&m_controller, &DeviceController::pages, &dialog, &QProgressDialog::setMaximum);
        QObject::connect(&m_controller, &DeviceController::frame, &dialog, &QProgressDialog::setValue);
    }
    if (transfer == Transfer::Upload)
        dialog.setCancelButton(nullptr);
    else
        QObject::connect(&dialog, &QProgressDialog::canceled, &m_controller, &DeviceController::stop);

    switch (dialog.runUntil(&m_controller, &DeviceController::finished, start)) {
    case DeviceProgressDialog::Ended:
        m_writeBegun = m_controller.writeBegun();
        return m_controller.result();
    case DeviceProgressDialog::NotStarted:
        return ErrNotStarted;
    case DeviceProgressDialog::Interrupted:
        break;
    }
    // The program is ending; the controller stops the job when it goes.
    m_controller.stop();
    return ErrStopped;
}

#include "registerdevicedialog.h"

#include "app/addressvalidator.h"
#include "app/browsedevicedialog.h"
#include "app/deviceregistry.h"
#include "app/firmware.h"
#include "app/questionbox.h"
#include "link/devicejobrunner.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame *sunkenLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setLineWidth(1);
    line->setMidLineWidth(0);
    return line;
}

} // namespace

RegisterDeviceDialog::RegisterDeviceDialog(QWidget *parent)
    : QDialog(parent)
    , m_ping(Reachability::pingFunction())
{
    m_serial = new QLineEdit(this);
    m_serial->setObjectName(QStringLiteral("serialEdit"));
    m_serial->setMaxLength(16);
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("addressEdit"));
    m_address->setValidator(new AddressValidator(m_address));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Введите заводской номер ККТ"), this), 0, 0, 1, 3);
    grid->addWidget(m_serial, 1, 0, 1, 3);
    grid->addWidget(sunkenLine(this), 2, 0);
    grid->addWidget(new QLabel(tr("или"), this), 2, 1, Qt::AlignHCenter);
    grid->addWidget(sunkenLine(this), 2, 2);
    grid->addWidget(new QLabel(tr("Введите IP адрес ККТ"), this), 3, 0, 1, 3);
    grid->addWidget(m_address, 4, 0, 1, 3);

    auto *browseButton = new QPushButton(tr("Обзор"), this);
    auto *okButton = new QPushButton(tr("OK"), this);
    okButton->setDefault(true);
    auto *closeButton = new QPushButton(tr("Закрыть"), this);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(browseButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(closeButton);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addSpacing(24);
    layout->addLayout(buttons, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowTitle(tr("Регистрация ККТ"));

    connect(browseButton, &QPushButton::clicked, this, &RegisterDeviceDialog::browse);
    connect(okButton, &QPushButton::clicked, this, &RegisterDeviceDialog::validate);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList RegisterDeviceDialog::familyPatterns()
{
    return { QStringLiteral("2.52.*"), QStringLiteral("2.53.*") };
}

void RegisterDeviceDialog::browse()
{
    BrowseDeviceDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_serial->setText(dialog.selectedSerial());
    m_address->setText(dialog.selectedAddress());
}

void RegisterDeviceDialog::validate()
{
    const QString serial = m_serial->text();
    const QString address = m_address->text();
    if (address.isEmpty()) {
        if (serial.isEmpty())
            QMessageBox::warning(this, windowTitle(), tr("Введите заводской номер ККТ или IP адрес!"));
        else
            registerOffline(serial);
        return;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Reachability::PingFunction ping = m_ping ? m_ping : Reachability::pingFunction();
    const int answer = ping(address, PingTimeoutMs);
    QApplication::restoreOverrideCursor();
    if (answer == 0) {
        queryDevice(address);
        return;
    }
    if (serial.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), tr("ККТ по адресу %1 не отвечает").arg(address));
        return;
    }
    if (askYesNo(this, windowTitle(),
                 tr("ККТ по адресу %1 не отвечает. Зарегистрировать оффлайн?").arg(address)))
        registerOffline(serial);
}

void RegisterDeviceDialog::queryDevice(const QString &address)
{
    // The runner returns once the query has ended; a cancel stops it (-13).
    m_queryResult = DeviceJobRunner(this, m_controller).queryInfo(address, m_port);
    onQueryFinished();
}

void RegisterDeviceDialog::onQueryFinished()
{
    if (m_queryResult != 0) {
        DeviceJobRunner::showFailure(
            this, QMessageBox::Critical, windowTitle(),
            tr("Ошибка подключения (%1) к ККТ по адресу %2").arg(m_queryResult).arg(m_controller.host()),
            m_queryResult);
        return;
    }
    const int major = m_controller.versionMajor();
    const int minor = m_controller.versionMinor();
    const int build = m_controller.versionBuild();
    const QString version = versionText(major, minor, build);
    if (!isVersionSupported(major, minor, build)) {
        QMessageBox::warning(this, windowTitle(), tr("Версия ККТ %1 не поддерживается").arg(version));
        return;
    }
    const QString reported = m_controller.serial();
    const QString typed = m_serial->text();
    if (!typed.isEmpty() && typed != reported) {
        QMessageBox::warning(
            this, windowTitle(),
            tr("По адресу %1 отвечает ККТ с зав.номером %2").arg(m_address->text(), reported));
        return;
    }
    store(reported, version, m_address->text());
}

void RegisterDeviceDialog::registerOffline(const QString &serial)
{
    QInputDialog choice(this);
    choice.setWindowTitle(windowTitle());
    choice.setLabelText(tr("Укажите версию ФС ККТ"));
    choice.setComboBoxItems(familyPatterns());
    choice.setComboBoxEditable(false);
    choice.setTextValue(familyPatterns().first());
    choice.setCancelButtonText(tr("Отмена"));
    if (choice.exec() != QDialog::Accepted)
        return;
    store(serial, choice.textValue(), QString());
}

void RegisterDeviceDialog::store(const QString &serial, const QString &version, const QString &address)
{
    {
        DeviceRegistry registry;
        registry.addDevice(serial, version, QString(), address);
    }
    accept();
}

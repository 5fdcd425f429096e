#include "registerdevicedialog.h"

#include "app/addressvalidator.h"
#include "app/browsedevicedialog.h"
#include "app/deviceregistry.h"
#include "app/firmware.h"
#include "app/questionbox.h"
#include "link/devicejob.h"
#include "link/devicejobrunner.h"
#include "link/ipv4address.h"
#include "link/windowtitlefit.h"
#include "params/deviceprofile.h"

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
    m_controller.setOrigin(tr("Регистрация ККТ"));
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
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    auto *closeButton = new QPushButton(tr("Закрыть"), this);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(browseButton);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(closeButton);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addSpacing(24);
    layout->addLayout(buttons, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowTitle(tr("Регистрация ККТ"));

    connect(browseButton, &QPushButton::clicked, this, &RegisterDeviceDialog::browse);
    connect(m_ok, &QPushButton::clicked, this, &RegisterDeviceDialog::validate);
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
    // So that the next Enter registers the pick instead of scanning again.
    m_ok->setFocus(Qt::OtherFocusReason);
}

QString RegisterDeviceDialog::typedSerial() const
{
    return m_serial->text().trimmed();
}

QString RegisterDeviceDialog::typedAddress() const
{
    return m_address->text().trimmed();
}

void RegisterDeviceDialog::validate()
{
    const QString serial = typedSerial();
    const QString address = typedAddress();
    if (address.isEmpty()) {
        if (serial.isEmpty())
            QMessageBox::warning(this, windowTitle(), tr("Введите заводской номер ККТ или IP адрес!"));
        else
            registerOffline(serial);
        return;
    }
    // Probing "10.0.0." would only report a silent register that was never asked.
    if (!Ipv4Address::isValid(address)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("Адрес «%1» неполный. Введите IP адрес ККТ полностью: "
                                "четыре числа от 0 до 255 через точку, например 192.168.1.10.")
                                 .arg(address));
        m_address->setFocus(Qt::OtherFocusReason);
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
    // A cancel the user asked for is no error: back to the fields as typed.
    if (m_queryResult == ErrStopped)
        return;
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
    const QString typed = typedSerial();
    if (!typed.isEmpty() && typed != reported) {
        QMessageBox::warning(this, windowTitle(),
                             tr("По адресу %1 отвечает ККТ с зав.номером %2").arg(typedAddress(), reported));
        return;
    }
    if (storable(reported))
        store(reported, version, typedAddress());
}

void RegisterDeviceDialog::registerOffline(const QString &serial)
{
    if (!storable(serial))
        return;
    QInputDialog choice(this);
    choice.setWindowTitle(windowTitle());
    choice.setLabelText(tr("Укажите версию ФС ККТ"));
    choice.setComboBoxItems(familyPatterns());
    choice.setComboBoxEditable(false);
    choice.setTextValue(familyPatterns().first());
    choice.setCancelButtonText(tr("Отмена"));
    fitWindowTitle(&choice);
    if (choice.exec() != QDialog::Accepted)
        return;
    store(serial, choice.textValue(), QString());
}

bool RegisterDeviceDialog::storable(const QString &serial)
{
    // A serial number that cannot key its profile as it is would share one
    // with another register's; it is refused, like a blank one.
    if (DeviceProfile::isStorableKey(serial))
        return true;
    QMessageBox::warning(this, windowTitle(), DeviceProfile::keyRefusal(serial));
    return false;
}

void RegisterDeviceDialog::store(const QString &serial, const QString &version, const QString &address)
{
    {
        // A register registered again keeps the name the user gave it.
        DeviceRegistry registry;
        registry.registerDevice(serial, version, address);
    }
    accept();
}

#include "ofdtab.h"

#include "tabs/devicetab.h"
#include "tabs/tabedits.h"
#include "tabs/tabrules.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QSpacerItem>
#include <QSpinBox>

namespace {

QSpinBox *timer(const FieldRange &range, QWidget *parent)
{
    QSpinBox *spin = TabEdits::spinBox(range.key, range.bottom, range.top, parent);
    spin->setSuffix(QObject::tr(" с"));
    spin->setMaximumWidth(64);
    return spin;
}

} // namespace

OfdTab::OfdTab(const Form &form, QWidget *parent)
    : DeviceWidget(parent)
    , m_family(form.family)
{
    auto *grid = new QGridLayout(this);

    auto *connection = new QGroupBox(tr("Подключение"), this);
    auto *connectionForm = new QFormLayout(connection);
    m_address = TabEdits::textEdit(QStringLiteral("ofd.address"), 63, connection);
    const QVector<FieldRange> ranges = ofdRanges(form.family);
    m_pollTimer = timer(ranges.at(0), connection);
    m_connectTimer = timer(ranges.at(1), connection);
    connectionForm->addRow(tr("Адрес:"), m_address);
    connectionForm->addRow(tr("Порт:"), form.port);
    connectionForm->addRow(tr("Таймер опроса ФН:"), m_pollTimer);
    connectionForm->addRow(tr("Таймер подключения:"), m_connectTimer);
    grid->addWidget(connection, 0, 0);

    auto *operatorGroup = new QGroupBox(tr("Регистр. данные"), this);
    auto *operatorForm = new QFormLayout(operatorGroup);
    m_inn = TabEdits::textEdit(QStringLiteral("ofd.inn"), 12, operatorGroup);
    m_inn->setMaximumWidth(128);
    operatorForm->addRow(tr("ИНН ОФД:"), m_inn);
    if (form.operatorDetails) {
        m_name = TabEdits::textEdit(QStringLiteral("ofd.name"), 256, operatorGroup);
        operatorForm->addRow(tr("Наименование ОФД:"), m_name);
    }
    m_ofdSite = TabEdits::textEdit(QStringLiteral("ofd.ofdSite"), form.ofdSiteLength, operatorGroup);
    operatorForm->addRow(tr("Сайт ОФД:"), m_ofdSite);
    if (form.operatorDetails) {
        m_fnsSite = TabEdits::textEdit(QStringLiteral("ofd.fnsSite"), 256, operatorGroup);
        operatorForm->addRow(tr("Сайт ФНС:"), m_fnsSite);
    }
    grid->addWidget(operatorGroup, 1, 0);
    grid->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 3, 0);

    // 64 px where that holds the widest value; "3600 с" needs more in many fonts.
    for (QSpinBox *spin : findChildren<QSpinBox *>())
        spin->setMaximumWidth(qMax(spin->maximumWidth(), spin->sizeHint().width()));
}

void OfdTab::showTimers(qint16 pollTimer, qint16 connectTimer)
{
    TabEdits::showNumber(m_pollTimer, quint16(pollTimer));
    TabEdits::showNumber(m_connectTimer, quint16(connectTimer));
}

void OfdTab::storeTimers(qint16 &pollTimer, qint16 &connectTimer) const
{
    // A timer left alone keeps its value, also one outside the spin box's rules.
    if (m_pollTimer->value() != quint16(pollTimer))
        pollTimer = qint16(m_pollTimer->value());
    if (m_connectTimer->value() != quint16(connectTimer))
        connectTimer = qint16(m_connectTimer->value());
}

FieldFindings OfdTab::timerFindings() const
{
    return rangeRules(tabCaption(DeviceTab::Ofd), ofdRanges(m_family),
                      { { m_pollTimer->objectName(), QString::number(m_pollTimer->value()) },
                        { m_connectTimer->objectName(), QString::number(m_connectTimer->value()) } });
}

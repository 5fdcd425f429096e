#include "configtab53.h"

#include "params/deviceparams53.h"
#include "tabs/deviceinfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

namespace {

constexpr int SaleIndex = 0;
constexpr int PurchaseIndex = 1;

} // namespace

ConfigTab53::ConfigTab53(QWidget *parent)
    : ConfigTab(0, 3, parent)
{
    QFormLayout *form = addGroup(tr("Виды расчета"), 0, 3);
    m_cash = new QCheckBox;
    m_electronic = new QCheckBox;
    m_credit = new QCheckBox;
    m_prepayment = new QCheckBox;
    m_other = new QCheckBox;
    form->addRow(tr("Наличные"), m_cash);
    form->addRow(tr("Электронные"), m_electronic);
    form->addRow(tr("Кредит"), m_credit);
    form->addRow(tr("Предоплата"), m_prepayment);
    form->addRow(tr("Другое"), m_other);

    form = addGroup(tr("Режимы торговли"), 1, 2);
    m_sale = new QCheckBox;
    m_purchase = new QCheckBox;
    m_mainMode = new QComboBox;
    m_mainMode->addItems({ tr("Приход"), tr("Расход") });
    form->addRow(tr("Приход"), m_sale);
    form->addRow(tr("Расход"), m_purchase);
    form->addRow(tr("Осн.режим:"), m_mainMode);
    connect(m_sale, &QCheckBox::toggled, this, &ConfigTab53::saleModeChanged);
    connect(m_purchase, &QCheckBox::toggled, this, &ConfigTab53::purchaseModeChanged);
}

void ConfigTab53::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams53 *>(&params);
    if (!p) {
        qWarning("ConfigTab53: a parameter set of another family is not written");
        return;
    }
    TradeConfig53 &trade = p->tradeConfig;
    saveShared(trade, true);

    quint8 kinds = trade.paymentKinds;
    kinds = withBit(kinds, 0, m_cash->isChecked());
    kinds = withBit(kinds, 1, m_electronic->isChecked());
    kinds = withBit(kinds, 2, m_prepayment->isChecked());
    kinds = withBit(kinds, 3, m_credit->isChecked());
    trade.paymentKinds = withBit(kinds, 4, m_other->isChecked());

    quint8 modes = withBit(trade.tradeModes, 0, m_sale->isChecked());
    modes = withBit(modes, 1, m_purchase->isChecked());
    trade.tradeModes = quint8((modes & 0x0F) | ((m_mainMode->currentIndex() + 1) & 0x0F) << 4);
}

void ConfigTab53::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams53 *>(&params);
    if (!p) {
        qWarning("ConfigTab53: a parameter set of another family is not shown");
        return;
    }
    const TradeConfig53 &trade = p->tradeConfig;
    loadShared(trade, namesOf(p->users), namesOf(p->departments));

    m_cash->setChecked(trade.paymentKinds & 0x01);
    m_electronic->setChecked(trade.paymentKinds & 0x02);
    m_prepayment->setChecked(trade.paymentKinds & 0x04);
    m_credit->setChecked(trade.paymentKinds & 0x08);
    m_other->setChecked(trade.paymentKinds & 0x10);

    m_sale->setChecked(trade.tradeModes & 0x01);
    m_purchase->setChecked(trade.tradeModes & 0x02);
    m_mainMode->setCurrentIndex((trade.tradeModes >> 4) - 1);
    // The sale rule too: which main modes can be chosen must not depend on
    // what the boxes showed before the load.
    purchaseModeChanged(m_purchase->isChecked());
    saleModeChanged(m_sale->isChecked());
}

void ConfigTab53::updateDeviceInfo(DeviceInfo &info)
{
    info.defaultUser = cashierBox()->currentIndex();
}

void ConfigTab53::saleModeChanged(bool value)
{
    setItemEnabled(m_mainMode, SaleIndex, value);
    if (value)
        return;
    m_purchase->setChecked(true);
    if (m_mainMode->currentIndex() == SaleIndex)
        m_mainMode->setCurrentIndex(PurchaseIndex);
}

void ConfigTab53::purchaseModeChanged(bool value)
{
    setItemEnabled(m_mainMode, PurchaseIndex, value);
    if (value)
        return;
    m_sale->setChecked(true);
    if (m_mainMode->currentIndex() == PurchaseIndex)
        m_mainMode->setCurrentIndex(SaleIndex);
}

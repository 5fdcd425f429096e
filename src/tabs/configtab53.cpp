#include "configtab53.h"

#include "params/deviceparams53.h"
#include "tabs/deviceinfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>

namespace {

constexpr int SaleIndex = 0;
constexpr int PurchaseIndex = 1;

} // namespace

ConfigTab53::ConfigTab53(QWidget *parent)
    : ConfigTab(53, parent)
{
    QFormLayout *form = addGroup(tr("Виды расчета"), 0, 3);
    m_cash = checkBox(QStringLiteral("tradeConfig.paymentKinds.cash"));
    m_electronic = checkBox(QStringLiteral("tradeConfig.paymentKinds.electronic"));
    m_credit = checkBox(QStringLiteral("tradeConfig.paymentKinds.credit"));
    m_prepayment = checkBox(QStringLiteral("tradeConfig.paymentKinds.prepayment"));
    m_other = checkBox(QStringLiteral("tradeConfig.paymentKinds.other"));
    form->addRow(tr("Наличные"), m_cash);
    form->addRow(tr("Электронные"), m_electronic);
    form->addRow(tr("Кредит"), m_credit);
    form->addRow(tr("Предоплата"), m_prepayment);
    form->addRow(tr("Другое"), m_other);

    form = addGroup(tr("Режимы торговли"), 1, 2);
    m_sale = checkBox(QStringLiteral("tradeConfig.tradeModes.sale"));
    m_purchase = checkBox(QStringLiteral("tradeConfig.tradeModes.purchase"));
    m_mainMode = new QComboBox;
    m_mainMode->setObjectName(QStringLiteral("tradeConfig.tradeModes.main"));
    m_mainMode->addItems({ tr("Приход"), tr("Расход") });
    form->addRow(tr("Приход"), m_sale);
    form->addRow(tr("Расход"), m_purchase);
    form->addRow(tr("Осн.режим:"), m_mainMode);
    connect(m_sale, &QCheckBox::toggled, this, &ConfigTab53::saleModeChanged);
    connect(m_purchase, &QCheckBox::toggled, this, &ConfigTab53::purchaseModeChanged);
    orderTabStops();
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

    // A byte the three controls show as stored stays as it is, also one the
    // rules would not let the user make (a purchase mode alone with the main
    // mode on sale).
    const bool modesShown = bitsShown(trade.tradeModes, { m_sale, m_purchase })
        && m_mainMode->currentIndex() == indexOf(trade.tradeModes >> 4, m_mainMode);
    if (!modesShown) {
        quint8 modes = withBit(trade.tradeModes, 0, m_sale->isChecked());
        modes = withBit(modes, 1, m_purchase->isChecked());
        trade.tradeModes = quint8((modes & 0x0F) | ((m_mainMode->currentIndex() + 1) & 0x0F) << 4);
    }
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

    // Shown as stored: the sale and purchase rules act on the user's changes,
    // and only say which main modes can be chosen here.
    {
        const QSignalBlocker blockSale(m_sale);
        const QSignalBlocker blockPurchase(m_purchase);
        m_sale->setChecked(trade.tradeModes & 0x01);
        m_purchase->setChecked(trade.tradeModes & 0x02);
        m_mainMode->setCurrentIndex(indexOf(trade.tradeModes >> 4, m_mainMode));
    }
    setItemEnabled(m_mainMode, SaleIndex, m_sale->isChecked());
    setItemEnabled(m_mainMode, PurchaseIndex, m_purchase->isChecked());
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

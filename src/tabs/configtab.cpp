#include "configtab.h"

#include "params/records.h"
#include "tabs/amounttext.h"
#include "tabs/decimalvalidator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStandardItemModel>

namespace {

constexpr int WeightPrefixBottom = 21;
constexpr int WeightPrefixTop = 29;

// maxWidth unless the widest value (with its suffix) needs more: "99 с"
// does not fit in 48 pixels with the arrows beside it.
QSpinBox *spinBox(const QString &key, int bottom, int top, int maxWidth, const QString &suffix = {})
{
    auto *spin = new QSpinBox;
    spin->setObjectName(key);
    spin->setRange(bottom, top);
    spin->setSuffix(suffix);
    spin->setMaximumWidth(qMax(maxWidth, spin->sizeHint().width()));
    return spin;
}

QLineEdit *decimalEdit(const QString &key, double top, int decimals)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(key);
    edit->setFixedWidth(128);
    edit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    edit->setValidator(new DecimalValidator(0, top, decimals, edit));
    return edit;
}

QComboBox *comboBox(const QString &key, int maxWidth)
{
    auto *combo = new QComboBox;
    combo->setObjectName(key);
    if (maxWidth > 0)
        combo->setMaximumWidth(maxWidth);
    return combo;
}

void replaceItems(QComboBox *combo, const QStringList &names)
{
    combo->clear();
    combo->addItems(names);
}

} // namespace

ConfigTab::ConfigTab(int densityBottom, int densityTop, QWidget *parent)
    : DeviceWidget(parent)
{
    m_grid = new QGridLayout(this);

    QFormLayout *form = addGroup(tr("Отделы"), 0, 0, 2);
    m_deptCount = spinBox(QStringLiteral("tradeConfig.departmentCount"), 1, 16, 40);
    m_defaultDept = comboBox(QStringLiteral("tradeConfig.defaultDepartment"), 192);
    m_cashier = comboBox(QStringLiteral("tradeConfig.defaultCashier"), 192);
    form->addRow(tr("Количество отделов:"), m_deptCount);
    form->addRow(tr("Отдел по умолчанию:"), m_defaultDept);
    form->addRow(tr("Кассир по умолчанию:"), m_cashier);
    connect(m_deptCount, qOverload<int>(&QSpinBox::valueChanged), this, &ConfigTab::deptCountChanged);

    form = addGroup(tr("Торговля"), 0, 2);
    m_maxPrice = decimalEdit(QStringLiteral("tradeConfig.maxPrice"), MaxPrice, 2);
    m_maxDeposit = decimalEdit(QStringLiteral("tradeConfig.maxDeposit"), MaxDeposit, 2);
    m_maxQuantity = decimalEdit(QStringLiteral("tradeConfig.maxQuantity"), MaxQuantity, 3);
    m_autoCollection = new QCheckBox;
    m_priceEditing = new QCheckBox;
    form->addRow(tr("Макс. цена:"), m_maxPrice);
    form->addRow(tr("Макс. депозит:"), m_maxDeposit);
    form->addRow(tr("Макс. кол-во:"), m_maxQuantity);
    form->addRow(tr("Автоинкассация:"), m_autoCollection);
    form->addRow(tr("Редакт.цены БД:"), m_priceEditing);

    form = addGroup(tr("Клавиатура"), 1, 0);
    m_sensitivity = spinBox(QStringLiteral("tradeConfig.keyboardSensitivity"), 1, 4, 48);
    m_keySound = new QCheckBox;
    m_keySound->setObjectName(QStringLiteral("tradeConfig.keySound"));
    form->addRow(tr("Чувствительность:"), m_sensitivity);
    form->addRow(tr("Звук клавиш:"), m_keySound);

    form = addGroup(tr("Дисплей"), 1, 1);
    m_powerOffTimer = spinBox(QStringLiteral("tradeConfig.powerOffTimer"), 0, 99, 48, tr(" с"));
    m_displayMode = comboBox(QStringLiteral("tradeConfig.displayMode"), 0);
    m_displayMode->addItems({ tr("Дата"), tr("Заряд"), tr("Комбо") });
    form->addRow(tr("Таймер выключения:"), m_powerOffTimer);
    form->addRow(tr("Режим индикации:"), m_displayMode);

    form = addGroup(tr("Сканер штрихкодов"), 2, 0);
    m_codeLength = spinBox(QStringLiteral("tradeConfig.internalCodeLength"), 1, 5, 48);
    m_weightPrefix = new QLineEdit;
    m_weightPrefix->setObjectName(QStringLiteral("tradeConfig.weightPrefix"));
    m_weightPrefix->setMaximumWidth(48);
    m_weightPrefix->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_weightPrefix->setValidator(new QIntValidator(WeightPrefixBottom, WeightPrefixTop, m_weightPrefix));
    form->addRow(tr("Размер вн.кода:"), m_codeLength);
    form->addRow(tr("Префикс вес.товара:"), m_weightPrefix);

    form = addGroup(tr("Принтер"), 2, 1);
    m_density = spinBox(QStringLiteral("tradeConfig.printDensity"), densityBottom, densityTop, 48);
    m_smallFont = new QCheckBox;
    form->addRow(tr("Плотность печати:"), m_density);
    form->addRow(tr("Мелкий шрифт:"), m_smallFont);

    form = addGroup(tr("Печать"), 2, 2);
    m_printHeader = new QCheckBox;
    m_printFooter = new QCheckBox;
    m_printTaxes = new QCheckBox;
    m_printQrCode = new QCheckBox;
    form->addRow(tr("Печать заголовка:"), m_printHeader);
    form->addRow(tr("Печать подвала:"), m_printFooter);
    form->addRow(tr("Печать налогов:"), m_printTaxes);
    form->addRow(tr("Печать QR кода:"), m_printQrCode);

    m_grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 3, 0);
    m_grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 4);
}

void ConfigTab::validate(DeviceIssueWidget *, const DeviceInfo &) { }

QFormLayout *ConfigTab::addGroup(const QString &title, int row, int column, int columnSpan)
{
    auto *group = new QGroupBox(title);
    auto *form = new QFormLayout(group);
    m_grid->addWidget(group, row, column, 1, columnSpan);
    return form;
}

void ConfigTab::loadShared(const TradeConfig &trade, const QStringList &userNames,
                           const QStringList &deptNames)
{
    replaceItems(m_cashier, userNames);
    replaceItems(m_defaultDept, deptNames);
    // A number without a record (0 is never one) chooses nothing.
    m_cashier->setCurrentIndex(trade.defaultCashier - 1);
    m_defaultDept->setCurrentIndex(trade.defaultDepartment - 1);
    m_deptCount->setValue(trade.departmentCount);

    m_maxPrice->setText(AmountText::amount(trade.maxPrice));
    m_maxDeposit->setText(AmountText::amount(trade.maxDeposit));
    m_maxQuantity->setText(AmountText::quantity(trade.maxQuantity));
    m_autoCollection->setChecked(trade.tradeFlags & 0x1);
    m_priceEditing->setChecked(trade.tradeFlags & 0x2);

    m_codeLength->setValue(trade.internalCodeLength);
    m_weightPrefix->setText(QString::number(trade.weightPrefix));
    m_sensitivity->setValue(trade.keyboardSensitivity);
    m_keySound->setChecked(trade.keySound != 0);
    m_powerOffTimer->setValue(trade.powerOffTimer);
    m_displayMode->setCurrentIndex(trade.displayMode - 1);
    m_density->setValue(trade.printDensity);
    m_smallFont->setChecked(trade.fontFlags & 0x1);

    m_printHeader->setChecked(trade.printFlags & 0x1);
    m_printFooter->setChecked(trade.printFlags & 0x2);
    m_printTaxes->setChecked(trade.printFlags & 0x4);
    m_printQrCode->setChecked(trade.printFlags & 0x8);

    deptCountChanged(m_deptCount->value());
}

void ConfigTab::saveShared(TradeConfig &trade, bool keepOtherBits) const
{
    trade.departmentCount = qint8(m_deptCount->value());
    trade.defaultDepartment = qint8(m_defaultDept->currentIndex() + 1);
    trade.defaultCashier = qint16(m_cashier->currentIndex() + 1);

    trade.maxPrice = AmountText::amountFrom(m_maxPrice->text(), MaxPrice);
    trade.maxDeposit = AmountText::amountFrom(m_maxDeposit->text(), MaxDeposit);
    trade.maxQuantity = AmountText::quantityFrom(m_maxQuantity->text(), MaxQuantity);
    quint32 tradeFlags = keepOtherBits ? trade.tradeFlags : 0;
    tradeFlags = withBit(tradeFlags, 0, m_autoCollection->isChecked());
    trade.tradeFlags = withBit(tradeFlags, 1, m_priceEditing->isChecked());

    trade.internalCodeLength = qint8(m_codeLength->value());
    // What the validator lets stand unfinished ("2", nothing) is brought into
    // the range rather than written as it is.
    trade.weightPrefix = qint8(qBound(WeightPrefixBottom, m_weightPrefix->text().toInt(), WeightPrefixTop));
    trade.keyboardSensitivity = qint8(m_sensitivity->value());
    trade.keySound = m_keySound->isChecked() ? 1 : 0;
    trade.powerOffTimer = qint8(m_powerOffTimer->value());
    trade.displayMode = qint8(m_displayMode->currentIndex() + 1);
    trade.printDensity = qint8(m_density->value());
    trade.fontFlags = withBit<quint8>(keepOtherBits ? trade.fontFlags : 0, 0, m_smallFont->isChecked());

    quint16 printFlags = keepOtherBits ? trade.printFlags : 0;
    printFlags = withBit(printFlags, 0, m_printHeader->isChecked());
    printFlags = withBit(printFlags, 1, m_printFooter->isChecked());
    printFlags = withBit(printFlags, 2, m_printTaxes->isChecked());
    trade.printFlags = withBit(printFlags, 3, m_printQrCode->isChecked());
}

void ConfigTab::setItemEnabled(QComboBox *combo, int index, bool enabled)
{
    if (auto *model = qobject_cast<QStandardItemModel *>(combo->model())) {
        if (QStandardItem *item = model->item(index))
            item->setEnabled(enabled);
    }
}

void ConfigTab::deptCountChanged(int count)
{
    for (int i = 0; i < m_defaultDept->count(); ++i)
        setItemEnabled(m_defaultDept, i, i < count);
    if (m_defaultDept->currentIndex() >= count)
        m_defaultDept->setCurrentIndex(0);
}

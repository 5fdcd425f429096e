#include "configtab.h"

#include "params/records.h"
#include "tabs/amounttext.h"
#include "tabs/decimalvalidator.h"
#include "tabs/devicetab.h"
#include "tabs/tabedits.h"
#include "tabs/tabrules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStandardItemModel>

#include <algorithm>

namespace {

// maxWidth unless the widest value (with its suffix) needs more: "99 с"
// does not fit in 48 pixels with the arrows beside it.
QSpinBox *spinBox(const FieldRange &range, int maxWidth, const QString &suffix = {})
{
    QSpinBox *spin = TabEdits::spinBox(range.key, range.bottom, range.top);
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

ConfigTab::ConfigTab(int family, QWidget *parent)
    : DeviceWidget(parent)
    , m_family(family)
{
    m_grid = new QGridLayout(this);
    QHash<QString, FieldRange> ranges;
    for (const FieldRange &range : configRanges(family))
        ranges.insert(range.key, range);
    const auto range = [&ranges](const char *field) {
        return ranges.value(QStringLiteral("tradeConfig.") + QLatin1String(field));
    };

    QFormLayout *form = addGroup(tr("Отделы"), 0, 0, 2);
    m_deptCount = spinBox(range("departmentCount"), 40);
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
    m_autoCollection = checkBox(QStringLiteral("tradeConfig.tradeFlags.autoCollection"));
    m_priceEditing = checkBox(QStringLiteral("tradeConfig.tradeFlags.priceEditing"));
    form->addRow(tr("Макс. цена:"), m_maxPrice);
    form->addRow(tr("Макс. депозит:"), m_maxDeposit);
    form->addRow(tr("Макс. кол-во:"), m_maxQuantity);
    form->addRow(tr("Автоинкассация:"), m_autoCollection);
    form->addRow(tr("Редакт.цены БД:"), m_priceEditing);

    form = addGroup(tr("Клавиатура"), 1, 0);
    m_sensitivity = spinBox(range("keyboardSensitivity"), 48);
    m_keySound = checkBox(QStringLiteral("tradeConfig.keySound"));
    form->addRow(tr("Чувствительность:"), m_sensitivity);
    form->addRow(tr("Звук клавиш:"), m_keySound);

    form = addGroup(tr("Дисплей"), 1, 1);
    m_powerOffTimer = spinBox(range("powerOffTimer"), 48, tr(" с"));
    m_displayMode = comboBox(QStringLiteral("tradeConfig.displayMode"), 0);
    m_displayMode->addItems({ tr("Дата"), tr("Заряд"), tr("Комбо") });
    form->addRow(tr("Таймер выключения:"), m_powerOffTimer);
    form->addRow(tr("Режим индикации:"), m_displayMode);

    form = addGroup(tr("Сканер штрихкодов"), 2, 0);
    m_codeLength = spinBox(range("internalCodeLength"), 48);
    m_weightPrefix = new QLineEdit;
    m_weightPrefix->setObjectName(QStringLiteral("tradeConfig.weightPrefix"));
    m_weightPrefix->setMaximumWidth(48);
    m_weightPrefix->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Digits only; a number outside 21 to 29 stays as typed (the check names
    // it) rather than being brought into the range on saving.
    m_weightPrefix->setValidator(new QIntValidator(0, 99, m_weightPrefix));
    form->addRow(tr("Размер вн.кода:"), m_codeLength);
    form->addRow(tr("Префикс вес.товара:"), m_weightPrefix);

    form = addGroup(tr("Принтер"), 2, 1);
    m_density = spinBox(range("printDensity"), 48);
    m_smallFont = checkBox(QStringLiteral("tradeConfig.fontFlags"));
    form->addRow(tr("Плотность печати:"), m_density);
    form->addRow(tr("Мелкий шрифт:"), m_smallFont);

    form = addGroup(tr("Печать"), 2, 2);
    m_printHeader = checkBox(QStringLiteral("tradeConfig.printFlags.header"));
    m_printFooter = checkBox(QStringLiteral("tradeConfig.printFlags.footer"));
    m_printTaxes = checkBox(QStringLiteral("tradeConfig.printFlags.taxes"));
    m_printQrCode = checkBox(QStringLiteral("tradeConfig.printFlags.qrCode"));
    form->addRow(tr("Печать заголовка:"), m_printHeader);
    form->addRow(tr("Печать подвала:"), m_printFooter);
    form->addRow(tr("Печать налогов:"), m_printTaxes);
    form->addRow(tr("Печать QR кода:"), m_printQrCode);

    m_grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 3, 0);
    m_grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 4);
}

void ConfigTab::validate(DeviceIssueWidget *issues, const DeviceInfo &)
{
    QHash<QString, QString> values;
    QList<QWidget *> widgets;
    for (QSpinBox *spin : { m_deptCount, m_sensitivity, m_powerOffTimer, m_codeLength, m_density }) {
        values.insert(spin->objectName(), QString::number(spin->value()));
        widgets.append(spin);
    }
    values.insert(m_weightPrefix->objectName(), m_weightPrefix->text());
    widgets.append(m_weightPrefix);
    addFindings(issues, rangeRules(tabCaption(DeviceTab::Config), configRanges(m_family), values),
                TabEdits::byKey(widgets));
}

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
    // Loading shows what is stored: the rules that tie controls together
    // act on the user's changes only.
    const QSignalBlocker blockCount(m_deptCount);
    replaceItems(m_cashier, userNames);
    replaceItems(m_defaultDept, deptNames);
    // A number without a record (0 is never one) chooses nothing.
    m_cashier->setCurrentIndex(trade.defaultCashier - 1);
    m_defaultDept->setCurrentIndex(trade.defaultDepartment - 1);
    TabEdits::showNumber(m_deptCount, trade.departmentCount);

    m_maxPrice->setText(AmountText::amount(trade.maxPrice));
    m_maxDeposit->setText(AmountText::amount(trade.maxDeposit));
    m_maxQuantity->setText(AmountText::quantity(trade.maxQuantity));
    m_autoCollection->setChecked(trade.tradeFlags & 0x1);
    m_priceEditing->setChecked(trade.tradeFlags & 0x2);

    TabEdits::showNumber(m_codeLength, trade.internalCodeLength);
    m_weightPrefix->setText(QString::number(trade.weightPrefix));
    TabEdits::showNumber(m_sensitivity, trade.keyboardSensitivity);
    m_keySound->setChecked(trade.keySound != 0);
    TabEdits::showNumber(m_powerOffTimer, trade.powerOffTimer);
    m_displayMode->setCurrentIndex(trade.displayMode - 1);
    TabEdits::showNumber(m_density, trade.printDensity);
    m_smallFont->setChecked(trade.fontFlags & 0x1);

    m_printHeader->setChecked(trade.printFlags & 0x1);
    m_printFooter->setChecked(trade.printFlags & 0x2);
    m_printTaxes->setChecked(trade.printFlags & 0x4);
    m_printQrCode->setChecked(trade.printFlags & 0x8);

    // Which departments can be chosen follows the count; a stored default
    // beyond it stays as it is.
    for (int i = 0; i < m_defaultDept->count(); ++i)
        setItemEnabled(m_defaultDept, i, i < m_deptCount->value());
}

namespace {

// The field keeps its value unless its control shows something else than
// the value would show.
template<class T, class V> void storeIfChanged(T &field, const V &shown, const V &current, T value)
{
    if (current != shown)
        field = value;
}

} // namespace

void ConfigTab::saveShared(TradeConfig &trade, bool keepOtherBits) const
{
    storeIfChanged(trade.departmentCount, int(trade.departmentCount), m_deptCount->value(),
                   qint8(m_deptCount->value()));
    storeIfChanged(trade.defaultDepartment, indexOf(trade.defaultDepartment, m_defaultDept),
                   m_defaultDept->currentIndex(), qint8(m_defaultDept->currentIndex() + 1));
    storeIfChanged(trade.defaultCashier, indexOf(trade.defaultCashier, m_cashier), m_cashier->currentIndex(),
                   qint16(m_cashier->currentIndex() + 1));

    // Digits below a kopeck that the edit cannot show stay unless the amount is edited.
    storeIfChanged(trade.maxPrice, AmountText::amount(trade.maxPrice), m_maxPrice->text(),
                   AmountText::amountFrom(m_maxPrice->text(), MaxPrice));
    storeIfChanged(trade.maxDeposit, AmountText::amount(trade.maxDeposit), m_maxDeposit->text(),
                   AmountText::amountFrom(m_maxDeposit->text(), MaxDeposit));
    storeIfChanged(trade.maxQuantity, AmountText::quantity(trade.maxQuantity), m_maxQuantity->text(),
                   AmountText::quantityFrom(m_maxQuantity->text(), MaxQuantity));
    if (!bitsShown(trade.tradeFlags, { m_autoCollection, m_priceEditing })) {
        quint32 tradeFlags = keepOtherBits ? trade.tradeFlags : 0;
        tradeFlags = withBit(tradeFlags, 0, m_autoCollection->isChecked());
        trade.tradeFlags = withBit(tradeFlags, 1, m_priceEditing->isChecked());
    }

    storeIfChanged(trade.internalCodeLength, int(trade.internalCodeLength), m_codeLength->value(),
                   qint8(m_codeLength->value()));
    // As typed, also outside 21 to 29 (the check reports it); no number is 0.
    storeIfChanged(trade.weightPrefix, QString::number(trade.weightPrefix), m_weightPrefix->text(),
                   qint8(m_weightPrefix->text().toInt()));
    storeIfChanged(trade.keyboardSensitivity, int(trade.keyboardSensitivity), m_sensitivity->value(),
                   qint8(m_sensitivity->value()));
    storeIfChanged(trade.keySound, trade.keySound != 0, m_keySound->isChecked(),
                   qint8(m_keySound->isChecked() ? 1 : 0));
    storeIfChanged(trade.powerOffTimer, int(trade.powerOffTimer), m_powerOffTimer->value(),
                   qint8(m_powerOffTimer->value()));
    storeIfChanged(trade.displayMode, indexOf(trade.displayMode, m_displayMode),
                   m_displayMode->currentIndex(), qint8(m_displayMode->currentIndex() + 1));
    storeIfChanged(trade.printDensity, int(trade.printDensity), m_density->value(),
                   qint8(m_density->value()));
    if (!bitsShown(trade.fontFlags, { m_smallFont }))
        trade.fontFlags = withBit<quint8>(keepOtherBits ? trade.fontFlags : 0, 0, m_smallFont->isChecked());

    if (!bitsShown(trade.printFlags, { m_printHeader, m_printFooter, m_printTaxes, m_printQrCode })) {
        quint16 printFlags = keepOtherBits ? trade.printFlags : 0;
        printFlags = withBit(printFlags, 0, m_printHeader->isChecked());
        printFlags = withBit(printFlags, 1, m_printFooter->isChecked());
        printFlags = withBit(printFlags, 2, m_printTaxes->isChecked());
        trade.printFlags = withBit(printFlags, 3, m_printQrCode->isChecked());
    }
}

void ConfigTab::orderTabStops()
{
    // Groups row by row across the page, and down each group's form: the
    // order of their cells, not the order the families added them in.
    QList<QPair<QPair<int, int>, QGroupBox *>> groups;
    for (int i = 0; i < m_grid->count(); ++i) {
        auto *group = qobject_cast<QGroupBox *>(m_grid->itemAt(i)->widget());
        if (!group)
            continue;
        int row = 0;
        int column = 0;
        int rowSpan = 0;
        int columnSpan = 0;
        m_grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        groups.append({ { row, column }, group });
    }
    std::sort(groups.begin(), groups.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QWidget *previous = nullptr;
    for (const auto &entry : qAsConst(groups)) {
        const auto *form = qobject_cast<QFormLayout *>(entry.second->layout());
        for (int row = 0; form && row < form->rowCount(); ++row) {
            QLayoutItem *field = form->itemAt(row, QFormLayout::FieldRole);
            QWidget *widget = field ? field->widget() : nullptr;
            if (!widget)
                continue;
            if (previous)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

QCheckBox *ConfigTab::checkBox(const QString &key)
{
    auto *box = new QCheckBox;
    box->setObjectName(key);
    return box;
}

bool ConfigTab::bitsShown(quint32 stored, const QList<const QCheckBox *> &boxes)
{
    for (int bit = 0; bit < boxes.size(); ++bit) {
        if (bool(stored & (1u << bit)) != boxes.at(bit)->isChecked())
            return false;
    }
    return true;
}

int ConfigTab::indexOf(int number, const QComboBox *combo)
{
    return number >= 1 && number <= combo->count() ? number - 1 : -1;
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

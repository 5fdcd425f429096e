#pragma once

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"

#include <QFormLayout>
#include <QLabel>
#include <QtTest>

#include <memory>

// Helpers of the tab tests: parameter sets of either family by number, the
// control of a form row by its label, and a parameter set with a value off
// its default in every field the tabs edit.

inline std::unique_ptr<DeviceParams> makeParams(int family)
{
    return std::unique_ptr<DeviceParams>(DeviceParams::create(QStringLiteral("2.%1.*").arg(family)));
}

// The fields both families' trade settings share.
inline TradeConfig &tradeOf(DeviceParams &params)
{
    if (auto *p = qobject_cast<DeviceParams53 *>(&params))
        return p->tradeConfig;
    return static_cast<DeviceParams52 &>(params).tradeConfig;
}

// A field's stored value by its path, as an integer.
inline qint64 intValue(const DeviceParams &params, const QString &path)
{
    ParamValue value;
    QString error;
    if (!params.value(path, &value, &error))
        qWarning() << error;
    return value.text.toLongLong();
}

// The control of the form row labelled label, anywhere on the tab.
template<class T> T *formField(QWidget *tab, const QString &label)
{
    const QList<QFormLayout *> forms = tab->findChildren<QFormLayout *>();
    for (QFormLayout *form : forms) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem *labelItem = form->itemAt(row, QFormLayout::LabelRole);
            QLayoutItem *fieldItem = form->itemAt(row, QFormLayout::FieldRole);
            auto *text = labelItem ? qobject_cast<QLabel *>(labelItem->widget()) : nullptr;
            if (text && fieldItem && text->text() == label)
                return qobject_cast<T *>(fieldItem->widget());
        }
    }
    return nullptr;
}

// In range, amounts to the kopeck, flags with only the bits a box shows,
// six receipt lines, one taxation bit per department: a set the four tabs
// show and write back without a change.
inline std::unique_ptr<DeviceParams> editedParams(int family)
{
    std::unique_ptr<DeviceParams> params = makeParams(family);
    TradeConfig &t = tradeOf(*params);
    t.defaultDepartment = 3;
    t.departmentCount = 5;
    t.internalCodeLength = 3;
    t.weightPrefix = 27;
    t.printDensity = family == 52 ? 4 : 0;
    t.fontFlags = 1;
    t.keyboardSensitivity = 2;
    t.keySound = 0;
    t.powerOffTimer = 42;
    t.displayMode = 2;
    t.printFlags = 0x000B;
    t.maxPrice = 1234567800;
    t.maxDeposit = 99900;
    t.maxQuantity = 1234560;
    t.tradeFlags = 0x2;
    t.defaultCashier = 9;
    if (auto *p = qobject_cast<DeviceParams53 *>(params.get())) {
        p->tradeConfig.paymentKinds = 0x1A;
        p->tradeConfig.tradeModes = 0x23;
    }

    const QStringList positions = { " Кассир ",   "Старший продавец", "Продавец", "Товаровед",
                                    "Заведующий", "Бухгалтер",        "Охрана",   "Стажёр" };
    for (int k = 0; k < positions.size(); ++k)
        params->positions[k].setText(positions.at(k));
    const int vatRates[] = { 1, 2, 3, 4, 5, 6, 0, 9 };
    for (int k = 0; k < params->departments.size(); ++k) {
        DepartmentRecord &d = params->departments[k];
        d.name.setText(QStringLiteral("Секция №%1").arg(k + 1, 3, 10, QLatin1Char('0')));
        d.vatRate = qint8(vatRates[k % 8]);
        d.taxSystems = k % 9 == 0 ? 0 : quint8(1u << (k % 9 - 1));
    }
    params->departments[2].name.setText(QStringLiteral("Бытовая хим."));
    params->receiptHeader.setLines(
        { "ООО \"Ромашка\"", "г. Москва", "ул. Садовая, д. 5", "ИНН 7725012341", "", "Добро пожаловать!" });
    params->receiptFooter.setLines({ "Спасибо за покупку!", "Ждём вас снова", "", "", "тел. 8-800-000-00-00",
                                     "1234567890123456789012" });
    return params;
}

// The images of a parameter set written over bytes that are all non-zero, so
// that bytes no field covers show whether anything touched them.
inline QByteArray imageOf(const DeviceParams &params, QByteArray *system)
{
    QByteArray image(0x1500, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 31 + 7) % 255 + 1);
    *system = image.left(0x400);
    params.toImage(image, *system);
    return image;
}

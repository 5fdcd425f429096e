#include "paramfield.h"

#include "params/fieldconvert.h"

#include <QObject>

int FieldInfo::decimals() const
{
    switch (kind) {
    case FieldKind::Amount:
        return 2;
    case FieldKind::Quantity:
        return 3;
    default:
        return 0;
    }
}

QString FieldInfo::describe() const
{
    QString text;
    switch (kind) {
    case FieldKind::Text:
        text = QObject::tr("текст до %1 байт").arg(size);
        break;
    case FieldKind::Lines:
        text = QObject::tr("строки текста, всего до %1 байт").arg(size);
        break;
    case FieldKind::Integer:
        text = FieldConvert::integerType(*this);
        break;
    case FieldKind::Amount:
        text = QObject::tr("сумма, 2 знака после точки");
        break;
    case FieldKind::Quantity:
        text = QObject::tr("количество, 3 знака после точки");
        break;
    case FieldKind::Digits:
        text = QObject::tr("цифры, до %1").arg(size);
        break;
    case FieldKind::Barcode:
        text = QObject::tr("штрихкод, до %1 цифр и контрольная").arg(size);
        break;
    case FieldKind::DateTime:
        text = QObject::tr("дата и время");
        break;
    case FieldKind::Bytes:
        text = QObject::tr("%1 байт").arg(size);
        break;
    }
    switch (role) {
    case FieldRole::Setting:
        return text;
    case FieldRole::Kept:
        return QObject::tr("сохраняется без изменений (%1)").arg(text);
    case FieldRole::Identity:
        return QObject::tr("заводской номер ККТ (%1)").arg(text);
    }
    return text;
}

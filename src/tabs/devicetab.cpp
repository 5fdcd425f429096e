#include "devicetab.h"

#include <QCoreApplication>

QString tabCaption(DeviceTab tab)
{
    switch (tab) {
    case DeviceTab::Config:
        return QCoreApplication::translate("DeviceTab", "Конфигурация");
    case DeviceTab::Positions:
        return QCoreApplication::translate("DeviceTab", "Должности");
    case DeviceTab::Users:
        return QCoreApplication::translate("DeviceTab", "Пользователи");
    case DeviceTab::Departments:
        return QCoreApplication::translate("DeviceTab", "Отделы");
    case DeviceTab::Organisation:
        return QCoreApplication::translate("DeviceTab", "Реквизиты организации");
    case DeviceTab::Design:
        return QCoreApplication::translate("DeviceTab", "Дизайн чека");
    case DeviceTab::Ofd:
        return QCoreApplication::translate("DeviceTab", "Настройки ОФД");
    case DeviceTab::Registration:
        return QCoreApplication::translate("DeviceTab", "Регистрационные данные");
    }
    return {};
}

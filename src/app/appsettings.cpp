#include "appsettings.h"

#include <QCoreApplication>

AppSettings::AppSettings(QObject *parent)
    : SettingsStore(parent)
{
}

void AppSettings::applyIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvant-eng.ru"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
}

#include "appsettings.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

AppSettings::WriteErrorHandler &writeErrorHandler()
{
    static AppSettings::WriteErrorHandler handler;
    return handler;
}

} // namespace

void AppSettings::applyIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvant-eng.ru"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
}

AppSettings::AppSettings(QObject *parent)
    : QObject(parent)
    , m_settings(new QSettings)
{
}

AppSettings::~AppSettings()
{
    sync();
    delete m_settings;
}

bool AppSettings::sync()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::AccessError)
        return true;
    if (!m_reported && writeErrorHandler()) {
        m_reported = true;
        writeErrorHandler()(m_settings->fileName());
    }
    return false;
}

void AppSettings::setWriteErrorHandler(WriteErrorHandler handler)
{
    writeErrorHandler() = std::move(handler);
}

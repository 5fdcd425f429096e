#include "settingsstore.h"

#include <QSettings>

namespace {

SettingsStore::WriteErrorHandler &writeErrorHandler()
{
    static SettingsStore::WriteErrorHandler handler;
    return handler;
}

} // namespace

SettingsStore::SettingsStore(QObject *parent)
    : QObject(parent)
    , m_settings(new QSettings)
{
}

SettingsStore::~SettingsStore()
{
    sync();
    delete m_settings;
}

bool SettingsStore::sync()
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

void SettingsStore::setWriteErrorHandler(WriteErrorHandler handler)
{
    writeErrorHandler() = std::move(handler);
}

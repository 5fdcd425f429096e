#include "settingsstore.h"

#include "storeformat.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

// The store QSettings() would open, read and written through StoreFormat.
// On Windows that is the same INI file, in the roaming application data
// folder, not the registry QSettings() would pick: a profile holds megabytes
// of goods image, far more than a registry value is meant for, and the file
// is the one Linux builds write, so a store moves between the two. macOS
// keeps its property lists.
QSettings *openStore()
{
#if defined(Q_OS_DARWIN)
    return new QSettings;
#else
    const QSettings::Format format = StoreFormat::format();
    if (format == QSettings::InvalidFormat)
        return new QSettings;
    const QString organisation = QCoreApplication::organizationName().isEmpty()
        ? QCoreApplication::organizationDomain()
        : QCoreApplication::organizationName();
    return new QSettings(format, QSettings::UserScope, organisation, QCoreApplication::applicationName());
#endif
}

SettingsStore::WriteErrorHandler &writeErrorHandler()
{
    static SettingsStore::WriteErrorHandler handler;
    return handler;
}

} // namespace

SettingsStore::SettingsStore(QObject *parent)
    : QObject(parent)
    , m_settings(openStore())
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

#pragma once

#include <QObject>

#include <functional>

class QSettings;

// Owner of one short-lived handle on the per-user settings store, below
// every user of the store (profiles, device list). The store is written out
// when the object goes. The application's name for it is AppSettings.
class SettingsStore : public QObject
{
    Q_OBJECT

public:
    explicit SettingsStore(QObject *parent = nullptr);
    ~SettingsStore() override;

    QSettings *settings() const { return m_settings; }

    // Writes pending changes now; false when the store could not be written.
    // A failure is also handed to the write error handler, once per object.
    bool sync();

    // Called with the store's file name whenever a write fails, so that the
    // GUI can tell the user instead of losing the change silently.
    using WriteErrorHandler = std::function<void(const QString &fileName)>;
    static void setWriteErrorHandler(WriteErrorHandler handler);

private:
    QSettings *m_settings = nullptr;
    bool m_reported = false;
};

#pragma once

#include <QSettings>
#include <QString>

// Opens a settings group for one scope and closes it when the scope ends,
// so that no early return leaves the store inside a group. Nest one guard
// per level: SettingsGroup profiles(s, "profiles"); SettingsGroup one(s, key);
class SettingsGroup
{
public:
    SettingsGroup(QSettings *settings, const QString &name)
        : m_settings(settings)
    {
        m_settings->beginGroup(name);
    }
    ~SettingsGroup() { m_settings->endGroup(); }

    SettingsGroup(const SettingsGroup &) = delete;
    SettingsGroup &operator=(const SettingsGroup &) = delete;

private:
    QSettings *m_settings;
};

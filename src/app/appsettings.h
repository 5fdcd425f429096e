#pragma once

#include "store/settingsstore.h"

// The application's handle on its per-user settings store: the store helper
// below every layer, plus the identity that locates the store.
class AppSettings : public SettingsStore
{
    Q_OBJECT

public:
    explicit AppSettings(QObject *parent = nullptr);

    // Organisation and application identity that locate the store; set on
    // the application object before anything else runs.
    static void applyIdentity();
};

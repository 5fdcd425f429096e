#pragma once

#include <functional>

class QString;
class QWidget;

// A question box with the buttons Yes and No (their Russian texts come from
// Qt's translation, see qttranslation.h). True on Yes.
enum class DefaultAnswer { Yes, No };
bool askYesNo(QWidget *parent, const QString &title, const QString &text,
              DefaultAnswer defaultAnswer = DefaultAnswer::Yes);

// Before a window with changes not saved closes: "Сохранить изменения в
// профиль?" with Yes (save, then close only if saved), No (close) and Cancel
// (keep the window). True when the window may close.
bool mayCloseAfterSaving(QWidget *window, const std::function<bool()> &save);

// Before a profile is stored under a register's serial number: one that
// cannot key a profile as it is (DeviceProfile::isStorableKey, an entry of
// an older store) is refused in a warning box titled title that says why
// and that nothing was saved. True when the profile may be stored.
bool mayStoreProfile(QWidget *parent, const QString &title, const QString &serial);

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

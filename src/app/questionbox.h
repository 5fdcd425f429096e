#pragma once

class QString;
class QWidget;

// A question box with the buttons Yes and No (their Russian texts come from
// Qt's translation, see qttranslation.h). True on Yes.
enum class DefaultAnswer { Yes, No };
bool askYesNo(QWidget *parent, const QString &title, const QString &text,
              DefaultAnswer defaultAnswer = DefaultAnswer::Yes);

#pragma once

#include <QValidator>

class QLineEdit;

// Refuses typed or pasted text that the register's code page cannot hold
// (an emoji, CJK text, …), so such a character never reaches the register as
// "?". The refused character is named in a tool tip at the edit, so the user
// sees why the key did nothing.
class CodePageValidator : public QValidator
{
    Q_OBJECT

public:
    explicit CodePageValidator(QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

    // Gives the edit a validator of its own (parented to it).
    static void install(QLineEdit *edit);
};

#pragma once

class QString;
class QWidget;

// A Yes/No question box whose buttons read in Russian (no Qt translation is
// loaded, so the standard buttons would read "Yes" and "No"). True on Yes.
bool askYesNo(QWidget *parent, const QString &title, const QString &text);

#pragma once

#include <QString>
#include <QStringList>

// Hides serial numbers and taxpayer numbers in a text that leaves the
// user's hands (the diagnostics file): each keeps only its last four
// characters, the rest turned into '*', so the text keeps its length and
// layout and a register can still be told from the others.
namespace IdentifierMask {

// "0530000002" -> "******0002". Four characters or fewer stay as they are.
QString mask(const QString &identifier);

// The text with every occurrence of the given identifiers masked (longer
// ones first, exact letter case), and every run of ten or more digits too:
// taxpayer numbers have 10 or 12 digits, and a serial number or taxpayer
// number the list does not know (one typed into a register's name) is
// caught that way.
QString maskText(const QString &text, const QStringList &identifiers);

} // namespace IdentifierMask

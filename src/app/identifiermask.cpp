#include "identifiermask.h"

#include <QRegularExpression>

#include <algorithm>

namespace IdentifierMask {

namespace {

constexpr int Shown = 4;

} // namespace

QString mask(const QString &identifier)
{
    if (identifier.size() <= Shown)
        return identifier;
    return QString(identifier.size() - Shown, QLatin1Char('*')) + identifier.right(Shown);
}

QString maskText(const QString &text, const QStringList &identifiers)
{
    QStringList known;
    for (const QString &id : identifiers) {
        if (id.size() > Shown && !known.contains(id))
            known.append(id);
    }
    // A longer identifier may hold a shorter one; masked first, it is masked whole.
    std::stable_sort(known.begin(), known.end(),
                     [](const QString &a, const QString &b) { return a.size() > b.size(); });
    QString out = text;
    for (const QString &id : qAsConst(known))
        out.replace(id, mask(id));

    static const QRegularExpression digitRun(QStringLiteral("[0-9]{10,}"));
    QRegularExpressionMatchIterator it = digitRun.globalMatch(out);
    QString masked = out;
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        masked.replace(match.capturedStart(), match.capturedLength(), mask(match.captured()));
    }
    return masked;
}

} // namespace IdentifierMask

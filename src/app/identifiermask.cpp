#include "identifiermask.h"

#include <QRegularExpression>

#include <functional>
#include <map>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace IdentifierMask {

namespace {

constexpr int Shown = 4;

std::u16string_view view(const QString &text, int from, int length)
{
    return { reinterpret_cast<const char16_t *>(text.utf16()) + from, size_t(length) };
}

// Masks the identifier at text[from, from + length) in place.
void hide(QString &text, int from, int length)
{
    for (int k = from; k < from + length - Shown; ++k)
        text[k] = QLatin1Char('*');
}

} // namespace

QString mask(const QString &identifier)
{
    if (identifier.size() <= Shown)
        return identifier;
    return QString(identifier.size() - Shown, QLatin1Char('*')) + identifier.right(Shown);
}

QString maskText(const QString &text, const QStringList &identifiers)
{
    // One pass over the text, looking up the identifiers by their length at
    // each place where one could start, the longest first: a file of 10 000
    // journal lines and 500 registers costs about as much as a few dozen
    // replace() calls, not 500.
    std::map<int, std::unordered_set<std::u16string_view>, std::greater<int>> byLength;
    std::vector<bool> starts(0x10000, false);
    for (const QString &id : identifiers) {
        if (id.size() <= Shown)
            continue;
        byLength[id.size()].insert(view(id, 0, id.size()));
        starts[id.at(0).unicode()] = true;
    }
    QString out = text;
    const int size = text.size();
    for (int i = 0; i < size;) {
        int found = 0;
        if (starts[text.at(i).unicode()]) {
            for (const auto &bucket : byLength) {
                if (bucket.first <= size - i && bucket.second.count(view(text, i, bucket.first))) {
                    found = bucket.first;
                    break;
                }
            }
        }
        if (found == 0) {
            ++i;
            continue;
        }
        hide(out, i, found);
        i += found;
    }

    static const QRegularExpression digitRun(QStringLiteral("[0-9]{10,}"));
    const QString identifiersMasked = out;
    QRegularExpressionMatchIterator it = digitRun.globalMatch(identifiersMasked);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        hide(out, match.capturedStart(), match.capturedLength());
    }
    return out;
}

} // namespace IdentifierMask

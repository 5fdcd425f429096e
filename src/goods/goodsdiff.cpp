#include "goodsdiff.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QVector>

#include <functional>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("GoodsDifferences", text);
}

qint64 hundredths(double price)
{
    return qRound64(price * 100);
}

QString priceText(double price)
{
    return QLocale::c().toString(double(hundredths(price)) / 100, 'f', 2);
}

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("—") : text;
}

QString quoted(const QString &name)
{
    return QStringLiteral("«%1»").arg(name);
}

QString wholeRow(const Goods &g)
{
    return tr("%1, код %2, штрихкод %3, цена %4, отдел %5")
        .arg(quoted(g.name), orDash(g.intcode), orDash(g.barcode), priceText(g.price))
        .arg(g.dept);
}

QString changes(const Goods &a, const Goods &b)
{
    QStringList parts;
    const auto field = [&parts](const QString &what, const QString &x, const QString &y) {
        if (x != y)
            parts.append(QStringLiteral("%1 %2 -> %3").arg(what, x, y));
    };
    field(tr("название"), quoted(a.name), quoted(b.name));
    field(tr("код"), orDash(a.intcode), orDash(b.intcode));
    field(tr("штрихкод"), orDash(a.barcode), orDash(b.barcode));
    field(tr("цена"), priceText(a.price), priceText(b.price));
    field(tr("отдел"), QString::number(a.dept), QString::number(b.dept));
    return parts.join(QStringLiteral(", "));
}

QString rowKey(const Goods &g)
{
    // Fields joined by a character no register text holds.
    const QChar sep(0x1F);
    return g.name + sep + g.intcode + sep + g.barcode + sep + QString::number(hundredths(g.price)) + sep
        + QString::number(g.dept);
}

} // namespace

QStringList goodsDifferences(const GoodsList &before, const GoodsList &after)
{
    QVector<int> partner(after.size(), -1); // the before row each after row pairs with
    QVector<bool> taken(before.size(), false);

    // One pass: pairs rows still unpaired whose key (empty: no key) is equal,
    // the earliest rows first.
    const auto pairBy = [&](const std::function<QString(const Goods &)> &key) {
        QHash<QString, QVector<int>> open;
        for (int i = before.size() - 1; i >= 0; --i) {
            if (taken[i])
                continue;
            const QString k = key(before[i]);
            if (!k.isEmpty())
                open[k].append(i);
        }
        for (int j = 0; j < after.size(); ++j) {
            if (partner[j] >= 0)
                continue;
            const QString k = key(after[j]);
            if (k.isEmpty())
                continue;
            auto it = open.find(k);
            if (it == open.end() || it->isEmpty())
                continue;
            const int i = it->takeLast();
            partner[j] = i;
            taken[i] = true;
        }
    };
    pairBy(rowKey);
    pairBy([](const Goods &g) { return g.intcode; });
    pairBy([](const Goods &g) { return g.barcode; });
    pairBy([](const Goods &g) { return g.name; });

    QStringList lines;
    for (int j = 0; j < after.size(); ++j) {
        const int i = partner[j];
        if (i < 0) {
            lines.append(tr("Добавлен товар (строка %1): %2").arg(j + 1).arg(wholeRow(after[j])));
            continue;
        }
        const QString changed = changes(before[i], after[j]);
        if (changed.isEmpty())
            continue;
        // A renamed row is named by its change.
        if (before[i].name != after[j].name)
            lines.append(tr("Изменён товар (строка %1): %2").arg(j + 1).arg(changed));
        else
            lines.append(
                tr("Изменён товар (строка %1): %2: %3").arg(j + 1).arg(quoted(after[j].name), changed));
    }
    for (int i = 0; i < before.size(); ++i) {
        if (!taken[i])
            lines.append(tr("Удалён товар (была строка %1): %2").arg(i + 1).arg(wholeRow(before[i])));
    }
    return lines;
}

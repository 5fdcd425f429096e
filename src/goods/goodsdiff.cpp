#include "goodsdiff.h"

#include "params/paramsdiff.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonValue>
#include <QLocale>

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
    return text.isEmpty() ? QStringLiteral("—") : displayText(text);
}

QString quoted(const QString &name)
{
    return displayText(jsonScalar(QJsonValue(name)));
}

QString restOfRow(const Goods &g)
{
    return tr("штрихкод %1, цена %2, отдел %3").arg(orDash(g.barcode), priceText(g.price)).arg(g.dept);
}

QVector<int> differingColumns(const Goods &a, const Goods &b)
{
    QVector<int> columns;
    if (a.name != b.name)
        columns.append(GoodsNameColumn);
    if (a.intcode != b.intcode)
        columns.append(GoodsIntcodeColumn);
    if (a.barcode != b.barcode)
        columns.append(GoodsBarcodeColumn);
    if (hundredths(a.price) != hundredths(b.price))
        columns.append(GoodsPriceColumn);
    if (a.dept != b.dept)
        columns.append(GoodsDeptColumn);
    return columns;
}

QString changeText(const GoodsRowChange &c)
{
    QStringList parts;
    for (const int column : c.columns) {
        switch (column) {
        case GoodsNameColumn:
            parts.append(tr("название %1 -> %2").arg(quoted(c.before.name), quoted(c.after.name)));
            break;
        case GoodsIntcodeColumn:
            parts.append(tr("код %1 -> %2").arg(orDash(c.before.intcode), orDash(c.after.intcode)));
            break;
        case GoodsBarcodeColumn:
            parts.append(tr("штрихкод %1 -> %2").arg(orDash(c.before.barcode), orDash(c.after.barcode)));
            break;
        case GoodsPriceColumn:
            parts.append(tr("цена %1 -> %2").arg(priceText(c.before.price), priceText(c.after.price)));
            break;
        case GoodsDeptColumn:
            parts.append(tr("отдел %1 -> %2").arg(c.before.dept).arg(c.after.dept));
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString rowKey(const Goods &g)
{
    // Fields joined by a character no register text holds.
    const QChar sep(0x1F);
    return g.name + sep + g.intcode + sep + g.barcode + sep + QString::number(hundredths(g.price)) + sep
        + QString::number(g.dept);
}

class Pairing
{
public:
    Pairing(const GoodsList &before, const GoodsList &after)
        : m_before(before)
        , m_after(after)
        , m_partner(after.size(), -1)
        , m_taken(before.size(), false)
    {
    }

    // Pairs rows still unpaired whose keys (empty: no key) are equal, the
    // earliest rows first. With codeless, two rows that both have an
    // internal code never pair: they are different goods.
    void pairBy(const std::function<QString(const Goods &)> &key, bool codeless)
    {
        // Per key, the open rows with an internal code and those without,
        // each a stack with the earliest row on top.
        QHash<QString, QVector<int>> open[2];
        for (int i = m_before.size() - 1; i >= 0; --i) {
            if (m_taken[i])
                continue;
            const QString k = key(m_before[i]);
            if (!k.isEmpty())
                open[codeless && m_before[i].intcode.isEmpty()][k].append(i);
        }
        for (int j = 0; j < m_after.size(); ++j) {
            if (m_partner[j] >= 0)
                continue;
            const QString k = key(m_after[j]);
            if (k.isEmpty())
                continue;
            QVector<int> *withCode = open[0].contains(k) ? &open[0][k] : nullptr;
            QVector<int> *withoutCode = open[1].contains(k) ? &open[1][k] : nullptr;
            if (codeless && !m_after[j].intcode.isEmpty())
                withCode = nullptr;
            QVector<int> *from = withCode && !withCode->isEmpty() ? withCode : nullptr;
            if (withoutCode && !withoutCode->isEmpty() && (!from || withoutCode->last() < from->last()))
                from = withoutCode;
            if (!from)
                continue;
            const int i = from->takeLast();
            m_partner[j] = i;
            m_taken[i] = true;
        }
    }

    int partner(int afterRow) const { return m_partner[afterRow]; }
    bool taken(int beforeRow) const { return m_taken[beforeRow]; }

private:
    const GoodsList &m_before;
    const GoodsList &m_after;
    QVector<int> m_partner; // the before row each after row pairs with
    QVector<bool> m_taken;
};

} // namespace

GoodsComparison compareGoods(const GoodsList &before, const GoodsList &after)
{
    Pairing pairing(before, after);
    pairing.pairBy(rowKey, false);
    pairing.pairBy([](const Goods &g) { return g.intcode; }, false);
    pairing.pairBy([](const Goods &g) { return g.barcode; }, true);
    pairing.pairBy([](const Goods &g) { return g.name; }, true);

    GoodsComparison result;
    for (int j = 0; j < after.size(); ++j) {
        GoodsRowChange change;
        change.afterRow = j;
        change.after = after[j];
        const int i = pairing.partner(j);
        if (i < 0) {
            change.kind = GoodsRowChange::Added;
            ++result.added;
            result.changes.append(change);
            continue;
        }
        change.columns = differingColumns(before[i], after[j]);
        if (change.columns.isEmpty()) {
            ++result.unchanged;
            continue;
        }
        change.beforeRow = i;
        change.before = before[i];
        ++result.changed;
        result.changes.append(change);
    }
    for (int i = 0; i < before.size(); ++i) {
        if (pairing.taken(i))
            continue;
        GoodsRowChange change;
        change.kind = GoodsRowChange::Removed;
        change.beforeRow = i;
        change.before = before[i];
        ++result.removed;
        result.changes.append(change);
    }
    return result;
}

QStringList GoodsComparison::lines() const
{
    QStringList out;
    out.reserve(changes.size());
    for (const GoodsRowChange &c : changes) {
        switch (c.kind) {
        case GoodsRowChange::Added:
            out.append(tr("%1: добавлен, %2").arg(goodsRowName(c.after), restOfRow(c.after)));
            break;
        case GoodsRowChange::Removed:
            out.append(tr("%1: удалён, %2").arg(goodsRowName(c.before), restOfRow(c.before)));
            break;
        case GoodsRowChange::Changed:
            out.append(QStringLiteral("%1: %2").arg(goodsRowName(c.after), changeText(c)));
            break;
        }
    }
    return out;
}

QString GoodsComparison::summary() const
{
    return tr("Добавлено: %1, удалено: %2, изменено: %3, без изменений: %4")
        .arg(added)
        .arg(removed)
        .arg(changed)
        .arg(unchanged);
}

QString goodsRowName(const Goods &g)
{
    return QStringLiteral("%1 %2").arg(g.intcode.isEmpty() ? tr("без кода") : displayText(g.intcode),
                                       quoted(g.name));
}

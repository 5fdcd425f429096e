#pragma once

#include "goods/goods.h"

#include <QRandomGenerator>
#include <QtTest>

// Rows of the kind a catalogue holds, with the awkward characters the files
// and images must carry: Cyrillic, quotes, separators, blanks at the ends.
inline GoodsList randomGoods(int count, quint32 seed)
{
    static const QStringList words = {
        QStringLiteral("Молоко"),   QStringLiteral("\"Весёлый\""), QStringLiteral("молочник;"),
        QStringLiteral("3,2%"),     QStringLiteral("1 л"),         QStringLiteral("Хлеб \"Бородинский\""),
        QStringLiteral("Tea"),      QStringLiteral("№5"),          QStringLiteral("«Ёлка»"),
        QStringLiteral("сыр \"\""), QStringLiteral(" край "),      QStringLiteral("'a'"),
    };
    QRandomGenerator rng(seed);
    GoodsList rows;
    for (int i = 0; i < count; ++i) {
        Goods g;
        const int n = rng.bounded(1, 5);
        for (int w = 0; w < n; ++w)
            g.name += (w ? QStringLiteral(" ") : QString()) + words.at(rng.bounded(words.size()));
        g.name = g.name.left(GoodsNameBytes);
        g.intcode = QString::number(rng.bounded(1, 99999));
        for (int d = 0; d < 13; ++d)
            g.barcode += QChar('0' + rng.bounded(10));
        g.price = rng.bounded(0, 10000000) / 100.0;
        g.dept = rng.bounded(1, 17);
        rows.append(g);
    }
    return rows;
}

Q_DECLARE_METATYPE(Goods)

inline QString describe(const Goods &g)
{
    return QStringLiteral("{%1|%2|%3|%4|%5}")
        .arg(g.name, g.intcode, g.barcode)
        .arg(g.price, 0, 'f', 4)
        .arg(g.dept);
}

// Empty when the lists hold the same rows (prices to the hundredth);
// otherwise names the first difference.
inline QString goodsDifference(const GoodsList &actual, const GoodsList &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("%1 rows instead of %2").arg(actual.size()).arg(expected.size());
    for (int i = 0; i < actual.size(); ++i) {
        const Goods &a = actual.at(i);
        const Goods &e = expected.at(i);
        if (a.name != e.name || a.intcode != e.intcode || a.barcode != e.barcode || a.dept != e.dept
            || qRound64(a.price * 100) != qRound64(e.price * 100))
            return QStringLiteral("row %1: %2 instead of %3").arg(i).arg(describe(a), describe(e));
    }
    return QString();
}

#define COMPARE_GOODS(actual, expected)                                                                      \
    do {                                                                                                     \
        const QString difference_ = goodsDifference((actual), (expected));                                   \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                                            \
    } while (false)

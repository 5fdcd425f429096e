#pragma once

#include "goods/goods.h"
#include "goods/goodscsv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

// A catalogue as shops keep them: Cyrillic names (now and then with quotes),
// five-digit internal codes, valid 13-digit barcodes, prices in kopecks,
// sixteen departments.
inline GoodsList generateGoods(int count, quint32 seed = 2024)
{
    static const QStringList kinds = {
        "Молоко",           "Кефир",  "Сыр",    "Хлеб",     "Батон",
        "Масло сливочное",  "Йогурт", "Творог", "Сметана",  "Колбаса",
        "Сосиски",          "Чай",    "Кофе",   "Сахар",    "Мука",
        "Макароны",         "Гречка", "Рис",    "Печенье",  "Шоколад",
        "Вода минеральная", "Сок",    "Квас",   "Пельмени", "Яйцо куриное",
    };
    static const QStringList marks = {
        "\"Домик в деревне\"", "\"Простоквашино\"",     "«Вкусное»",   "Российский", "Бородинский",
        "пастеризованное",     "ультрапастеризованное", "высший сорт", "отборное",   "\"Весёлый молочник\"",
    };
    static const QStringList sizes = { "1 л", "0,5 л", "900 г", "450 г", "200 г", "1 кг", "10 шт", "3,2%" };
    QRandomGenerator rng(seed);
    GoodsList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        Goods g;
        g.name = kinds.at(rng.bounded(kinds.size())) + ' ' + marks.at(rng.bounded(marks.size())) + ' '
            + sizes.at(rng.bounded(sizes.size()));
        g.intcode = QString::number(rng.bounded(1, 100000));
        char digits[14];
        digits[0] = '4';
        digits[1] = '6';
        int sum = 4 + 3 * 6;
        for (int d = 2; d < 12; ++d) {
            digits[d] = char('0' + rng.bounded(10));
            sum += (digits[d] - '0') * (d % 2 ? 3 : 1);
        }
        digits[12] = char('0' + (10 - sum % 10) % 10);
        digits[13] = 0;
        g.barcode = QString::fromLatin1(digits);
        g.price = rng.bounded(100, 1000000) / 100.0;
        g.dept = rng.bounded(1, 17);
        rows.append(g);
    }
    return rows;
}

// Wall-clock and this thread's CPU time. The machines are shared: CPU time
// shows the work itself, wall time what a user would wait.
struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
};

inline double threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Medians over runs; f(i) runs once per run, between() after each run,
// outside the timing.
template<typename F, typename G> Timing measure(int runs, F f, G between)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = threadCpuMs();
        t.start();
        f();
        wall.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - c0);
        between();
    }
    return { median(wall), median(cpu) };
}

template<typename F> Timing measure(int runs, F f)
{
    return measure(runs, f, [] {});
}

// One line per figure: value, same-run reference and ratio, by wall-clock
// and by CPU time, and the goal (a ratio).
inline void report(const char *what, Timing t, const char *reference, Timing ref, const char *goal)
{
    std::printf("%-40s wall %7.1f ms  cpu %7.1f ms   reference (%s): wall %7.1f ms  cpu %7.1f ms   "
                "ratio wall %5.2f  cpu %5.2f   goal %s\n",
                what, t.wallMs, t.cpuMs, reference, ref.wallMs, ref.cpuMs, t.wallMs / ref.wallMs,
                t.cpuMs / ref.cpuMs, goal);
    std::fflush(stdout);
}

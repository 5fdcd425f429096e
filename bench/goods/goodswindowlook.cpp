// Opens the goods window on a CSV file, sorts, scrolls, checks, and saves a
// screenshot after each step: for looking at the window as a user sees it.
//
//   xvfb-run -a build/bench/goods/goods_window_look goods.csv shots/
#include "app/appsettings.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "window/goodsissuewidget.h"
#include "window/issuelistmodel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void shot(QWidget *w, const QString &dir, const char *name)
{
    QApplication::processEvents();
    wait(50);
    const QString path = QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: goods_window_look FILE.csv SHOTS_DIR\n");
        return 2;
    }
    // A private settings store: nothing of the user's is read or written.
    QTemporaryDir store;
    qputenv("XDG_CONFIG_HOME", store.path().toLocal8Bit());
    AppSettings::applyIdentity();
    const QString dir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(dir);

    GoodsWindow w;
    w.setup(QStringLiteral("0530000002"), 0, QStringLiteral("127.0.0.3"), 8080,
            { QStringLiteral("Бакалея"), QStringLiteral("Молочный"), QStringLiteral("Хлеб"),
              QStringLiteral("Напитки") });
    w.setDeviceName(QStringLiteral("Касса 1"));
    w.show();
    while (!w.windowHandle() || !w.windowHandle()->isExposed())
        wait(10);
    QElapsedTimer t;
    t.start();
    const bool loaded = w.loadFile(QString::fromLocal8Bit(argv[1]));
    std::printf("load %s: %lld ms, %d rows\n", loaded ? "ok" : "failed", t.elapsed(), w.model()->rowCount());
    // Round prices, the kind a 'g' format would show with an exponent.
    w.model()->setData(w.model()->index(0, GoodsPriceColumn), 1500.0);
    w.model()->setData(w.model()->index(1, GoodsPriceColumn), 1000000.0);
    w.model()->setData(w.model()->index(2, GoodsPriceColumn), 0.5);
    shot(&w, dir, "1-loaded");

    t.restart();
    w.view()->sortByColumn(GoodsPriceColumn, Qt::DescendingOrder);
    std::printf("sort by price: %lld ms\n", t.elapsed());
    shot(&w, dir, "2-sorted-by-price");

    w.view()->scrollToBottom();
    shot(&w, dir, "3-scrolled-to-end");

    t.restart();
    w.filterEdit()->setText(QStringLiteral("молоко 1"));
    std::printf("filter: %lld ms, %d rows shown\n", t.elapsed(), w.proxy()->rowCount());
    shot(&w, dir, "3a-filtered");

    t.restart();
    w.onValidate();
    std::printf("check: %lld ms, %d findings\n", t.elapsed(), w.issueWidget()->model()->rowCount());
    shot(&w, dir, "4-checked");

    if (w.issueWidget()->model()->rowCount() > 1) {
        const QModelIndex second = w.issueWidget()->model()->index(1, 0);
        w.issueWidget()->showIssue(second);
        shot(&w, dir, "5-finding-opened");
    }

    // Removing many rows asks first; the answer is "Да".
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Yes)->click();
    });
    answer.start(20);
    t.restart();
    w.view()->selectAll();
    w.onRemoveGoods();
    std::printf("remove all selected (with the question): %lld ms, %d rows left\n", t.elapsed(),
                w.model()->rowCount());
    shot(&w, dir, "8-all-removed");
    t.restart();
    w.undo();
    std::printf("undo: %lld ms, %d rows\n", t.elapsed(), w.model()->rowCount());
    shot(&w, dir, "9-undone");
    return 0;
}

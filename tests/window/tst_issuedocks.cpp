#include "support/testtab.h"

#include "window/deviceissuewidget.h"
#include "window/goodsissuewidget.h"
#include "window/issuelistmodel.h"

#include <QListView>
#include <QMainWindow>
#include <QTabWidget>
#include <QtTest>

static void showActive(QWidget *window)
{
    window->resize(640, 480);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// A device window as far as its dock sees it: two tabs and the findings dock,
// shown and active, the cursor in the first tab.
struct DeviceWindow
{
    DeviceWindow()
    {
        window.setCentralWidget(tabs);
        tabs->addTab(first, "Конфигурация");
        tabs->addTab(second, "Реквизиты организации");
        window.addDockWidget(Qt::BottomDockWidgetArea, dock);
        showActive(&window);
        first->name->setFocus();
    }

    QStringList log;
    QMainWindow window;
    QTabWidget *tabs = new QTabWidget(&window);
    TestTab *first = new TestTab("Конфигурация", &log);
    TestTab *second = new TestTab("Реквизиты организации", &log);
    DeviceIssueWidget *dock = new DeviceIssueWidget(tabs, &window);
};

class TestIssueDocks : public QObject
{
    Q_OBJECT

private slots:
    void docksAtTheBottom();
    void deviceFindingOpensItsField_data();
    void deviceFindingOpensItsField();
    void goodsFindingSelectsItsRow_data();
    void goodsFindingSelectsItsRow();
    void targetsGone();

private:
    // Double-clicks the finding in the dock's list, as the user does.
    static void open(IssueDock *dock, int row);
};

void TestIssueDocks::open(IssueDock *dock, int row)
{
    QListView *list = dock->listView();
    const QRect rect = list->visualRect(dock->model()->index(row, 0));
    QVERIFY(!rect.isEmpty());
    // What a double-click delivers: press, release, double-click, release.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void TestIssueDocks::docksAtTheBottom()
{
    QTabWidget tabs;
    QTableView view;
    DeviceIssueWidget device(&tabs);
    GoodsIssueWidget goods(&view);
    for (IssueDock *dock : { static_cast<IssueDock *>(&device), static_cast<IssueDock *>(&goods) }) {
        QCOMPARE(dock->windowTitle(), QStringLiteral("Проблемы"));
        QCOMPARE(dock->allowedAreas(), Qt::BottomDockWidgetArea);
        QCOMPARE(dock->widget(), dock->listView());
    }
}

void TestIssueDocks::deviceFindingOpensItsField_data()
{
    // The finding's tab and widget; the page shown and the widget with the
    // focus afterwards ("list": the dock's list keeps it, nothing opened).
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("focus");
    QTest::newRow("line edit on another tab") << "second"
                                              << "inn" << 1 << "inn";
    QTest::newRow("table view names the table") << "second"
                                                << "table" << 1 << "table";
    QTest::newRow("tab without a widget shows the tab") << "second"
                                                        << "" << 1 << "list";
    QTest::newRow("widget without a tab changes nothing") << ""
                                                          << "inn" << 0 << "list";
    QTest::newRow("tab of another window") << "stray"
                                           << "inn" << 0 << "list";
    QTest::newRow("goods finding in the device dock") << "goods"
                                                      << "" << 0 << "list";
}

void TestIssueDocks::deviceFindingOpensItsField()
{
    QFETCH(QString, tab);
    QFETCH(QString, widget);
    QFETCH(int, page);
    QFETCH(QString, focus);
    DeviceWindow w;
    TestTab stray("Отделы", &w.log); // no page of this window

    // An earlier finding, so the one under test is not the first row.
    w.dock->addIssue(w.first, w.first->name, "Наименование не задано");
    if (tab == "goods") {
        w.dock->model()->appendIssue(QSharedPointer<GoodsIssue>::create(0, 0, "1. Наименование не задано"));
    } else {
        TestTab *target = tab == "second" ? w.second : tab == "stray" ? &stray : nullptr;
        TestTab *owner = target ? target : w.second;
        const QMap<QString, QWidget *> widgets { { "inn", owner->inn }, { "table", owner->table } };
        w.dock->addIssue(target, widgets.value(widget), "ИНН организации не задан");
    }
    open(w.dock, 1);

    QCOMPARE(w.tabs->currentIndex(), page);
    const QMap<QString, QWidget *> focused { { "inn", w.second->inn },
                                             { "table", w.second->table },
                                             { "list", w.dock->listView() } };
    QCOMPARE(QApplication::focusWidget(), focused.value(focus));
}

void TestIssueDocks::goodsFindingSelectsItsRow_data()
{
    // The finding's cell; the one row selected afterwards (-1: none).
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("selected");
    QTest::newRow("cell in sight") << 2 << 1 << 2;
    QTest::newRow("last row, far below the fold") << 39 << 4 << 39;
    QTest::newRow("row that no longer exists") << 40 << 0 << -1;
}

void TestIssueDocks::goodsFindingSelectsItsRow()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, selected);

    QMainWindow window;
    auto *view = new QTableView(&window);
    auto *goods = new QStandardItemModel(40, 5, view);
    view->setModel(goods);
    window.setCentralWidget(view);
    auto *dock = new GoodsIssueWidget(view, &window);
    window.addDockWidget(Qt::BottomDockWidgetArea, dock);
    showActive(&window);
    view->selectRow(5); // the user's own selection, replaced by opening a finding

    dock->addGoodsIssue(0, 0, "Количество строк 2000 превышает лимит 1999");
    dock->addGoodsIssue(row, column, QString("%1. Штрихкод содержит некорректное значение").arg(row + 1));
    open(dock, 1);

    QCOMPARE(QApplication::focusWidget(), view);
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (selected < 0) {
        QVERIFY(rows.isEmpty());
        return;
    }
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().row(), selected);
    QCOMPARE(view->selectionModel()->selectedIndexes().size(), goods->columnCount());
    QCOMPARE(view->currentIndex(), goods->index(row, column));
    QVERIFY(view->viewport()->rect().intersects(view->visualRect(goods->index(row, column))));
}

void TestIssueDocks::targetsGone()
{
    DeviceWindow w;
    // The window rebuilt its tabs after the check: the finding's tab is gone.
    w.dock->addIssue(w.second, w.second->table, "Пользователь по умолчанию (Иванов) не активен");
    delete w.second;
    open(w.dock, 0);
    QCOMPARE(w.tabs->currentWidget(), w.first);

    // The goods table went away before the finding was opened.
    QMainWindow goodsWindow;
    auto *table = new QTableView(&goodsWindow);
    table->setModel(new QStandardItemModel(3, 3, table));
    goodsWindow.setCentralWidget(table);
    auto *goods = new GoodsIssueWidget(table, &goodsWindow);
    goodsWindow.addDockWidget(Qt::BottomDockWidgetArea, goods);
    showActive(&goodsWindow);
    goods->addGoodsIssue(1, 1, "2. Внутренний код не задан");
    delete table;
    open(goods, 0);
    QCOMPARE(QApplication::focusWidget(), goods->listView());
}

QTEST_MAIN(TestIssueDocks)
#include "tst_issuedocks.moc"

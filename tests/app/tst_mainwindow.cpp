#include "support/modalanswer.h"
#include "support/testsettings.h"

#include "app/appsettings.h"
#include "app/deviceproxymodel.h"
#include "app/deviceregistry.h"
#include "app/devicetablemodel.h"
#include "app/inventorydialog.h"
#include "app/mainwindow.h"
#include "app/qttranslation.h"
#include "app/registerdevicedialog.h"
#include "app/version.h"
#include "fleet/fleetsettings.h"
#include "fleet/inventory.h"
#include "link/reachability.h"
#include "params/deviceprofile.h"
#include "window/devicewindow.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <mutex>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void windowLayout();
    void fontRoleOnCellsAndHeaders();
    void deleteWithoutSelectionAsksNothing();
    void deleteAnswer_data();
    void deleteAnswer();
    void sortedViewActsOnShownRow();
    void doubleClickOpensTheDeviceWindow();
    void failedStoreWriteShowsWarning();
    void registrationAction_data();
    void registrationAction();
    void aboutBoxShowsVersionAndIcon();
    void deleteNeedsSelectionAndDefaultsToNo();
    void rowKeysAndContextMenu();
    void geometryAndSortSurviveRestart();
    void renameSurvivesReRegistration();
    void filterKeepsActionsOnShownRow_data();
    void filterKeepsActionsOnShownRow();
    void connectionCheckWithReplacedProbe();
    void summaryOfRegisters();

private:
    static void seedThreeRegisters();
    static bool hasProfile(const QString &serial);
    static int viewRowOf(QTableView *view, const QString &serial);
    static QStringList column(QTableView *view, int column);

    TestSettingsDir m_store;
};

void TestMainWindow::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    QVERIFY(loadQtTranslation());
}

void TestMainWindow::init()
{
    m_store.clear();
}

void TestMainWindow::seedThreeRegisters()
{
    DeviceRegistry registry;
    registry.addDevice("300", "2.53.10", "Б-касса", "127.0.0.2");
    registry.addDevice("100", "2.52.40", "В-касса", "127.0.0.3");
    registry.addDevice("200", "2.53.11", "А-касса", "");
    registry.save();
    for (const QString serial : { "100", "200", "300" })
        DeviceProfile().save(serial, "2.53.10", 2000, QByteArray(256, 'p'), QByteArray());
}

bool TestMainWindow::hasProfile(const QString &serial)
{
    QString version;
    int cap = 0;
    QByteArray params, system;
    DeviceProfile().load(serial, version, cap, params, system);
    return !params.isEmpty() || !version.isEmpty();
}

int TestMainWindow::viewRowOf(QTableView *view, const QString &serial)
{
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        if (view->model()->index(r, 0).data().toString() == serial)
            return r;
    }
    return -1;
}

QStringList TestMainWindow::column(QTableView *view, int column)
{
    QStringList texts;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        texts.append(view->model()->index(r, column).data().toString());
    return texts;
}

void TestMainWindow::windowLayout()
{
    MainWindow w;
    QCOMPARE(w.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvant Utility 3"));
    // A first start (no saved size) shows every column header whole.
    QVERIFY(w.width() >= 400 && w.height() >= 300);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QHeaderView *header = w.findChild<QTableView *>("deviceTable")->horizontalHeader();
    QVERIFY2(header->length() <= header->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(header->length()).arg(header->viewport()->width())));
    auto *toolBar = w.findChild<QToolBar *>("mainToolBar");
    QVERIFY(toolBar);
    QCOMPARE(w.toolBarArea(toolBar), Qt::TopToolBarArea);
    // The two actions of every version first, then the connection check and
    // the summary of registers.
    QCOMPARE(toolBar->actions().size(), 4);
    QCOMPARE(toolBar->actions().at(0)->objectName(), QStringLiteral("actionNewDevice"));
    QCOMPARE(toolBar->actions().at(0)->text(), QStringLiteral("Регистрация ККТ"));
    QCOMPARE(toolBar->actions().at(1)->objectName(), QStringLiteral("actionDropDevice"));
    QCOMPARE(toolBar->actions().at(1)->text(), QStringLiteral("Удаление ККТ"));
    QCOMPARE(toolBar->actions().at(2)->text(), QStringLiteral("Проверить связь"));
    QCOMPARE(toolBar->actions().at(3)->objectName(), QStringLiteral("actionInventory"));
    QCOMPARE(toolBar->actions().at(3)->text(), QStringLiteral("Сводка по ККТ…"));
    QVERIFY(w.findChild<QMenu *>("menuDevices")->actions().contains(toolBar->actions().at(3)));
    QVERIFY(w.findChild<QLineEdit *>("filterEdit"));
    auto *view = w.findChild<QTableView *>("deviceTable");
    QVERIFY(view);
    QVERIFY(view->isSortingEnabled());
    QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(view->horizontalHeader()->stretchLastSection());
    QVERIFY(w.findChild<QWidget *>("centralWidget"));
    QVERIFY(w.findChild<QWidget *>("menuBar"));
    QVERIFY(w.findChild<QWidget *>("statusBar"));
    QStringList headers;
    for (int section = 0; section < view->model()->columnCount(); ++section)
        headers.append(view->model()->headerData(section, Qt::Horizontal).toString());
    QCOMPARE(headers, QStringList({ "Заводской номер", "Наименование", "Версия", "Адрес", "Связь" }));
    // First run: an empty table, and nothing written to the store; closing
    // the window writes its own group only.
    QCOMPARE(view->model()->rowCount(), 0);
    QVERIFY(!QFile::exists(QSettings().fileName()) || QSettings().allKeys().isEmpty());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.close();
    QCOMPARE(QSettings().childGroups(), QStringList({ "MainWindow" }));
}

void TestMainWindow::fontRoleOnCellsAndHeaders()
{
    seedThreeRegisters();
    MainWindow w;
    auto *view = w.findChild<QTableView *>("deviceTable");
    QAbstractItemModel *model = view->model();
    const QFont expected(QStringLiteral("Tahoma"), 10);
    const QVariant cell = model->index(1, 2).data(Qt::FontRole);
    QVERIFY(cell.canConvert<QFont>());
    QCOMPARE(cell.value<QFont>().family(), expected.family());
    QCOMPARE(cell.value<QFont>().pointSize(), 10);
    QVERIFY(!cell.value<QFont>().bold() && !cell.value<QFont>().italic());
    const QVariant header = model->headerData(0, Qt::Horizontal, Qt::FontRole);
    QCOMPARE(header.value<QFont>().family(), expected.family());
    QCOMPARE(header.value<QFont>().pointSize(), 10);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Заводской номер"));
}

void TestMainWindow::deleteWithoutSelectionAsksNothing()
{
    seedThreeRegisters();
    MainWindow w;
    w.show();
    ModalAnswerer answerer;
    w.findChild<QAction *>("actionDropDevice")->trigger();
    QTest::qWait(50);
    QVERIFY(answerer.seen().isEmpty());
    QCOMPARE(DeviceRegistry().entries().size(), 3);
}

void TestMainWindow::deleteAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("removed");
    QTest::newRow("No keeps entry and profile") << int(QMessageBox::No) << false;
    QTest::newRow("Yes removes entry and profile") << int(QMessageBox::Yes) << true;
}

void TestMainWindow::deleteAnswer()
{
    QFETCH(int, answer);
    QFETCH(bool, removed);
    seedThreeRegisters();
    DeviceProfile().saveGoods("100", QByteArray(128, 'g'));

    MainWindow w;
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    view->selectRow(viewRowOf(view, "100"));

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::StandardButton(answer));
    w.findChild<QAction *>("actionDropDevice")->trigger();

    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Удаление ККТ"));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Удалить запись о ККТ 100 вместе с данными?"));
    QCOMPARE(viewRowOf(view, "100") < 0, removed);
    QCOMPARE(view->model()->rowCount(), removed ? 2 : 3);
    QCOMPARE(hasProfile("100"), !removed);
    QByteArray goods;
    DeviceProfile().loadGoods("100", goods);
    QCOMPARE(goods.isEmpty(), removed);
    QSettings s;
    QCOMPARE(s.childGroups().contains("profiles") && s.value("profiles/100/version").isValid(), !removed);
    QVERIFY(hasProfile("200") && hasProfile("300"));
}

void TestMainWindow::sortedViewActsOnShownRow()
{
    seedThreeRegisters();
    MainWindow w;
    QList<DeviceEntry> opened;
    w.setDeviceOpener([&](const DeviceEntry &e) { opened.append(e); });
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");

    // Sorted by name, the rows read А-касса (200), Б-касса (300), В-касса (100).
    view->sortByColumn(1, Qt::AscendingOrder);
    QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("200"));

    const QModelIndex shown = view->model()->index(2, 1);
    QVERIFY(QMetaObject::invokeMethod(&w, "on_deviceTable_doubleClicked", Q_ARG(QModelIndex, shown)));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first().serial, QStringLiteral("100"));
    QCOMPARE(opened.first().name, QStringLiteral("В-касса"));
    QCOMPARE(opened.first().addr, QStringLiteral("127.0.0.3"));

    view->selectRow(0);
    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Yes);
    w.findChild<QAction *>("actionDropDevice")->trigger();
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Удалить запись о ККТ 200 вместе с данными?"));
    QStringList left;
    const DeviceRegistry registry;
    for (const DeviceEntry &e : registry.entries())
        left.append(e.serial);
    QCOMPARE(left, QStringList({ "300", "100" }));
    QVERIFY(!hasProfile("200"));
}

void TestMainWindow::doubleClickOpensTheDeviceWindow()
{
    seedThreeRegisters();
    MainWindow w;
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    const QModelIndex shown = view->model()->index(viewRowOf(view, "100"), 0);
    QVERIFY(QMetaObject::invokeMethod(&w, "on_deviceTable_doubleClicked", Q_ARG(QModelIndex, shown)));

    const QList<DeviceWindow *> windows = w.findChildren<DeviceWindow *>();
    QCOMPARE(windows.size(), 1);
    QPointer<DeviceWindow> window = windows.first();
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QCOMPARE(window->windowModality(), Qt::WindowModal);
    QCOMPARE(window->windowTitle(), QStringLiteral("ККТ В-касса. Заводской номер 100"));
    QCOMPARE(window->version(), QStringLiteral("2.52.40"));
    QCOMPARE(window->address(), QStringLiteral("127.0.0.3"));

    // The window changes the list and says so; the table follows.
    {
        DeviceRegistry registry;
        registry.setDeviceAddress("100", "127.0.0.9");
        registry.save();
    }
    emit window->updateRegistry();
    QCOMPARE(view->model()->index(viewRowOf(view, "100"), 3).data().toString(), QStringLiteral("127.0.0.9"));

    ModalAnswerer answerer;
    QVERIFY(window->close());
    QTRY_VERIFY(window.isNull());
    QVERIFY(answerer.seen().isEmpty());
}

void TestMainWindow::failedStoreWriteShowsWarning()
{
    seedThreeRegisters();
    MainWindow w;
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    view->selectRow(viewRowOf(view, "300"));

    ModalAnswerer answerer;
    QString blocker;
    {
        const UnwritableSettingsStore unwritable(m_store);
        blocker = unwritable.blocker();
        answerer.thenButton(QMessageBox::Yes);
        answerer.thenButton(QMessageBox::Ok);
        answerer.thenButton(QMessageBox::Ok);
        w.findChild<QAction *>("actionDropDevice")->trigger();
    }

    QVERIFY(answerer.seen().size() >= 2);
    const auto warning = answerer.seen().at(1);
    QCOMPARE(warning.title, QStringLiteral("Сохранение настроек"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QVERIFY(warning.text.contains(blocker));
}

void TestMainWindow::registrationAction_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::newRow("accepted registration shows in the table") << true;
    QTest::newRow("closed dialog adds nothing") << false;
}

void TestMainWindow::registrationAction()
{
    QFETCH(bool, accepted);
    seedThreeRegisters();
    // Nothing here may reach the network.
    Reachability::setPingFunction([](const QString &, int) { return 11010; });
    MainWindow w;
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    auto *action = w.findChild<QAction *>("actionNewDevice");
    QVERIFY(action->isEnabled());

    ModalAnswerer answerer;
    answerer.thenOn<RegisterDeviceDialog>([accepted](RegisterDeviceDialog *dialog) {
        dialog->findChild<QLineEdit *>("serialEdit")->setText("0520000001");
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == (accepted ? QStringLiteral("OK") : QStringLiteral("Закрыть")))
                QTimer::singleShot(0, b, &QPushButton::click);
        }
    });
    if (accepted)
        answerer.thenItem(QStringLiteral("2.53.*"));
    action->trigger();
    Reachability::setPingFunction({});

    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Регистрация ККТ"));
    QCOMPARE(view->model()->rowCount(), accepted ? 4 : 3);
    const int row = viewRowOf(view, "0520000001");
    QCOMPARE(row >= 0, accepted);
    if (accepted)
        QCOMPARE(view->model()->index(row, 2).data().toString(), QStringLiteral("2.53.*"));
}

void TestMainWindow::aboutBoxShowsVersionAndIcon()
{
    MainWindow w;
    QCOMPARE(w.windowIcon().availableSizes(),
             QList<QSize>(
                 { { 16, 16 }, { 24, 24 }, { 32, 32 }, { 48, 48 }, { 64, 64 }, { 128, 128 }, { 256, 256 } }));
    auto *about = w.findChild<QAction *>("actionAbout");
    QVERIFY(about);
    QVERIFY(w.menuBar()->actions().contains(w.findChild<QMenu *>("menuHelp")->menuAction()));
    QCOMPARE(w.findChild<QMenu *>("menuHelp")->title(), QStringLiteral("Справка"));

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    about->trigger();
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("О программе"));
    QVERIFY2(answerer.seen().first().text.contains(QStringLiteral("Версия %1").arg(KorvantVersion)),
             qPrintable(answerer.seen().first().text));
}

void TestMainWindow::deleteNeedsSelectionAndDefaultsToNo()
{
    seedThreeRegisters();
    MainWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *view = w.findChild<QTableView *>("deviceTable");
    auto *action = w.findChild<QAction *>("actionDropDevice");
    QVERIFY(!action->isEnabled());
    view->selectRow(viewRowOf(view, "300"));
    QVERIFY(action->isEnabled());

    // The Delete key asks the action's question; Enter on it answers "Нет".
    QStringList defaultButton;
    ModalAnswerer answerer;
    answerer.thenOn<QMessageBox>([&](QMessageBox *box) {
        defaultButton << box->defaultButton()->text().remove('&');
        QTest::keyClick(box, Qt::Key_Return);
    });
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Удаление ККТ"));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Удалить запись о ККТ 300 вместе с данными?"));
    QCOMPARE(defaultButton, QStringList({ "Нет" }));
    QCOMPARE(DeviceRegistry().entries().size(), 3);
    QVERIFY(hasProfile("300"));

    view->clearSelection();
    QVERIFY(!action->isEnabled());
}

void TestMainWindow::rowKeysAndContextMenu()
{
    seedThreeRegisters();
    MainWindow w;
    QStringList opened;
    w.setDeviceOpener([&](const DeviceEntry &e) { opened.append(e.serial); });
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *view = w.findChild<QTableView *>("deviceTable");

    // Enter without a selection opens nothing; on a row it opens that row.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(opened.isEmpty());
    view->selectRow(viewRowOf(view, "200"));
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(opened, QStringList({ "200", "200" }));

    // In the search field Delete edits the text, even with a row selected,
    // and Enter goes on to the registers found.
    auto *filter = w.findChild<QLineEdit *>("filterEdit");
    filter->setFocus();
    filter->setText(QStringLiteral("127.0.0. "));
    view->selectRow(viewRowOf(view, "300"));
    ModalAnswerer answerer;
    filter->setCursorPosition(8);
    QTest::keyClick(filter, Qt::Key_Delete);
    QCOMPARE(filter->text(), QStringLiteral("127.0.0."));
    QTest::qWait(50);
    QVERIFY(answerer.seen().isEmpty());
    QTest::keyClick(filter, Qt::Key_Return);
    QVERIFY(view->hasFocus());
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(opened, QStringList({ "200", "200", "300" }));
    // With nothing selected, the first register found.
    view->clearSelection();
    filter->setText(QStringLiteral("0.0.3"));
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(opened.last(), QStringLiteral("100"));
    filter->clear();

    // A right-click selects the row under it and offers what acts on a row.
    const int row = viewRowOf(view, "300");
    QStringList items;
    QTimer::singleShot(50, [&] {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            for (QAction *a : popup->actions())
                items.append(a->isSeparator() ? QStringLiteral("|") : a->text());
            popup->close();
        }
    });
    emit view->customContextMenuRequested(view->visualRect(view->model()->index(row, 1)).center());
    QCOMPARE(items, QStringList({ "Открыть", "Переименовать", "Проверить связь", "|", "Удаление ККТ" }));
    QCOMPARE(view->selectionModel()->selectedRows().value(0).row(), row);
}

void TestMainWindow::geometryAndSortSurviveRestart()
{
    seedThreeRegisters();
    const QRect moved(120, 80, 640, 420);
    {
        MainWindow w;
        auto *view = w.findChild<QTableView *>("deviceTable");
        // The first start sorts by serial number, ascending.
        QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), 0);
        QCOMPARE(view->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(column(view, 0), QStringList({ "100", "200", "300" }));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // With rows too, the first start shows every column whole.
        QVERIFY2(view->horizontalHeader()->length() <= view->horizontalHeader()->viewport()->width(),
                 qPrintable(QString::number(view->horizontalHeader()->length())));
        w.setGeometry(moved);
        view->sortByColumn(1, Qt::DescendingOrder);
        w.close();
    }
    QVERIFY(QSettings().childGroups().contains(QStringLiteral("MainWindow")));
    MainWindow again;
    auto *view = again.findChild<QTableView *>("deviceTable");
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.geometry(), moved);
    QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), 1);
    QCOMPARE(view->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(column(view, 1), QStringList({ "В-касса", "Б-касса", "А-касса" }));
}

void TestMainWindow::renameSurvivesReRegistration()
{
    seedThreeRegisters();
    Reachability::setPingFunction([](const QString &, int) { return ETIMEDOUT; });
    MainWindow w;
    QList<DeviceEntry> opened;
    w.setDeviceOpener([&](const DeviceEntry &e) { opened.append(e); });
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *view = w.findChild<QTableView *>("deviceTable");
    QVERIFY(!w.findChild<QAction *>("actionRenameDevice")->isEnabled());
    view->selectRow(viewRowOf(view, "100"));

    // F2 offers the current name; blanks around the new one are dropped.
    ModalAnswerer answerer;
    answerer.thenOn<QInputDialog>([](QInputDialog *input) {
        input->setTextValue(QStringLiteral("  Касса у входа "));
        input->accept();
    });
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F2);
    QCOMPARE(answerer.seenOf("QInputDialog").size(), 1);
    QCOMPARE(answerer.seenOf("QInputDialog").first().current, QStringLiteral("В-касса"));
    const int row = viewRowOf(view, "100");
    QCOMPARE(view->model()->index(row, 1).data().toString(), QStringLiteral("Касса у входа"));
    // The renamed register stays selected, and opens under its new name.
    QCOMPARE(view->selectionModel()->selectedRows().value(0).row(), row);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(opened.value(0).name, QStringLiteral("Касса у входа"));

    // Registering the serial again (offline here) keeps the name.
    answerer.thenOn<RegisterDeviceDialog>([](RegisterDeviceDialog *dialog) {
        dialog->findChild<QLineEdit *>("serialEdit")->setText("100");
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == QStringLiteral("OK"))
                QTimer::singleShot(0, b, &QPushButton::click);
        }
    });
    answerer.thenItem(QStringLiteral("2.53.*"));
    w.findChild<QAction *>("actionNewDevice")->trigger();
    Reachability::setPingFunction({});
    QCOMPARE(answerer.pending(), 0);
    const DeviceRegistry registry;
    QCOMPARE(registry.entries().at(1).serial, QStringLiteral("100"));
    QCOMPARE(registry.entries().at(1).name, QStringLiteral("Касса у входа"));
    QCOMPARE(registry.entries().at(1).version, QStringLiteral("2.53.*"));
    QCOMPARE(registry.entries().at(1).addr, QString());
}

void TestMainWindow::filterKeepsActionsOnShownRow_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("name in another letter case") << QStringLiteral("в-КАССА") << QStringList({ "100" });
    QTest::newRow("part of an address") << QStringLiteral("0.0.2") << QStringList({ "300" });
    QTest::newRow("serial number") << QStringLiteral("20") << QStringList({ "200" });
    QTest::newRow("every word must match somewhere")
        << QStringLiteral(" касса  127.0.0. ") << QStringList({ "100", "300" });
    // The version column is not searched.
    QTest::newRow("version only") << QStringLiteral("2.52.40") << QStringList();
}

void TestMainWindow::filterKeepsActionsOnShownRow()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    seedThreeRegisters();
    MainWindow w;
    QStringList opened;
    w.setDeviceOpener([&](const DeviceEntry &e) { opened.append(e.serial); });
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    w.findChild<QLineEdit *>("filterEdit")->setText(filter);
    QCOMPARE(column(view, 0), shown);
    if (shown.isEmpty())
        return;

    const int last = shown.size() - 1;
    QVERIFY(QMetaObject::invokeMethod(&w, "on_deviceTable_doubleClicked",
                                      Q_ARG(QModelIndex, view->model()->index(last, 0))));
    QCOMPARE(opened, QStringList({ shown.last() }));

    view->selectRow(last);
    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Yes);
    w.findChild<QAction *>("actionDropDevice")->trigger();
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text,
             QStringLiteral("Удалить запись о ККТ %1 вместе с данными?").arg(shown.last()));
    QVERIFY(!hasProfile(shown.last()));
    QCOMPARE(DeviceRegistry().entries().size(), 2);
    QCOMPARE(column(view, 0), shown.mid(0, last));
}

void TestMainWindow::connectionCheckWithReplacedProbe()
{
    {
        DeviceRegistry registry;
        registry.addDevice("001", "2.53.10", "", "127.0.0.2");
        registry.addDevice("002", "2.53.10", "", "127.0.0.3");
        registry.addDevice("003", "2.52.*", "", "");
        for (int i = 4; i <= 12; ++i)
            registry.addDevice(QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')), "2.53.10", "",
                               QStringLiteral("127.0.0.%1").arg(i));
    }
    // 127.0.0.3 stays silent; the others answer. Nothing is pinged for real.
    std::mutex lock;
    QStringList pinged;
    bool offGuiThread = true;
    std::atomic<int> inFlight { 0 };
    std::atomic<int> mostInFlight { 0 };
    QThread *gui = QThread::currentThread();
    Reachability::setPingFunction([&](const QString &address, int timeoutMs) {
        const int now = ++inFlight;
        int most = mostInFlight.load();
        while (now > most && !mostInFlight.compare_exchange_weak(most, now)) { }
        {
            std::lock_guard<std::mutex> guard(lock);
            pinged.append(QStringLiteral("%1/%2").arg(address).arg(timeoutMs));
            offGuiThread = offGuiThread && QThread::currentThread() != gui;
        }
        QThread::msleep(20); // lets several probes overlap
        --inFlight;
        return address == QLatin1String("127.0.0.3") ? ETIMEDOUT : 0;
    });

    // The GUI's choice of registers at a time holds for the check too.
    QVERIFY(FleetSettings::setJobs(2));
    MainWindow w;
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    const int status = DeviceTableModel::StatusColumn;
    // Nothing is probed unless the user asks.
    QTest::qWait(50);
    QVERIFY(pinged.isEmpty());
    QCOMPARE(column(view, status).join(QString()), QString());

    w.findChild<QAction *>("actionCheckConnection")->trigger();
    QVERIFY(!w.findChild<QAction *>("actionCheckConnection")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(w.findChild<QAction *>("actionCheckConnection")->isEnabled(), 10000);
    Reachability::setPingFunction({});

    QStringList expected { "в сети", "нет связи", "—" };
    QStringList expectedPings { "127.0.0.2/1000", "127.0.0.3/1000" };
    for (int i = 4; i <= 12; ++i) {
        expected.append(QStringLiteral("в сети"));
        expectedPings.append(QStringLiteral("127.0.0.%1/1000").arg(i));
    }
    QCOMPARE(column(view, status), expected);
    QCOMPARE(view->model()->index(1, status).data(Qt::ForegroundRole).value<QColor>(),
             QColor(0xb0, 0x1e, 0x1e));
    // Each address once, the offline entry never.
    pinged.sort();
    expectedPings.sort();
    QCOMPARE(pinged, expectedPings);
    QVERIFY(offGuiThread);
    QVERIFY2(mostInFlight <= 2, qPrintable(QString::number(mostInFlight)));

    // The outcome stays until the next check, also across a reload; a register
    // whose address changed shows as unchecked.
    {
        DeviceRegistry registry;
        registry.setDeviceAddress("001", "127.0.0.99");
    }
    w.findChild<DeviceTableModel *>()->loadFromRegistry();
    QCOMPARE(view->model()->index(0, status).data().toString(), QString());
    QCOMPARE(view->model()->index(1, status).data().toString(), QStringLiteral("нет связи"));
}

void TestMainWindow::summaryOfRegisters()
{
    seedThreeRegisters();
    // Every address silent: nothing is asked for real.
    Reachability::setPingFunction([](const QString &, int) { return ETIMEDOUT; });
    MainWindow w;
    w.show();
    auto *view = w.findChild<QTableView *>("deviceTable");
    view->selectRow(viewRowOf(view, "100"));
    QAction *action = w.findChild<QAction *>("actionInventory");
    QVERIFY(action->isEnabled());
    action->trigger();
    auto *dialog = w.findChild<InventoryDialog *>();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Сводка по ККТ"));
    QVERIFY(dialog->inventory());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->inventory()->isRunning(), 10000);
    Reachability::setPingFunction({});
    // The whole list, in its order; the silent ones described from their profiles.
    QStringList serials, links;
    for (const InventoryLine &line : dialog->inventory()->lines()) {
        serials.append(line.target.serial);
        links.append(line.linkText());
    }
    QCOMPARE(serials, (QStringList { "300", "100", "200" }));
    QCOMPARE(links, (QStringList { "нет связи", "нет связи", "нет адреса" }));
    QVERIFY(dialog->findChild<QRadioButton *>("selectedRegisters")->text().endsWith(QStringLiteral(" 100")));
    dialog->close();
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

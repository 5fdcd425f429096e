#include "support/modalanswer.h"
#include "support/testsettings.h"

#include "app/appsettings.h"
#include "app/deviceproxymodel.h"
#include "app/deviceregistry.h"
#include "app/devicetablemodel.h"
#include "app/mainwindow.h"
#include "app/registerdevicedialog.h"
#include "app/version.h"
#include "link/reachability.h"
#include "params/deviceprofile.h"
#include "window/devicewindow.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

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

private:
    static void seedThreeRegisters();
    static bool hasProfile(const QString &serial);
    static int viewRowOf(QTableView *view, const QString &serial);

    TestSettingsDir m_store;
};

void TestMainWindow::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
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

void TestMainWindow::windowLayout()
{
    MainWindow w;
    QCOMPARE(w.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvant Utility 3"));
    QCOMPARE(w.size(), QSize(400, 300));
    auto *toolBar = w.findChild<QToolBar *>("mainToolBar");
    QVERIFY(toolBar);
    QCOMPARE(w.toolBarArea(toolBar), Qt::TopToolBarArea);
    QCOMPARE(toolBar->actions().size(), 2);
    QCOMPARE(toolBar->actions().at(0)->objectName(), QStringLiteral("actionNewDevice"));
    QCOMPARE(toolBar->actions().at(0)->text(), QStringLiteral("Регистрация ККТ"));
    QCOMPARE(toolBar->actions().at(1)->objectName(), QStringLiteral("actionDropDevice"));
    QCOMPARE(toolBar->actions().at(1)->text(), QStringLiteral("Удаление ККТ"));
    auto *view = w.findChild<QTableView *>("deviceTable");
    QVERIFY(view);
    QVERIFY(view->isSortingEnabled());
    QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(view->horizontalHeader()->stretchLastSection());
    QVERIFY(w.findChild<QWidget *>("centralWidget"));
    QVERIFY(w.findChild<QWidget *>("menuBar"));
    QVERIFY(w.findChild<QWidget *>("statusBar"));
    // First run: an empty table, and nothing written to the store.
    QCOMPARE(view->model()->rowCount(), 0);
    QVERIFY(!QFile::exists(QSettings().fileName()) || QSettings().allKeys().isEmpty());
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

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

#include "support/discoveryresponder.h"
#include "support/modalanswer.h"
#include "support/wine.h"

#include "app/browsedevicedialog.h"
#include "app/browsetablemodel.h"
#include "link/devicefinder.h"

#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

// The dialog's finder probes only the loopback addresses in m_targets, on a
// port of this test's own (set through the dialog's scan setup).
class TestBrowseDeviceDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void scanAfterShowThenDoubleClickPicks();
    void refreshReplacesListAndCloseRejects();
    void cancelKeepsWhatWasFound();
    void enterPicksSelectedRowAndNeverScans();

private:
    static void doubleClickRow(QTableView *view, int row);

    QList<QHostAddress> m_targets;
    quint16 m_port = 0;
};

void TestBrowseDeviceDialog::initTestCase()
{
    BrowseDeviceDialog::setScanSetup([this](DeviceFinder &finder) {
        finder.setTargets(m_targets);
        finder.setPort(m_port);
        finder.setTimeout(200);
    });
}

void TestBrowseDeviceDialog::init()
{
    m_port = DiscoveryResponder::freePort();
    QVERIFY(m_port != 0);
    m_targets = { QHostAddress("127.0.0.2"), QHostAddress("127.0.0.3") };
}

void TestBrowseDeviceDialog::doubleClickRow(QTableView *view, int row)
{
    const QPoint pos = view->visualRect(view->model()->index(row, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pos);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pos);
}

void TestBrowseDeviceDialog::scanAfterShowThenDoubleClickPicks()
{
    SKIP_SCANS_UNDER_WINE();
    DiscoveryResponder second, third;
    QVERIFY(second.start("127.0.0.2", m_port, "200", "00:11:22:33:44:02"));
    QVERIFY(third.start("127.0.0.3", m_port, "300", "00-11-22-33-44-03"));

    BrowseDeviceDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Обзор ККТ в локальной сети"));
    auto *view = dialog.findChild<QTableView *>();
    QCOMPARE(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("IP адрес"));

    QString label;
    QString title;
    int titleWidth = 0;
    int width = 0;
    QString cancelText;
    Qt::WindowFlags flags;
    QStringList rowsBeforePick;
    ModalAnswerer answerer;
    answerer.then([](QWidget *) {}); // the browse dialog itself
    answerer.then([&](QWidget *w) {
        auto *progress = qobject_cast<QProgressDialog *>(w);
        QVERIFY(progress);
        label = progress->labelText();
        title = progress->windowTitle();
        titleWidth = progress->fontMetrics().horizontalAdvance(title);
        width = progress->width();
        flags = progress->windowFlags();
        const auto *cancel = progress->findChild<QPushButton *>();
        cancelText = cancel ? cancel->text() : QString();
    });
    answerer.then([&](QWidget *w) {
        QCOMPARE(w, &dialog);
        for (int r = 0; r < view->model()->rowCount(); ++r)
            rowsBeforePick.append(view->model()->index(r, 0).data().toString());
        doubleClickRow(view, 1);
    });
    QTimer::singleShot(20000, &dialog, &QDialog::reject); // a hang fails instead of stalling

    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(label, QStringLiteral("Поиск ККТ..."));
    // A Russian title, and room for all of it.
    QCOMPARE(title, QStringLiteral("Обзор ККТ в локальной сети"));
    QVERIFY2(width > titleWidth + 64, qPrintable(QStringLiteral("%1 %2").arg(width).arg(titleWidth)));
    QCOMPARE(cancelText, QStringLiteral("Отмена"));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint) && flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(rowsBeforePick, QStringList({ "200", "300" }));
    QCOMPARE(dialog.selectedSerial(), QStringLiteral("300"));
    QCOMPARE(dialog.selectedAddress(), QStringLiteral("127.0.0.3"));
    QCOMPARE(dialog.selectedMac(), QStringLiteral("00-11-22-33-44-03"));
    QCOMPARE(second.probes(), 1);
    QCOMPARE(third.probes(), 1);
}

void TestBrowseDeviceDialog::refreshReplacesListAndCloseRejects()
{
    SKIP_SCANS_UNDER_WINE();
    DiscoveryResponder second, third;
    QVERIFY(second.start("127.0.0.2", m_port, "200", "00:11:22:33:44:02"));
    QVERIFY(third.start("127.0.0.3", m_port, "300", "00:11:22:33:44:03"));

    BrowseDeviceDialog dialog;
    auto *refresh = dialog.findChild<QPushButton *>();
    QCOMPARE(refresh->text(), QStringLiteral("Обновить"));
    QList<bool> refreshEnabledDuringScan;
    ModalAnswerer answerer;
    for (int i = 0; i < 2; ++i)
        answerer.then([&](QWidget *) { refreshEnabledDuringScan.append(refresh->isEnabled()); });

    dialog.show();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.model()->rowCount(), 2, 10000);
    QVERIFY(refresh->isEnabled());

    // The second scan reaches one register, which changed, through two
    // targets: one row, replacing both old ones.
    m_targets = { QHostAddress("127.0.0.2"), QHostAddress("127.0.0.2") };
    second.setReply("201", "00:11:22:33:44:02", "127.0.0.2");
    QTest::mouseClick(refresh, Qt::LeftButton);
    QCOMPARE(second.probes(), 3);
    QCOMPARE(dialog.model()->rowCount(), 1);
    QCOMPARE(dialog.model()->index(0, 0).data().toString(), QStringLiteral("201"));
    QCOMPARE(refreshEnabledDuringScan, QList<bool>({ false, false }));
    QVERIFY(refresh->isEnabled());

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.selectedSerial(), QString());
    QCOMPARE(dialog.selectedAddress(), QString());
}

void TestBrowseDeviceDialog::cancelKeepsWhatWasFound()
{
    SKIP_SCANS_UNDER_WINE();
    m_targets = { QHostAddress("127.0.0.2"), QHostAddress("127.0.0.3"), QHostAddress("127.0.0.4") };
    DiscoveryResponder second, third, fourth;
    QVERIFY(second.start("127.0.0.2", m_port, "200", "00:11:22:33:44:02"));
    QVERIFY(third.bind(QHostAddress("127.0.0.3"), m_port));
    QVERIFY(fourth.start("127.0.0.4", m_port, "400", "00:11:22:33:44:04"));
    // The user presses cancel while the finder waits on the second address.
    QPointer<QProgressDialog> progress;
    third.setOnProbe([&progress] {
        if (progress)
            progress->findChild<QPushButton *>()->click();
    });

    BrowseDeviceDialog dialog;
    ModalAnswerer answerer;
    answerer.then([&](QWidget *w) { progress = qobject_cast<QProgressDialog *>(w); });
    dialog.show();
    QTRY_VERIFY_WITH_TIMEOUT(third.probes() == 1, 10000);
    // The progress window stays until the finder has ended its current wait.
    QTRY_VERIFY_WITH_TIMEOUT(progress.isNull() || !progress->isVisible(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.model()->rowCount(), 1, 10000);
    QCOMPARE(dialog.model()->index(0, 0).data().toString(), QStringLiteral("200"));
    QCOMPARE(fourth.probes(), 0);
}

void TestBrowseDeviceDialog::enterPicksSelectedRowAndNeverScans()
{
    SKIP_SCANS_UNDER_WINE();
    // Registers with the longest texts a reply can carry.
    QList<std::shared_ptr<DiscoveryResponder>> responders;
    m_targets.clear();
    for (int i = 2; i <= 7; ++i) {
        const QString address = QStringLiteral("127.0.0.%1").arg(i);
        auto responder = std::make_shared<DiscoveryResponder>();
        QVERIFY(responder->start(address, m_port,
                                 QStringLiteral("05300000000000%1").arg(i, 2, 10, QLatin1Char('0')),
                                 QStringLiteral("AA:BB:CC:DD:EE:%1").arg(i, 2, 10, QLatin1Char('0'))));
        responders.append(responder);
        m_targets.append(QHostAddress(address));
    }

    BrowseDeviceDialog dialog;
    auto *view = dialog.findChild<QTableView *>();
    auto *refresh = dialog.findChild<QPushButton *>();
    QVERIFY(!refresh->isDefault() && !refresh->autoDefault());
    dialog.show();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.model()->rowCount(), 6, 10000);
    QTRY_VERIFY(refresh->isEnabled());
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    // Every row and every MAC address shows in full without scrolling.
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    const QString mac = view->model()->index(0, 2).data().toString();
    QVERIFY(view->columnWidth(2) > view->fontMetrics().horizontalAdvance(mac));

    // Enter with nothing selected, or on the refresh button, starts no scan.
    view->setFocus();
    view->clearSelection();
    QTest::keyClick(view, Qt::Key_Return);
    refresh->setFocus();
    QTest::keyClick(refresh, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(responders.first()->probes(), 1);

    view->setFocus();
    view->selectRow(3);
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedSerial(), QStringLiteral("0530000000000005"));
    QCOMPARE(dialog.selectedAddress(), QStringLiteral("127.0.0.5"));
    QCOMPARE(dialog.selectedMac(), QStringLiteral("AA:BB:CC:DD:EE:05"));
    QCOMPARE(responders.first()->probes(), 1);
}

QTEST_MAIN(TestBrowseDeviceDialog)
#include "tst_browsedevicedialog.moc"

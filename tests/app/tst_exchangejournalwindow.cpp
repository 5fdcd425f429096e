#include "support/modalanswer.h"
#include "support/testsettings.h"

#include "app/deviceregistry.h"
#include "app/exchangejournalwindow.h"
#include "app/mainwindow.h"
#include "app/registerdevicedialog.h"
#include "goods/goodswindow.h"
#include "link/devicejob.h"
#include "link/exchangejournal.h"
#include "link/exchangejournalmodel.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "sim/registersimulator.h"
#include "window/devicewindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

JournalLine journalLine(const QString &serial, int kind, int result)
{
    JournalLine l;
    l.started = QDateTime::currentDateTime();
    l.origin = QStringLiteral("ККТ %1").arg(serial);
    l.host = QStringLiteral("127.0.0.3");
    l.port = 8080;
    l.serial = serial;
    l.kind = kind;
    l.pages = 25;
    l.durationMs = 420;
    l.result = result;
    l.explanation = resultExplanation(result);
    return l;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestExchangeJournalWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsAndFollowsTheJournal();
    void copiesSelectedOrAllLines();
    void mainWindowMenu();
    void mainWindowSavesDiagnostics();
    void windowsNameTheirJobs();
    void opensOnScreenWhereItWasLeft();

private:
    TestSettingsDir m_store;
};

void TestExchangeJournalWindow::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
}

void TestExchangeJournalWindow::showsAndFollowsTheJournal()
{
    ExchangeJournal journal;
    journal.append(journalLine(QStringLiteral("0530000002"), DeviceJob::ReadParams, ResultOk));
    journal.append(journalLine(QStringLiteral("0530000002"), DeviceJob::WriteParams, ErrWriteRejected));
    ExchangeJournalWindow window(&journal);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Журнал обмена"));
    QAbstractItemModel *model = window.view()->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(1, ExchangeJournalModel::KindColumn).data().toString(),
             QStringLiteral("Выгрузка параметров"));
    QCOMPARE(model->index(1, ExchangeJournalModel::ResultColumn).data().toString(), QStringLiteral("-9"));
    QCOMPARE(model->index(1, ExchangeJournalModel::DurationColumn).data().toString(),
             QStringLiteral("420 мс"));
    // A failure stands out; a success does not.
    QVERIFY(model->index(1, 0).data(Qt::ForegroundRole).isValid());
    QVERIFY(!model->index(0, 0).data(Qt::ForegroundRole).isValid());

    // The selected line's explanation shows in full.
    window.view()->setCurrentIndex(model->index(1, 0));
    QCOMPARE(window.findChild<QLabel *>("explanationLabel")->text(),
             QStringLiteral("Код -9. ") + resultExplanation(ErrWriteRejected));

    // Lines arriving while the newest is in view keep it in view.
    for (int i = 0; i < 200; ++i)
        journal.append(journalLine(QStringLiteral("0530000002"), DeviceJob::ReadGoods, ResultOk));
    QCOMPARE(model->rowCount(), 202);
    QScrollBar *bar = window.view()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    // A user reading older lines stays where he is.
    bar->setValue(0);
    journal.append(journalLine(QStringLiteral("0530000002"), DeviceJob::ReadGoods, ErrNoReply));
    QCOMPARE(model->rowCount(), 203);
    QCOMPARE(bar->value(), 0);
    QVERIFY(window.findChild<QLabel *>("countLabel")->text().startsWith(QStringLiteral("Записей: 203.")));
}

void TestExchangeJournalWindow::copiesSelectedOrAllLines()
{
    ExchangeJournal journal;
    journal.append(journalLine(QStringLiteral("0520000001"), DeviceJob::ReadParams, ResultOk));
    journal.append(journalLine(QStringLiteral("0530000002"), DeviceJob::ReadGoods, ErrNoReply));
    ExchangeJournalWindow window(&journal);

    QStringList lines = window.selectedText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Время\tОкно\tАдрес\tЗаводской номер\tОперация")));
    QVERIFY(lines.at(1).contains(
        QStringLiteral("\tККТ 0520000001\t127.0.0.3\t0520000001\tЗагрузка параметров\t25\t")));
    QVERIFY(lines.at(2).endsWith(QStringLiteral("\t-4\t") + resultExplanation(ErrNoReply)));

    window.view()->selectRow(1);
    lines = window.selectedText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(1).contains(QStringLiteral("0530000002")));
    QTest::keySequence(window.view(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), window.selectedText());
}

void TestExchangeJournalWindow::mainWindowMenu()
{
    MainWindow w;
    auto *menu = w.findChild<QMenu *>("menuHelp");
    QVERIFY(menu);
    auto *journalAction = w.findChild<QAction *>("actionExchangeJournal");
    auto *diagnosticsAction = w.findChild<QAction *>("actionSaveDiagnostics");
    QVERIFY(journalAction && diagnosticsAction);
    QCOMPARE(journalAction->text(), QStringLiteral("Журнал обмена"));
    QCOMPARE(diagnosticsAction->text(), QStringLiteral("Сохранить диагностику…"));
    QVERIFY(menu->actions().contains(journalAction));
    QVERIFY(menu->actions().contains(diagnosticsAction));

    // The process's journal, in one window however often it is asked for.
    ExchangeJournal::instance()->append(
        journalLine(QStringLiteral("0530000002"), DeviceJob::QueryInfo, ResultOk));
    journalAction->trigger();
    journalAction->trigger();
    const QList<ExchangeJournalWindow *> windows = w.findChildren<ExchangeJournalWindow *>();
    QCOMPARE(windows.size(), 1);
    QVERIFY(windows.first()->isVisible());
    QCOMPARE(windows.first()->view()->model()->rowCount(), ExchangeJournal::instance()->lines().size());
    QVERIFY(windows.first()->view()->model()->rowCount() > 0);
}

void TestExchangeJournalWindow::mainWindowSavesDiagnostics()
{
    {
        DeviceRegistry registry;
        registry.addDevice(QStringLiteral("0530000002"), QStringLiteral("2.53.12"), QStringLiteral("Касса"),
                           QStringLiteral("127.0.0.3"));
        QVERIFY(registry.save());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("diagnostics.txt"));
    MainWindow w;

    ModalAnswerer answerer;
    answerer.thenOn<QFileDialog>([path](QFileDialog *dialog) {
        // selectFile() leaves the name field alone while it has the focus.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own accept() is protected
    });
    w.findChild<QAction *>("actionSaveDiagnostics")->trigger();
    QCOMPARE(answerer.seen().size(), 1);
    const QString text = QString::fromUtf8(readFile(path));
    QVERIFY2(text.contains(QStringLiteral("******0002")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("0530000002")));

    // A file that cannot be written: the box names it and the reason.
    const QString nowhere = dir.filePath(QStringLiteral("no/folder/diagnostics.txt"));
    answerer.thenButton(QMessageBox::Ok);
    QVERIFY(!w.saveDiagnostics(nowhere));
    const QList<ModalAnswerer::Seen> boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, QStringLiteral("Сохранить диагностику"));
    QVERIFY2(boxes.first().text.contains(nowhere), qPrintable(boxes.first().text));
}

// Each window's jobs carry the window's name in the journal.
void TestExchangeJournalWindow::windowsNameTheirJobs()
{
    RegisterSimulator::Config config;
    config.serial = QStringLiteral("0530000002");
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.3"))));
    const auto answering = [](const QString &, int) { return 0; };
    Reachability::setPingFunction(answering);
    ModalAnswerer answerer; // closes any box
    const quint64 before = ExchangeJournal::instance()->lastSequence();

    RegisterDeviceDialog dialog;
    dialog.setPingFunction(answering);
    dialog.setPort(sim.serverPort());
    dialog.findChild<QLineEdit *>("addressEdit")->setText(QStringLiteral("127.0.0.3"));
    dialog.validate();

    DeviceWindow device;
    device.setPort(sim.serverPort());
    device.setDevice(config.serial, QStringLiteral("2.53.12"), QStringLiteral("Касса"),
                     QStringLiteral("127.0.0.3"));
    device.onDeviceImport();

    GoodsWindow goods;
    goods.setup(config.serial, 0, QStringLiteral("127.0.0.3"), sim.serverPort(), QStringList());
    goods.onDeviceImport();
    Reachability::setPingFunction({});

    const QVector<JournalLine> lines = ExchangeJournal::instance()->linesAfter(before);
    QStringList origins;
    for (const JournalLine &line : lines) {
        origins.append(line.origin);
        QCOMPARE(line.result, int(ResultOk));
    }
    QCOMPARE(origins, QStringList({ "Регистрация ККТ", "ККТ 0530000002", "Номенклатура 0530000002" }));
}

void TestExchangeJournalWindow::opensOnScreenWhereItWasLeft()
{
    ExchangeJournal journal;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        // The first time, wide but inside the screen, frame included.
        ExchangeJournalWindow window(&journal);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(screen.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())
                                .arg(screen.width())
                                .arg(screen.height())));
        window.resize(520, 300);
        window.move(screen.topLeft() + QPoint(30, 20));
        window.close();
    }
    ExchangeJournalWindow again(&journal);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.size(), QSize(520, 300));
    const QPoint moved = again.pos() - (screen.topLeft() + QPoint(30, 20));
    QVERIFY2(moved.manhattanLength() <= 40,
             qPrintable(QStringLiteral("%1,%2").arg(moved.x()).arg(moved.y())));
}

QTEST_MAIN(TestExchangeJournalWindow)
#include "tst_exchangejournalwindow.moc"

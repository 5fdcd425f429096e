#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/devicejobrunner.h"
#include "link/deviceprogressdialog.h"
#include "link/taggedrecord.h"
#include "sim/registersimulator.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.41");

enum Job { Query, ReadParams, ReadGoods, WriteParams, WriteGoods };
enum Action { Nothing, CancelButton, EscapeKey, WindowClose };

// The progress window as it was when the register took the identity request.
struct Seen
{
    QString title;
    QString label;
    bool cancelButton = false;
    bool visibleAfterAction = false;
};

} // namespace

class TestDeviceJobRunner : public QObject
{
    Q_OBJECT

private slots:
    void labelsCancelAndResult_data();
    void labelsCancelAndResult();
    void goodsJobsDriveTheBar();
    void jobThatCannotStart();
};

void TestDeviceJobRunner::labelsCancelAndResult_data()
{
    QTest::addColumn<int>("job");
    QTest::addColumn<int>("action"); // taken while the register answers the identity request
    QTest::addColumn<QString>("firstLabel");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("cancelButton");
    QTest::addColumn<int>("result");

    const QString connecting = QStringLiteral("Подключение к ККТ...");
    const QString load = QStringLiteral("Загрузка из ККТ");
    const QString upload = QStringLiteral("Выгрузка в ККТ");
    QTest::newRow("identity query: cancel stops it")
        << int(Query) << int(CancelButton) << QString() << QStringLiteral("Окно")
        << QStringLiteral("Получение данных о ККТ...") << true << int(ErrStopped);
    QTest::newRow("parameter read runs to its end")
        << int(ReadParams) << int(Nothing) << connecting << load << QStringLiteral("Загрузка из ККТ...")
        << true << int(ResultOk);
    QTest::newRow("parameter read: cancel stops it")
        << int(ReadParams) << int(CancelButton) << connecting << load << QStringLiteral("Загрузка из ККТ...")
        << true << int(ErrStopped);
    QTest::newRow("goods read: closing the window asks to stop")
        << int(ReadGoods) << int(WindowClose) << connecting << load << QStringLiteral("Загрузка из ККТ...")
        << true << int(ErrStopped);
    QTest::newRow("parameter write: no cancel, Escape does not stop it")
        << int(WriteParams) << int(EscapeKey) << connecting << upload << QStringLiteral("Выгрузка в ККТ...")
        << false << int(ResultOk);
    QTest::newRow("goods write: no cancel, closing the window does not stop it")
        << int(WriteGoods) << int(WindowClose) << connecting << upload << QStringLiteral("Выгрузка в ККТ...")
        << false << int(ResultOk);
}

void TestDeviceJobRunner::labelsCancelAndResult()
{
    QFETCH(int, job);
    QFETCH(int, action);
    QFETCH(QString, firstLabel);
    QFETCH(QString, title);
    QFETCH(QString, label);
    QFETCH(bool, cancelButton);
    QFETCH(int, result);
    Sim::Config config;
    config.discoveryPort = 0;
    config.serial = QStringLiteral("0530000041");
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Окно"));
    DeviceController controller;

    // Posted before the job starts, so it runs before the register can answer.
    QString labelAtStart;
    QTimer::singleShot(0, this, [&] {
        if (auto *dialog = qobject_cast<DeviceProgressDialog *>(QApplication::activeModalWidget()))
            labelAtStart = dialog->labelText();
    });
    Seen seen;
    connect(&sim, &Sim::requestReceived, this, [&](const Sim::Request &request) {
        // What the link reported before its request went out (connected,
        // the job's label) is delivered first, also where the system's socket
        // messages overtake posted events (Windows).
        QCoreApplication::sendPostedEvents();
        auto *dialog = qobject_cast<DeviceProgressDialog *>(QApplication::activeModalWidget());
        if (request.index != 0 || !dialog)
            return;
        seen.title = dialog->windowTitle();
        seen.label = dialog->labelText();
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        seen.cancelButton = cancel != nullptr;
        if (action == CancelButton && cancel)
            cancel->click();
        else if (action == EscapeKey)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (action == WindowClose)
            dialog->close();
        seen.visibleAfterAction = dialog->isVisible();
    });
    QTimer::singleShot(10000, &controller, &DeviceController::stop); // a hang fails below

    DeviceJobRunner runner(&window, controller);
    const QByteArray records = TaggedRecord::make(TaggedRecord::SystemImageTag, "sys");
    int code = 1;
    switch (Job(job)) {
    case Query:
        code = runner.queryInfo(Host, sim.serverPort());
        break;
    case ReadParams:
        code = runner.readParams(Host, sim.serverPort());
        break;
    case ReadGoods:
        code = runner.readGoods(Host, sim.serverPort());
        break;
    case WriteParams:
        code = runner.writeParams(Host, sim.serverPort(), records, sim.serial(), 53);
        break;
    case WriteGoods:
        code = runner.writeGoods(Host, sim.serverPort(), QByteArray(600, 'g'), sim.serial(), 53);
        break;
    }

    QCOMPARE(code, result);
    QCOMPARE(controller.result(), result);
    QVERIFY(!controller.isBusy());
    QCOMPARE(labelAtStart, firstLabel);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.label, label);
    QCOMPARE(seen.cancelButton, cancelButton);
    QVERIFY2(seen.visibleAfterAction, "the window stays until the job has ended");
    QVERIFY(!QApplication::activeModalWidget());
    if (job == ReadParams && result == ResultOk)
        QCOMPARE(TaggedRecord::find(controller.data(), TaggedRecord::ParameterImageTag),
                 sim.parameterImage());
}

// Goods jobs announce their pages; the bar follows them. Parameter jobs keep
// a busy indicator.
void TestDeviceJobRunner::goodsJobsDriveTheBar()
{
    Sim::Config config;
    config.discoveryPort = 0;
    config.goodsCapacity = 20; // 11 pages
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    DeviceController controller;
    QList<int> maxima;
    connect(&controller, &DeviceController::frame, this, [&] {
        if (auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget()))
            maxima << dialog->maximum();
    });
    DeviceJobRunner runner(nullptr, controller);
    QCOMPARE(runner.writeGoods(Host, sim.serverPort(), QByteArray(11 * 256, 'g'), sim.serial(), 53),
             int(ResultOk));
    QCOMPARE(maxima, (QList<int> { 11, 11, 11 }));
    maxima.clear();
    QCOMPARE(runner.readParams(Host, sim.serverPort()), int(ResultOk));
    QVERIFY(!maxima.isEmpty());
    QVERIFY(std::all_of(maxima.begin(), maxima.end(), [](int m) { return m == 0; }));
}

// A write that names no register never starts.
void TestDeviceJobRunner::jobThatCannotStart()
{
    DeviceController controller;
    DeviceJobRunner runner(nullptr, controller);
    const QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, "p");
    QCOMPARE(runner.writeParams(Host, 8080, records, QString(), 53), int(ErrNotStarted));
    QVERIFY(!controller.isBusy());
}

QTEST_MAIN(TestDeviceJobRunner)
#include "tst_devicejobrunner.moc"

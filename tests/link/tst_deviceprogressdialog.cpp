#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/deviceprogressdialog.h"
#include "sim/registersimulator.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.6");
const Qt::WindowFlags Flags = Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint;

// The callers' pattern: labels, connections, then the job and a modal exec().
void prepare(DeviceProgressDialog &dialog, DeviceController &controller, const QString &pending)
{
    dialog.setLabelText(QStringLiteral("Подключение к ККТ..."));
    dialog.setPendingLabel(pending);
    dialog.reset();
    QObject::connect(&controller, &DeviceController::connected, &dialog, &DeviceProgressDialog::connected);
    QObject::connect(&controller, &DeviceController::finished, &dialog, &QWidget::close);
    QObject::connect(&controller, &DeviceController::pages, &dialog, &QProgressDialog::setMaximum);
    QObject::connect(&controller, &DeviceController::frame, &dialog, &QProgressDialog::setValue);
}

} // namespace

class TestDeviceProgressDialog : public QObject
{
    Q_OBJECT

private slots:
    void cancelParameterReadBeforeTheRegisterAnswers_data();
    void cancelParameterReadBeforeTheRegisterAnswers();
    void goodsWriteBarIsDeterminate();
};

void TestDeviceProgressDialog::cancelParameterReadBeforeTheRegisterAnswers_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("cancel button") << false;
    QTest::newRow("Escape key") << true;
}

void TestDeviceProgressDialog::cancelParameterReadBeforeTheRegisterAnswers()
{
    QFETCH(bool, byEscape);
    Sim::Config config;
    config.discoveryPort = 0;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    sim.setFault(Sim::ReplyDelay, 0, 300); // the identity reply is slow

    DeviceController controller;
    DeviceProgressDialog dialog(nullptr, Flags);
    prepare(dialog, controller, QStringLiteral("Загрузка из ККТ..."));
    connect(&dialog, &QProgressDialog::canceled, &controller, &DeviceController::stop);
    QCOMPARE(dialog.labelText(), QStringLiteral("Подключение к ККТ..."));
    QCOMPARE(dialog.findChild<QProgressBar *>()->maximum(), 0);

    QString labelAtCancel;
    bool visibleAfterCancel = false;
    connect(&sim, &Sim::requestReceived, &dialog, [&](const Sim::Request &r) {
        if (r.index != 0)
            return;
        // The link's report that it connected, posted before its request
        // went out, comes first also where socket messages overtake posted
        // events (Windows).
        QCoreApplication::sendPostedEvents();
        labelAtCancel = dialog.labelText();
        if (byEscape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.findChild<QPushButton *>()->click();
        visibleAfterCancel = dialog.isVisible();
    });
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.readParams(Host, sim.serverPort()));
    QTimer::singleShot(10000, &dialog, [&dialog] { dialog.done(-1); }); // a hang fails below
    dialog.exec();

    QCOMPARE(finished.count(), 1);
    QCOMPARE(controller.result(), int(ErrStopped));
    QCOMPARE(labelAtCancel, QStringLiteral("Загрузка из ККТ..."));
    QVERIFY2(visibleAfterCancel, "the dialog stays until the job has ended");
    QCOMPARE(sim.requestLog().size(), 3); // the opening steps, nothing of the job's own
}

void TestDeviceProgressDialog::goodsWriteBarIsDeterminate()
{
    Sim::Config config;
    config.discoveryPort = 0;
    config.goodsCapacity = 20; // 11 pages
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));

    DeviceController controller;
    DeviceProgressDialog dialog(nullptr, Flags);
    prepare(dialog, controller, QStringLiteral("Выгрузка в ККТ..."));
    QList<int> maxima;
    QList<bool> visible;
    connect(&controller, &DeviceController::frame, &dialog, [&] {
        maxima << dialog.maximum();
        visible << dialog.isVisible();
    });
    QSignalSpy finished(&controller, &DeviceController::finished);
    QVERIFY(controller.writeGoods(Host, sim.serverPort(), QByteArray(11 * 256, 'g'), sim.serial(), 53));
    QTimer::singleShot(10000, &dialog, [&dialog] { dialog.done(-1); });
    dialog.exec();

    QCOMPARE(finished.count(), 1);
    QCOMPARE(controller.result(), int(ResultOk));
    QCOMPARE(maxima, (QList<int> { 11, 11, 11 }));
    // A full bar (11 of 11) does not close the dialog before finished() does.
    QCOMPARE(visible, (QList<bool> { true, true, true }));
    QCOMPARE(dialog.value(), 11);
    QCOMPARE(dialog.labelText(), QStringLiteral("Выгрузка в ККТ..."));
}

QTEST_MAIN(TestDeviceProgressDialog)
#include "tst_deviceprogressdialog.moc"

#include "support/modalanswer.h"
#include "support/testsettings.h"
#include "support/wine.h"

#include "app/appsettings.h"
#include "app/browsedevicedialog.h"
#include "app/browsetablemodel.h"
#include "app/deviceregistry.h"
#include "app/qttranslation.h"
#include "app/registerdevicedialog.h"
#include "link/devicefinder.h"
#include "link/devicejob.h"
#include "link/deviceprogressdialog.h"
#include "link/resultexplanation.h"
#include "sim/registersimulator.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cerrno>

using Sim = RegisterSimulator;

namespace {

// Every register here answers on this address, each on an ephemeral port.
const QString Host = QStringLiteral("127.0.0.7");
const QString Title = QStringLiteral("Регистрация ККТ");

// A register without a discovery responder.
RegisterSimulator::Config registerConfig(const QString &serial = QStringLiteral("0012345678"))
{
    RegisterSimulator::Config config;
    config.serial = serial;
    config.discoveryPort = 0;
    return config;
}

quint32 versionWord(int major, int minor, int build)
{
    return quint32(major) << 28 | quint32(minor) << 16 | quint32(build);
}

} // namespace

// The probe is replaced through the dialog's seam (nothing is pinged); the
// identity query goes to an in-process simulator.
class TestRegisterDeviceDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void layoutAndFields();
    void addressStoresWhatTheRegisterReports_data();
    void addressStoresWhatTheRegisterReports();
    void offlineRegistration_data();
    void offlineRegistration();
    void cancelledFamilyChoiceKeepsDialogOpen();
    void failureBoxes_data();
    void failureBoxes();
    void firmwareSupport_data();
    void firmwareSupport();
    void secondOkReportsSecondOutcomeOnce();
    void cancelReturnsQuietly_data();
    void cancelReturnsQuietly();
    void strayEnterDoesNotCancel();
    void trimmedAndIncompleteInput_data();
    void trimmedAndIncompleteInput();
    void browseFillsBothFields_data();
    void browseFillsBothFields();
    void enterAfterBrowsePickRegisters();

private:
    // Shows the dialog with the fake probe and the simulator's port.
    void prepare(RegisterDeviceDialog &dialog, const Sim *sim = nullptr);
    static void press(RegisterDeviceDialog &dialog, const QString &serial, const QString &address);
    static QLineEdit *field(RegisterDeviceDialog &dialog, const char *name);
    static QPushButton *button(QWidget &dialog, const QString &text);
    // The stored entries as "serial|name|version|address".
    static QStringList stored();

    TestSettingsDir m_store;
    QStringList m_pinged;
    int m_pingAnswer = 0;
    QList<QHostAddress> m_scanTargets;
    quint16 m_scanPort = 0;
};

void TestRegisterDeviceDialog::initTestCase()
{
    AppSettings::applyIdentity();
    QVERIFY(loadQtTranslation());
    // "Обзор" never scans the machine's interfaces here.
    BrowseDeviceDialog::setScanSetup([this](DeviceFinder &finder) {
        finder.setTargets(m_scanTargets);
        finder.setPort(m_scanPort);
        finder.setTimeout(200);
    });
}

void TestRegisterDeviceDialog::init()
{
    m_store.clear();
    m_pinged.clear();
    m_pingAnswer = 0;
    m_scanTargets.clear();
    m_scanPort = 0;
}

QStringList TestRegisterDeviceDialog::stored()
{
    QStringList list;
    const DeviceRegistry registry;
    for (const DeviceEntry &e : registry.entries())
        list.append(QStringList({ e.serial, e.name, e.version, e.addr }).join(QLatin1Char('|')));
    return list;
}

void TestRegisterDeviceDialog::prepare(RegisterDeviceDialog &dialog, const Sim *sim)
{
    dialog.setPingFunction([this](const QString &address, int timeoutMs) {
        m_pinged.append(QStringLiteral("%1/%2").arg(address).arg(timeoutMs));
        return m_pingAnswer;
    });
    if (sim)
        dialog.setPort(sim->serverPort());
    dialog.show();
}

QLineEdit *TestRegisterDeviceDialog::field(RegisterDeviceDialog &dialog, const char *name)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(name));
}

QPushButton *TestRegisterDeviceDialog::button(QWidget &dialog, const QString &text)
{
    const QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

void TestRegisterDeviceDialog::press(RegisterDeviceDialog &dialog, const QString &serial,
                                     const QString &address)
{
    field(dialog, "serialEdit")->setText(serial);
    field(dialog, "addressEdit")->setText(address);
    QTest::mouseClick(button(dialog, QStringLiteral("OK")), Qt::LeftButton);
}

void TestRegisterDeviceDialog::layoutAndFields()
{
    RegisterDeviceDialog dialog;
    prepare(dialog);
    QCOMPARE(dialog.windowTitle(), Title);
    QCOMPARE(dialog.port(), quint16(8080));
    QCOMPARE(dialog.layout()->sizeConstraint(), QLayout::SetFixedSize);

    auto *grid = dialog.findChild<QGridLayout *>();
    QVERIFY(grid);
    const auto labelAt = [grid](int row, int column) {
        auto *label = qobject_cast<QLabel *>(grid->itemAtPosition(row, column)->widget());
        return label ? label->text() : QString();
    };
    QCOMPARE(labelAt(0, 0), QStringLiteral("Введите заводской номер ККТ"));
    QCOMPARE(labelAt(2, 1), QStringLiteral("или"));
    QCOMPARE(labelAt(3, 0), QStringLiteral("Введите IP адрес ККТ"));
    for (int column : { 0, 2 }) {
        auto *line = qobject_cast<QFrame *>(grid->itemAtPosition(2, column)->widget());
        QVERIFY(line);
        QCOMPARE(line->frameShape(), QFrame::HLine);
        QCOMPARE(line->frameShadow(), QFrame::Sunken);
    }
    QLineEdit *serial = field(dialog, "serialEdit");
    QLineEdit *address = field(dialog, "addressEdit");
    QCOMPARE(grid->itemAtPosition(1, 2)->widget(), serial);
    QCOMPARE(grid->itemAtPosition(4, 2)->widget(), address);
    QCOMPARE(serial->maxLength(), 16);

    // The browse button on top, OK (the default) and close at the bottom.
    QPushButton *browse = button(dialog, QStringLiteral("Обзор"));
    QPushButton *ok = button(dialog, QStringLiteral("OK"));
    QPushButton *close = button(dialog, QStringLiteral("Закрыть"));
    QVERIFY(browse && ok && close);
    QVERIFY(ok->isDefault());
    QVERIFY(browse->geometry().bottom() < ok->geometry().top());
    QVERIFY(ok->geometry().bottom() < close->geometry().top());
    QVERIFY(serial->geometry().right() < ok->geometry().left());

    // A fourth part above 255, a leading zero part or a letter cannot be typed.
    QTest::keyClicks(address, QStringLiteral("192.168.1.256"));
    QCOMPARE(address->text(), QStringLiteral("192.168.1.25"));
    address->clear();
    QTest::keyClicks(address, QStringLiteral("10.a0.01.5"));
    QCOMPARE(address->text(), QStringLiteral("10.0.0.5"));

    QTest::mouseClick(close, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(m_pinged.isEmpty());
    QVERIFY(stored().isEmpty());
}

void TestRegisterDeviceDialog::addressStoresWhatTheRegisterReports_data()
{
    QTest::addColumn<QString>("typedSerial");
    QTest::newRow("address only: the reported serial is the key and the name") << QString();
    QTest::newRow("serial typed exactly as reported") << QStringLiteral("0530000002");
}

void TestRegisterDeviceDialog::addressStoresWhatTheRegisterReports()
{
    QFETCH(QString, typedSerial);
    Sim::Config config = registerConfig(QStringLiteral("0530000002"));
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));

    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);

    // What the progress window shows while the register answers.
    QString label;
    QString cancelText;
    Qt::WindowFlags flags;
    connect(&sim, &Sim::requestReceived, this, [&](const Sim::Request &request) {
        if (request.index != 2)
            return;
        auto *progress = qobject_cast<DeviceProgressDialog *>(QApplication::activeModalWidget());
        QVERIFY(progress);
        label = progress->labelText();
        flags = progress->windowFlags();
        QPushButton *cancel = progress->findChild<QPushButton *>();
        cancelText = cancel ? cancel->text() : QString();
    });

    ModalAnswerer answerer;
    press(dialog, typedSerial, Host);

    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_pinged, QStringList({ Host + "/1000" }));
    QCOMPARE(stored(), QStringList({ "0530000002|0530000002|2.53.12|" + Host }));
    QCOMPARE(label, QStringLiteral("Получение данных о ККТ..."));
    QCOMPARE(cancelText, QStringLiteral("Отмена"));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint) && flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
}

void TestRegisterDeviceDialog::offlineRegistration_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("family");
    QTest::newRow("serial only, first family") << QString() << QStringLiteral("2.52.*");
    QTest::newRow("serial only, second family") << QString() << QStringLiteral("2.53.*");
    QTest::newRow("silent address, offline confirmed: no address kept") << Host << QStringLiteral("2.53.*");
}

void TestRegisterDeviceDialog::offlineRegistration()
{
    QFETCH(QString, address);
    QFETCH(QString, family);
    m_pingAnswer = 11003; // a time-out
    RegisterDeviceDialog dialog;
    prepare(dialog);

    ModalAnswerer answerer;
    QStringList buttonTexts;
    if (!address.isEmpty()) {
        answerer.thenOn<QMessageBox>([&](QMessageBox *box) {
            buttonTexts << box->button(QMessageBox::Yes)->text().remove('&')
                        << box->button(QMessageBox::No)->text().remove('&');
            box->button(QMessageBox::Yes)->click();
        });
    }
    bool editable = true;
    bool titleFits = false;
    answerer.thenOn<QInputDialog>([&](QInputDialog *input) {
        editable = input->isComboBoxEditable();
        QFont bold = input->font();
        bold.setBold(true);
        // The title and a title bar's close button.
        titleFits = input->width() >= QFontMetrics(bold).horizontalAdvance(input->windowTitle()) + 64;
        for (const QPushButton *b : input->findChildren<QPushButton *>())
            buttonTexts << b->text();
        input->setTextValue(family);
        input->accept();
    });
    press(dialog, QStringLiteral("0520000001"), address);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // Serial only: the family choice comes at once, without any probe.
    QCOMPARE(m_pinged.size(), address.isEmpty() ? 0 : 1);
    const QList<ModalAnswerer::Seen> boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), address.isEmpty() ? 0 : 1);
    if (!address.isEmpty()) {
        QCOMPARE(boxes.first().icon, QMessageBox::Question);
        QCOMPARE(boxes.first().text,
                 QStringLiteral("ККТ по адресу 127.0.0.7 не отвечает. Зарегистрировать оффлайн?"));
    }
    const QList<ModalAnswerer::Seen> choices = answerer.seenOf("QInputDialog");
    QCOMPARE(choices.size(), 1);
    QCOMPARE(choices.first().title, Title);
    QCOMPARE(choices.first().text, QStringLiteral("Укажите версию ФС ККТ"));
    QCOMPARE(choices.first().items, QStringList({ "2.52.*", "2.53.*" }));
    QCOMPARE(choices.first().current, QStringLiteral("2.52.*"));
    QVERIFY(!editable);
    QVERIFY(titleFits);
    // Russian texts on the standard buttons too.
    QVERIFY2(buttonTexts.contains(QStringLiteral("Отмена")), qPrintable(buttonTexts.join(',')));
    if (!address.isEmpty())
        QCOMPARE(buttonTexts.mid(0, 2), QStringList({ "Да", "Нет" }));
    QCOMPARE(stored(), QStringList({ "0520000001|0520000001|" + family + "|" }));
}

void TestRegisterDeviceDialog::cancelledFamilyChoiceKeepsDialogOpen()
{
    RegisterDeviceDialog dialog;
    prepare(dialog);
    ModalAnswerer answerer;
    answerer.thenReject<QInputDialog>();
    press(dialog, QStringLiteral("0520000001"), QString());

    QCOMPARE(answerer.pending(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(field(dialog, "serialEdit")->text(), QStringLiteral("0520000001"));
    QVERIFY(answerer.seenOf("QMessageBox").isEmpty());
    QVERIFY(stored().isEmpty());
}

void TestRegisterDeviceDialog::failureBoxes_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("pingAnswer");
    QTest::addColumn<int>("fault"); // on the identity request
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code"); // a failed query: the code whose explanation follows the text
    QTest::addColumn<QString>("reported"); // the register's serial number; empty: AB0530000002

    const int none = Sim::NoFault;
    const int warning = QMessageBox::Warning;
    QTest::newRow("neither serial nor address")
        << QString() << QString() << 0 << none << warning
        << QStringLiteral("Введите заводской номер ККТ или IP адрес!") << 0 << QString();
    QTest::newRow("silent address, no serial")
        << QString() << Host << 11010 << none << warning
        << QStringLiteral("ККТ по адресу 127.0.0.7 не отвечает") << 0 << QString();
    QTest::newRow("silent address, serial given, offline declined")
        << QStringLiteral("0530000002") << Host << 11010 << none << int(QMessageBox::Question)
        << QStringLiteral("ККТ по адресу 127.0.0.7 не отвечает. Зарегистрировать оффлайн?") << 0 << QString();
    QTest::newRow("connection closed: socket error code shown")
        << QString() << Host << 0 << int(Sim::CloseConnection) << int(QMessageBox::Critical)
        << QStringLiteral("Ошибка подключения (-14) к ККТ по адресу 127.0.0.7") << int(ErrSocket)
        << QString();
    QTest::newRow("bad reply: its own code shown")
        << QString() << Host << 0 << int(Sim::BadCrc) << int(QMessageBox::Critical)
        << QStringLiteral("Ошибка подключения (-5) к ККТ по адресу 127.0.0.7") << int(ErrBadReply)
        << QString();
    QTest::newRow("register reports another serial")
        << QStringLiteral("0530000009") << Host << 0 << none << warning
        << QStringLiteral("По адресу 127.0.0.7 отвечает ККТ с зав.номером AB0530000002") << 0 << QString();
    QTest::newRow("serial typed in another case is a mismatch")
        << QStringLiteral("ab0530000002") << Host << 0 << none << warning
        << QStringLiteral("По адресу 127.0.0.7 отвечает ККТ с зав.номером AB0530000002") << 0 << QString();
    // Its profile would be stored under another register's key, 0530000021.
    const QString refused
        = QStringLiteral("Заводской номер ККТ «%1» нельзя сохранить в настройках программы: в нём "
                         "есть «/», «\\» или управляющий символ, а заводской номер ККТ "
                         "состоит из цифр и букв");
    QTest::newRow("register reports a serial with a separator")
        << QString() << Host << 0 << none << warning << refused.arg("/0530000021") << 0
        << QStringLiteral("/0530000021");
    QTest::newRow("serial with a separator typed for an offline registration")
        << QStringLiteral("05/30") << QString() << 0 << none << warning << refused.arg("05/30") << 0
        << QString();
}

void TestRegisterDeviceDialog::failureBoxes()
{
    QFETCH(QString, serial);
    QFETCH(QString, address);
    QFETCH(int, pingAnswer);
    QFETCH(int, fault);
    QFETCH(int, icon);
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QString, reported);

    Sim::Config config = registerConfig(reported.isEmpty() ? QStringLiteral("AB0530000002") : reported);
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    sim.setFault(Sim::Fault(fault), 0);
    m_pingAnswer = pingAnswer;
    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::No);
    press(dialog, serial, address);

    const QList<ModalAnswerer::Seen> boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, Title);
    QCOMPARE(int(boxes.first().icon), icon);
    QCOMPARE(boxes.first().text, text);
    QCOMPARE(boxes.first().informative, code ? resultExplanation(code) : QString());
    QVERIFY(answerer.seenOf("QInputDialog").isEmpty());
    // The dialog stays open with the fields as typed, and nothing is stored.
    QVERIFY(dialog.isVisible());
    QCOMPARE(field(dialog, "serialEdit")->text(), serial);
    QCOMPARE(field(dialog, "addressEdit")->text(), address);
    QVERIFY(stored().isEmpty());
}

void TestRegisterDeviceDialog::firmwareSupport_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<bool>("supported");
    QTest::newRow("2.52.37 refused: last unsupported build") << versionWord(2, 52, 37) << false;
    QTest::newRow("2.52.38 accepted: first supported build") << versionWord(2, 52, 38) << true;
    QTest::newRow("2.53.0 accepted: any 2.53 build") << versionWord(2, 53, 0) << true;
    QTest::newRow("3.53.1 refused: another major") << versionWord(3, 53, 1) << false;
}

void TestRegisterDeviceDialog::firmwareSupport()
{
    QFETCH(quint32, version);
    QFETCH(bool, supported);
    Sim::Config config = registerConfig(QStringLiteral("0512345678"));
    config.family = ((version >> 16) & 0xFFF) == 52 ? Sim::Family252 : Sim::Family253;
    config.versionWord = version;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);

    ModalAnswerer answerer;
    press(dialog, QString(), Host);

    const QString text
        = QStringLiteral("%1.%2.%3").arg(version >> 28).arg((version >> 16) & 0xFFF).arg(version & 0xFFFF);
    const QList<ModalAnswerer::Seen> boxes = answerer.seenOf("QMessageBox");
    if (supported) {
        QVERIFY(boxes.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(stored(), QStringList({ "0512345678|0512345678|" + text + "|" + Host }));
    } else {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().text, QStringLiteral("Версия ККТ %1 не поддерживается").arg(text));
        QVERIFY(dialog.isVisible());
        QVERIFY(stored().isEmpty());
    }
}

void TestRegisterDeviceDialog::secondOkReportsSecondOutcomeOnce()
{
    Sim::Config config = registerConfig(QStringLiteral("0530000002"));
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    sim.setFault(Sim::CloseConnection, 0);
    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);
    ModalAnswerer answerer;

    press(dialog, QStringLiteral("0530000009"), Host);
    sim.clearFaults();
    press(dialog, QStringLiteral("0530000009"), Host);
    QStringList texts;
    for (const ModalAnswerer::Seen &box : answerer.seenOf("QMessageBox"))
        texts.append(box.text);
    QCOMPARE(texts,
             QStringList({ "Ошибка подключения (-14) к ККТ по адресу 127.0.0.7",
                           "По адресу 127.0.0.7 отвечает ККТ с зав.номером 0530000002" }));
    QVERIFY(stored().isEmpty());

    // A third press that succeeds stores the register once and shows nothing.
    press(dialog, QStringLiteral("0530000002"), Host);
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 2);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(stored().size(), 1);
}

void TestRegisterDeviceDialog::cancelReturnsQuietly_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("cancel button") << false;
    QTest::newRow("Escape key") << true;
}

void TestRegisterDeviceDialog::cancelReturnsQuietly()
{
    QFETCH(bool, escape);
    Sim::Config config = registerConfig();
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    // The user cancels while the register is still answering the opening steps.
    bool cancelled = false;
    connect(&sim, &Sim::requestReceived, this, [&](const Sim::Request &request) {
        if (request.index != 1)
            return;
        auto *progress = qobject_cast<DeviceProgressDialog *>(QApplication::activeModalWidget());
        QVERIFY(progress);
        QPushButton *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel);
        if (escape)
            QTest::keyClick(progress, Qt::Key_Escape);
        else
            cancel->click();
        cancelled = true;
        // Cancel asks the job to stop; the window stays until the job has ended.
        QVERIFY(progress->isVisible());
    });
    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);
    ModalAnswerer answerer;
    press(dialog, QStringLiteral("0012345678"), Host);

    // No box: the dialog is back with the fields as typed, nothing stored.
    QVERIFY(cancelled);
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(field(dialog, "serialEdit")->text(), QStringLiteral("0012345678"));
    QCOMPARE(field(dialog, "addressEdit")->text(), Host);
    QVERIFY(stored().isEmpty());

    // The next OK queries afresh and registers.
    sim.disconnect(this);
    press(dialog, QStringLiteral("0012345678"), Host);
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QCOMPARE(stored(), QStringList({ "0012345678|0012345678|2.53.12|" + Host }));
}

void TestRegisterDeviceDialog::strayEnterDoesNotCancel()
{
    Sim::Config config = registerConfig();
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    // The second of two quick Enters reaches the progress window's button.
    bool pressed = false;
    connect(&sim, &Sim::requestReceived, this, [&](const Sim::Request &request) {
        if (request.index != 1)
            return;
        auto *progress = qobject_cast<DeviceProgressDialog *>(QApplication::activeModalWidget());
        QVERIFY(progress);
        QPushButton *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel);
        cancel->setFocus();
        QTest::keyClick(cancel, Qt::Key_Return);
        pressed = true;
    });
    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);
    ModalAnswerer answerer;
    press(dialog, QString(), Host);

    QVERIFY(pressed);
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(stored(), QStringList({ "0012345678|0012345678|2.53.12|" + Host }));
}

void TestRegisterDeviceDialog::trimmedAndIncompleteInput_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("box"); // the one box shown, or none
    QTest::addColumn<QString>("pinged");
    QTest::addColumn<QString>("stored");

    const QString incomplete
        = QStringLiteral("Адрес «%1» неполный. Введите IP адрес ККТ полностью: четыре числа "
                         "от 0 до 255 через точку, например 192.168.1.10.");
    QTest::newRow("serial of blanks only is no serial")
        << QStringLiteral("   ") << QString() << QStringLiteral("Введите заводской номер ККТ или IP адрес!")
        << QString() << QString();
    QTest::newRow("blanks around an offline serial are dropped")
        << QStringLiteral(" 0530000002\t") << QString() << QString() << QString()
        << QStringLiteral("0530000002|0530000002|2.52.*|");
    QTest::newRow("blanks around a serial the register reports: no mismatch")
        << QStringLiteral(" 0530000002 ") << Host << QString() << Host + "/1000"
        << QStringLiteral("0530000002|0530000002|2.53.12|") + Host;
    QTest::newRow("blanks around the address are dropped")
        << QString() << " " + Host + " " << QString() << Host + "/1000"
        << QStringLiteral("0530000002|0530000002|2.53.12|") + Host;
    QTest::newRow("incomplete address is not probed")
        << QString() << QStringLiteral("127.0.0.") << incomplete.arg("127.0.0.") << QString() << QString();
    QTest::newRow("incomplete address with a serial offers no offline registration")
        << QStringLiteral("0530000002") << QStringLiteral("10.1") << incomplete.arg("10.1") << QString()
        << QString();
}

void TestRegisterDeviceDialog::trimmedAndIncompleteInput()
{
    QFETCH(QString, serial);
    QFETCH(QString, address);
    QFETCH(QString, box);
    QFETCH(QString, pinged);
    QFETCH(QString, stored);

    Sim::Config config = registerConfig(QStringLiteral("0530000002"));
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);
    ModalAnswerer answerer;
    answerer.thenItem(QStringLiteral("2.52.*")); // in case the family choice comes
    press(dialog, serial, address);

    QStringList boxes;
    for (const ModalAnswerer::Seen &seen : answerer.seenOf("QMessageBox"))
        boxes.append(seen.text);
    QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList({ box }));
    QCOMPARE(m_pinged, pinged.isEmpty() ? QStringList() : QStringList({ pinged }));
    QCOMPARE(this->stored(), stored.isEmpty() ? QStringList() : QStringList({ stored }));
    QCOMPARE(dialog.isVisible(), stored.isEmpty());
}

void TestRegisterDeviceDialog::browseFillsBothFields_data()
{
    QTest::addColumn<bool>("pick");
    QTest::newRow("picked register replaces both fields") << true;
    QTest::newRow("browse closed: fields stay as typed") << false;
}

void TestRegisterDeviceDialog::browseFillsBothFields()
{
    SKIP_SCANS_UNDER_WINE();
    QFETCH(bool, pick);
    Sim::Config config = registerConfig(QStringLiteral("0530000002"));
    config.discoveryPort = Sim::EphemeralPort;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    m_scanTargets = { QHostAddress(Host) };
    m_scanPort = sim.discoveryPort();
    QVERIFY(m_scanPort != 0);

    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);
    field(dialog, "serialEdit")->setText(QStringLiteral("typed"));
    field(dialog, "addressEdit")->setText(QStringLiteral("10.0.0."));

    ModalAnswerer answerer;
    if (pick) {
        answerer.thenOn<BrowseDeviceDialog>([](BrowseDeviceDialog *browse) {
            // Double-click the first register once the scan has listed it.
            connect(
                browse->model(), &QAbstractItemModel::modelReset, browse,
                [browse] { browse->pickDevice(browse->model()->index(0, 0)); }, Qt::QueuedConnection);
        });
    } else {
        answerer.thenReject<BrowseDeviceDialog>();
    }
    QTimer::singleShot(20000, &dialog, &QDialog::reject); // a hang fails instead of stalling
    QTest::mouseClick(button(dialog, QStringLiteral("Обзор")), Qt::LeftButton);

    QVERIFY(dialog.isVisible());
    QCOMPARE(field(dialog, "serialEdit")->text(),
             pick ? QStringLiteral("0530000002") : QStringLiteral("typed"));
    QCOMPARE(field(dialog, "addressEdit")->text(), pick ? Host : QStringLiteral("10.0.0."));
    QVERIFY(m_pinged.isEmpty());
    QVERIFY(stored().isEmpty());
}

void TestRegisterDeviceDialog::enterAfterBrowsePickRegisters()
{
    SKIP_SCANS_UNDER_WINE();
    Sim::Config config = registerConfig(QStringLiteral("0530000002"));
    config.discoveryPort = Sim::EphemeralPort;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Host)));
    m_scanTargets = { QHostAddress(Host) };
    m_scanPort = sim.discoveryPort();
    int scans = 0;

    RegisterDeviceDialog dialog;
    prepare(dialog, &sim);
    ModalAnswerer answerer;
    answerer.thenOn<BrowseDeviceDialog>([&scans](BrowseDeviceDialog *browse) {
        connect(
            browse->model(), &QAbstractItemModel::modelReset, browse,
            [browse, &scans] {
                ++scans;
                browse->pickDevice(browse->model()->index(0, 0));
            },
            Qt::QueuedConnection);
    });
    QTimer::singleShot(20000, &dialog, &QDialog::reject); // a hang fails instead of stalling
    QPushButton *browseButton = button(dialog, QStringLiteral("Обзор"));
    browseButton->setFocus();
    QTest::keyClick(browseButton, Qt::Key_Space);
    QCOMPARE(scans, 1);

    // The pick moved the focus to OK: one Enter registers, with no second scan.
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), button(dialog, QStringLiteral("OK")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(scans, 1);
    QCOMPARE(answerer.seenOf("BrowseDeviceDialog").size(), 1);
    QCOMPARE(m_pinged, QStringList({ Host + "/1000" }));
    QCOMPARE(stored(), QStringList({ "0530000002|0530000002|2.53.12|" + Host }));
}

QTEST_MAIN(TestRegisterDeviceDialog)
#include "tst_registerdevicedialog.moc"

#include "support/modalanswer.h"
#include "support/testdatahome.h"
#include "support/testsettings.h"

#include "app/deviceregistry.h"
#include "app/inputipdialog.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "history/snapshotstore.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/deviceprofile.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"
#include "tabs/devicetab.h"
#include "tabs/devicewidget.h"
#include "window/deviceissuewidget.h"
#include "window/devicewindow.h"
#include "window/issuelistmodel.h"
#include "window/snapshothistorydialog.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.71");
const QString OtherHost = QStringLiteral("127.0.0.72");
const QString SilentHost = QStringLiteral("127.0.0.73");
const QString Serial = QStringLiteral("0530000071");
const QString OtherSerial = QStringLiteral("0530000079");

const QStringList Tabs52 = { "ConfigTab52", "PositionTab", "UserTab52", "DeptTab",
                             "OrgTab52",    "DesignTab",   "OfdTab52",  "RegistrationTab52" };
const QStringList Tabs53 = { "ConfigTab53", "PositionTab", "UserTab53", "DeptTab",
                             "OrgTab53",    "DesignTab",   "OfdTab53",  "RegistrationTab53" };
const QStringList Captions
    = { "Конфигурация",          "Должности",   "Пользователи",  "Отделы",
        "Реквизиты организации", "Дизайн чека", "Настройки ОФД", "Регистрационные данные" };

const QString ShopName52 = QStringLiteral("ООО \"Ромашка\"");
const QString ShopName53 = QStringLiteral("ООО \"Василёк\"");

std::unique_ptr<Sim> startSim(int family, const QString &serial, const QString &host = Host)
{
    Sim::Config config;
    config.family = family == 52 ? Sim::Family252 : Sim::Family253;
    config.serial = serial;
    config.goodsCapacity = family == 52 ? 1500 : 3000;
    config.discoveryPort = 0;
    auto sim = std::make_unique<Sim>(config);
    sim->fillDemoParameters();
    if (!sim->listen(QHostAddress(host)))
        return nullptr;
    return sim;
}

void storeProfile(const QString &serial, const QString &version, const QByteArray &params,
                  const QByteArray &system, int goodsCapacity = 2000)
{
    QVERIFY(DeviceProfile().save(serial, version, goodsCapacity, params, system));
}

DeviceEntry registryEntry(const QString &serial)
{
    const DeviceRegistry registry;
    for (const DeviceEntry &entry : registry.entries()) {
        if (entry.serial == serial)
            return entry;
    }
    return {};
}

QStringList classNames(const QList<DeviceWidget *> &tabs)
{
    QStringList names;
    for (const DeviceWidget *tab : tabs)
        names.append(QString::fromLatin1(tab->metaObject()->className()));
    return names;
}

QStringList captions(const QTabWidget *tabs)
{
    QStringList list;
    for (int k = 0; k < tabs->count(); ++k)
        list.append(tabs->tabText(k).remove(QLatin1Char('&')));
    return list;
}

// The organisation tab's line edit that shows text.
QLineEdit *orgEdit(DeviceWindow *window, const QString &text)
{
    const int index = Captions.indexOf(QStringLiteral("Реквизиты организации"));
    if (index >= window->tabs().size())
        return nullptr;
    for (QLineEdit *edit : window->tabs().at(index)->findChildren<QLineEdit *>()) {
        if (edit->text() == text)
            return edit;
    }
    return nullptr;
}

void trigger(DeviceWindow *window, const char *action)
{
    QAction *a = window->findChild<QAction *>(QLatin1String(action));
    QVERIFY2(a, action);
    QVERIFY2(a->isEnabled(), action);
    a->trigger();
}

bool enabled(DeviceWindow *window, const char *action)
{
    QAction *a = window->findChild<QAction *>(QLatin1String(action));
    return a && a->isEnabled();
}

QString statusAddress(DeviceWindow *window)
{
    return window->findChild<QLabel *>(QStringLiteral("statusAddressLabel"))->text();
}

// Answers the next address request with address (empty: cancels it) and
// notes its prompt.
void answerAddress(ModalAnswerer &answerer, const QString &address, QStringList *prompts)
{
    answerer.thenOn<InputIpDialog>([address, prompts](InputIpDialog *dialog) {
        prompts->append(dialog->findChild<QLabel *>()->text());
        if (address.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->findChild<QLineEdit *>()->setText(address);
        dialog->accept();
    });
}

// Answers the question a write asks when the check finds problems with
// button, noting whether "Нет" was its default.
void answerFindings(ModalAnswerer &answerer, QMessageBox::StandardButton button, bool *defaultIsNo = nullptr)
{
    answerer.thenOn<QMessageBox>([button, defaultIsNo](QMessageBox *box) {
        if (defaultIsNo)
            *defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
        box->button(button)->click();
    });
}

// The boxes a write showed after the question about findings.
QList<ModalAnswerer::Seen> outcome(const ModalAnswerer &answerer)
{
    QList<ModalAnswerer::Seen> boxes = answerer.seenOf("QMessageBox");
    if (!boxes.isEmpty() && boxes.first().text.startsWith(QStringLiteral("В параметрах найдены проблемы")))
        boxes.removeFirst();
    return boxes;
}

bool wroteAnything(const Sim &sim)
{
    for (const Sim::Request &request : sim.requestLog()) {
        if (request.command == Frame::CmdWritePages || request.command == Frame::CmdWriteSystemPages)
            return true;
    }
    return false;
}

QByteArray profileParams(const QString &serial, QByteArray *system = nullptr, QString *version = nullptr)
{
    QString v;
    int capacity = 0;
    QByteArray params;
    QByteArray sys;
    DeviceProfile().load(serial, v, capacity, params, sys);
    if (system)
        *system = sys;
    if (version)
        *version = v;
    return params;
}

} // namespace

class TestDeviceWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensWithTheProfile_data();
    void opensWithTheProfile();
    void withoutFamilyOnlyLoadAndAddress_data();
    void withoutFamilyOnlyLoadAndAddress();
    void loadFromAnotherSerialChangesNothing();
    void loadFollowsTheRegistersFamily();
    void offlineLoadAsksForAnAddressFirst_data();
    void offlineLoadAsksForAnAddressFirst();
    void cancelledLoadReportsTheStop();
    void writeToSilentAddressOnlyWarns();
    void writeChangesTheRegister();
    void writeNeverStartsFromDefaults();
    void writeGuardRefusesAnotherRegister_data();
    void writeGuardRefusesAnotherRegister();
    void failedWriteSaysWhatTheRegisterMayHold_data();
    void failedWriteSaysWhatTheRegisterMayHold();
    void cancelledSnapshotCancelsTheWriteQuietly();
    void restoredSnapshotIsWhatTheWriteSends();
    void checkListsEachFindingOnce_data();
    void checkListsEachFindingOnce();
    void changeAddress_data();
    void changeAddress();
    void closeAsksAboutUnsavedChanges_data();
    void closeAsksAboutUnsavedChanges();
    void unstorableSerialIsSaid_data();
    void unstorableSerialIsSaid();
    void roundTripKeepsTheImage_data();
    void roundTripKeepsTheImage();
    void departmentNamesForTheGoods();
    void goodsWindowBesideTheDeviceWindow();
    void restoreThenWriteGivesTheSnapshotsBytes_data();
    void restoreThenWriteGivesTheSnapshotsBytes();
    void writeAsksWhenTheCheckFindsProblems();
    void writeWithoutStoredSnapshotOnlyWhenAsked_data();
    void writeWithoutStoredSnapshotOnlyWhenAsked();
    void unreadSnapshotSaysTheWriteDidNotStart();
    void feedbackAfterLoadSaveAndCheck();
    void changesAreMarkedAndReverted();
    void findingSelectsItsCell();
    void positionNamesFollowTheirTab();
    void fitsASmallScreenAndRemembersItsPlace();
    void keysAndMnemonics();

private:
    // The window of a register listed under serial, as the main window opens it.
    std::unique_ptr<DeviceWindow> open(const QString &serial, const QString &version, const QString &addr,
                                       quint16 port = 0);

    TestSettingsDir m_store;
    std::unique_ptr<TestDataHome> m_data; // a fresh one for each test
    QSet<QString> m_answering; // addresses the probe finds
    QStringList m_pinged;
    bool m_pingWithoutWaitCursor = false;
};

void TestDeviceWindow::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
}

void TestDeviceWindow::init()
{
    m_store.clear();
    m_data = std::make_unique<TestDataHome>();
    m_answering.clear();
    m_pinged.clear();
    m_pingWithoutWaitCursor = false;
    Reachability::setPingFunction([this](const QString &address, int timeoutMs) {
        m_pinged.append(address);
        const QCursor *cursor = QApplication::overrideCursor();
        if (!cursor || cursor->shape() != Qt::WaitCursor || timeoutMs != 1000)
            m_pingWithoutWaitCursor = true;
        return m_answering.contains(address) ? 0 : 11010;
    });
}

void TestDeviceWindow::cleanup()
{
    m_data.reset();
    Reachability::setPingFunction({});
    QVERIFY2(!m_pingWithoutWaitCursor, "every probe runs under a wait cursor for its second");
    QVERIFY(!QApplication::overrideCursor());
}

std::unique_ptr<DeviceWindow> TestDeviceWindow::open(const QString &serial, const QString &version,
                                                     const QString &addr, quint16 port)
{
    {
        DeviceRegistry registry;
        registry.addDevice(serial, version, QStringLiteral("Касса 1"), addr);
        registry.save();
    }
    auto window = std::make_unique<DeviceWindow>();
    if (port)
        window->setPort(port);
    window->setDevice(serial, version, QStringLiteral("Касса 1"), addr);
    window->show();
    return window;
}

void TestDeviceWindow::opensWithTheProfile_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("profile");
    QTest::addColumn<QString>("addr");
    QTest::newRow("2.52 with a stored profile") << 52 << true << Host;
    QTest::newRow("2.53 registered offline, no profile") << 53 << false << QString();
}

void TestDeviceWindow::opensWithTheProfile()
{
    QFETCH(int, family);
    QFETCH(bool, profile);
    QFETCH(QString, addr);
    const auto sim = startSim(family, Serial);
    QVERIFY(sim);
    if (profile)
        storeProfile(Serial, "2.52.40", sim->parameterImage(), sim->systemImage(), 1234);

    const auto window = open(Serial, family == 52 ? "2.52.40" : "2.53.*", addr);
    QCOMPARE(window->windowTitle(), QStringLiteral("ККТ Касса 1. Заводской номер ") + Serial);
    QCOMPARE(statusAddress(window.get()), addr.isEmpty() ? QStringLiteral(" 000.000.000.000 ") : addr);
    QStringList menus;
    for (QAction *menu : window->menuBar()->actions()) {
        menus.append(menu->text().remove('&'));
        for (QAction *action : menu->menu()->actions())
            menus.append("  " + action->text().remove('&'));
    }
    QCOMPARE(menus,
             QStringList({ "ККТ", "  Изменить адрес ККТ", "  Загрузить из ККТ", "  Выгрузить в ККТ",
                           "  Применить к другим ККТ…", "Профиль", "  Сохранить профиль",
                           "  История изменений…", "Данные", "  Проверить", "  Номенклатура", "  ",
                           "  Отменить изменения вкладки", "  Отменить все изменения" }));
    QCOMPARE(classNames(window->tabs()), family == 52 ? Tabs52 : Tabs53);
    QCOMPARE(captions(window->tabWidget()), Captions);
    QCOMPARE(window->goodsCapacity(), profile ? 1234 : 0);
    // Without a profile the family's defaults show: no organisation name.
    QCOMPARE(orgEdit(window.get(), ShopName52) != nullptr, profile);
}

void TestDeviceWindow::withoutFamilyOnlyLoadAndAddress_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("another family") << "2.54.1";
    QTest::newRow("no second part") << "2";
    QTest::newRow("empty") << "";
}

void TestDeviceWindow::withoutFamilyOnlyLoadAndAddress()
{
    QFETCH(QString, version);
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    m_answering.insert(Host);
    const auto window = open(Serial, version, Host, sim->serverPort());
    QVERIFY(!window->params());
    QCOMPARE(window->tabWidget()->count(), 0);
    QVERIFY(enabled(window.get(), "actionDeviceImport"));
    QVERIFY(enabled(window.get(), "actionDeviceChangeAddr"));
    for (const char *action : { "actionDeviceExport", "actionApplyToOthers", "actionProfileExport",
                                "actionValidate", "actionShowGoods" })
        QVERIFY2(!enabled(window.get(), action), action);

    ModalAnswerer answerer;
    trigger(window.get(), "actionDeviceImport");
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QCOMPARE(classNames(window->tabs()), Tabs53);
    for (const char *action : { "actionDeviceExport", "actionApplyToOthers", "actionProfileExport",
                                "actionValidate", "actionShowGoods" })
        QVERIFY2(enabled(window.get(), action), action);
    QVERIFY(orgEdit(window.get(), ShopName53));
}

void TestDeviceWindow::loadFromAnotherSerialChangesNothing()
{
    const auto sim = startSim(52, OtherSerial);
    QVERIFY(sim);
    const auto profileSim = startSim(53, Serial, OtherHost);
    QVERIFY(profileSim);
    storeProfile(Serial, "2.53.12", profileSim->parameterImage(), profileSim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    QLineEdit *name = orgEdit(window.get(), ShopName53);
    QVERIFY(name);
    name->setText(QStringLiteral("Изменено"));
    const QList<DeviceWidget *> before = window->tabs();

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceImport");

    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Critical);
    QCOMPARE(boxes.first().title, QStringLiteral("Загрузка из ККТ"));
    QCOMPARE(boxes.first().text,
             QStringLiteral("Заводской номер ККТ %1 не совпадает с номером из профиля %2")
                 .arg(OtherSerial, Serial));
    QCOMPARE(window->tabs(), before);
    QCOMPARE(window->version(), QStringLiteral("2.53.12"));
    QCOMPARE(name->text(), QStringLiteral("Изменено"));
    QCOMPARE(window->goodsCapacity(), 2000);
}

void TestDeviceWindow::loadFollowsTheRegistersFamily()
{
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.*", Host, sim->serverPort());
    QCOMPARE(classNames(window->tabs()), Tabs53);
    QSignalSpy registryUpdates(window.get(), &DeviceWindow::updateRegistry);

    ModalAnswerer answerer;
    QTest::ignoreMessage(
        QtDebugMsg,
        QRegularExpression(QStringLiteral("read version 2\\.52\\.40, serial %1, parameters "
                                          "2560 bytes, system 1024 bytes, goods capacity 1500")
                               .arg(Serial)));
    trigger(window.get(), "actionDeviceImport");
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QCOMPARE(classNames(window->tabs()), Tabs52);
    QCOMPARE(captions(window->tabWidget()), Captions);
    QVERIFY(orgEdit(window.get(), ShopName52));
    QCOMPARE(window->version(), QStringLiteral("2.52.40"));
    QCOMPARE(window->goodsCapacity(), 1500);
    // The list keeps its version until the profile is saved.
    QCOMPARE(registryEntry(Serial).version, QStringLiteral("2.53.*"));
    QCOMPARE(registryUpdates.count(), 0);

    trigger(window.get(), "actionProfileExport");
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 0);
    QCOMPARE(registryEntry(Serial).version, QStringLiteral("2.52.40"));
    QCOMPARE(registryUpdates.count(), 1);
    QString version;
    QByteArray system;
    QCOMPARE(profileParams(Serial, &system, &version).size(), 2560);
    QCOMPARE(version, QStringLiteral("2.52.40"));
    QCOMPARE(system, sim->systemImage());

    // Reopened, the window shows what was saved.
    const auto reopened = open(Serial, registryEntry(Serial).version, Host);
    QCOMPARE(classNames(reopened->tabs()), Tabs52);
    QVERIFY(orgEdit(reopened.get(), ShopName52));
    QCOMPARE(reopened->goodsCapacity(), 1500);
}

void TestDeviceWindow::offlineLoadAsksForAnAddressFirst_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QString>("stored");
    QTest::newRow("a silent address, then one that answers")
        << QStringList({ SilentHost, Host })
        << QStringList({ "ККТ по адресу  не доступен. Введите адрес:",
                         "ККТ по адресу 127.0.0.73 не доступен. Введите адрес:" })
        << Host;
    QTest::newRow("cancelled") << QStringList({ QString() })
                               << QStringList({ "ККТ по адресу  не доступен. Введите адрес:" }) << QString();
}

void TestDeviceWindow::offlineLoadAsksForAnAddressFirst()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, prompts);
    QFETCH(QString, stored);
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.*", QString(), sim->serverPort());
    QSignalSpy registryUpdates(window.get(), &DeviceWindow::updateRegistry);
    // The address must be in the list before the register is asked anything.
    QString listedAtFirstRequest = QStringLiteral("(no request)");
    connect(sim.get(), &Sim::requestReceived, this, [&] {
        if (sim->requestLog().size() == 1)
            listedAtFirstRequest = registryEntry(Serial).addr;
    });

    ModalAnswerer answerer;
    QStringList seenPrompts;
    for (const QString &answer : answers)
        answerAddress(answerer, answer, &seenPrompts);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceImport");

    QCOMPARE(seenPrompts, prompts);
    QVERIFY(!m_pinged.contains(QString()));
    const auto boxes = answerer.seenOf("QMessageBox");
    if (stored.isEmpty()) {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.first().title, QStringLiteral("Загрузка из ККТ"));
        QCOMPARE(boxes.first().text, QStringLiteral("ККТ по адресу  не доступен"));
        QCOMPARE(registryUpdates.count(), 0);
        QCOMPARE(sim->connectionCount(), 0);
        QVERIFY(sim->requestLog().isEmpty());
        QCOMPARE(registryEntry(Serial).addr, QString());
        return;
    }
    QCOMPARE(boxes.size(), 0);
    QCOMPARE(listedAtFirstRequest, stored);
    QCOMPARE(registryEntry(Serial).addr, stored);
    QCOMPARE(registryUpdates.count(), 1);
    QCOMPARE(window->address(), stored);
    QCOMPARE(statusAddress(window.get()), stored);
    QVERIFY(orgEdit(window.get(), ShopName53));
}

void TestDeviceWindow::cancelledLoadReportsTheStop()
{
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", QByteArray(), QByteArray());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    const QList<DeviceWidget *> before = window->tabs();
    // Each reply takes a moment, so the cancel comes while pages are read.
    sim->setFault(Sim::ReplyDelay, Sim::EveryRequest, 50);
    bool cancelled = false;
    connect(sim.get(), &Sim::requestReceived, this, [&](const Sim::Request &request) {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (request.index != 3 || !dialog)
            return;
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel);
        cancel->click();
        cancelled = true;
    });

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceImport");

    QVERIFY(cancelled);
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(boxes.first().title, QStringLiteral("Загрузка из ККТ"));
    QCOMPARE(boxes.first().text, QStringLiteral("Ошибка загрузки. -13"));
    QCOMPARE(boxes.first().informative, resultExplanation(ErrStopped));
    QCOMPARE(window->tabs(), before);
    QCOMPARE(window->version(), QStringLiteral("2.53.12"));
}

void TestDeviceWindow::writeToSilentAddressOnlyWarns()
{
    const auto sim = startSim(53, Serial, SilentHost);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    const auto window = open(Serial, "2.53.12", SilentHost, sim->serverPort());

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");

    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().className, QStringLiteral("QMessageBox"));
    QCOMPARE(answerer.seen().first().icon, QMessageBox::Warning);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Выгрузка в ККТ"));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("ККТ по адресу 127.0.0.73 не доступен"));
    QCOMPARE(m_pinged, QStringList({ SilentHost }));
    QCOMPARE(sim->connectionCount(), 0);
    QVERIFY(sim->requestLog().isEmpty());
}

void TestDeviceWindow::writeChangesTheRegister()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    QLineEdit *name = orgEdit(window.get(), ShopName53);
    QVERIFY(name);
    name->setText(QStringLiteral("ООО «Ёлка»"));

    // The write's progress window offers no cancel: it would not stop the write.
    bool sawProgress = false;
    bool cancelButton = true;
    connect(sim.get(), &Sim::requestReceived, this, [&](const Sim::Request &request) {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (request.index != 0 || !dialog)
            return;
        sawProgress = true;
        cancelButton = dialog->findChild<QPushButton *>() != nullptr;
    });
    ModalAnswerer answerer;
    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");

    const auto boxes = outcome(answerer);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Information);
    QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
    QCOMPARE(boxes.first().text, QStringLiteral("Выгрузка завершена успешно"));
    QVERIFY(sawProgress);
    QVERIFY(!cancelButton);

    // The register holds what the window holds, the edit included; the rest
    // of its parameter region is cleared, its serial number kept.
    trigger(window.get(), "actionProfileExport");
    const QByteArray held = profileParams(Serial);
    const QByteArray stored = sim->parameterImage();
    QCOMPARE(stored.left(held.size()).toHex(), held.toHex());
    QCOMPARE(stored.mid(held.size()), QByteArray(stored.size() - held.size(), '\0'));
    DeviceParams53 written;
    written.fromImage(stored, sim->systemImage());
    QCOMPARE(written.organisation.name.text(), QStringLiteral("ООО «Ёлка»"));
    QCOMPARE(sim->serial(), Serial);
}

void TestDeviceWindow::writeNeverStartsFromDefaults()
{
    // A register listed by address but never loaded: the window shows the
    // family's defaults, which must not replace the register's own data.
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    m_answering.insert(Host);
    const auto window = open(Serial, "2.52.40", Host, sim->serverPort());
    const QByteArray before = sim->store();

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
    QVERIFY2(boxes.first().text.contains(QStringLiteral("Загрузить из ККТ")), qPrintable(boxes.first().text));
    QCOMPARE(sim->connectionCount(), 0);
    QCOMPARE(sim->store(), before);

    // Once loaded, the same window writes.
    trigger(window.get(), "actionDeviceImport");
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(answerer.seenOf("QMessageBox").size(), 2);
    QCOMPARE(answerer.seenOf("QMessageBox").last().text, QStringLiteral("Выгрузка завершена успешно"));
    QVERIFY(wroteAnything(*sim));
    QCOMPARE(sim->serial(), Serial);
}

void TestDeviceWindow::writeGuardRefusesAnotherRegister_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QStringList>("serials"); // the register's serial on each connection
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("another serial number") << 53 << QStringList({ OtherSerial }) << int(ErrSerialMismatch)
                                           << QStringLiteral("Заводской номер ККТ %1 не совпадает с номером "
                                                             "из профиля %2")
                                                  .arg(OtherSerial, Serial);
    QTest::newRow("another register answers after the load")
        << 53 << QStringList({ Serial, OtherSerial }) << int(ErrSerialMismatch)
        << QStringLiteral("Заводской номер ККТ %1 не совпадает с номером из профиля %2")
               .arg(OtherSerial, Serial);
    // Load, snapshot, then the write's own connection: the write guard's refusal.
    QTest::newRow("another register answers after the snapshot")
        << 53 << QStringList({ Serial, Serial, OtherSerial }) << int(ErrSerialMismatch)
        << QStringLiteral("Заводской номер ККТ %1 не совпадает с номером из профиля %2")
               .arg(OtherSerial, Serial);
    QTest::newRow("another firmware family")
        << 52 << QStringList({ Serial }) << int(ErrFamilyMismatch)
        << QStringLiteral("Версия ККТ 2.52.40 не совпадает с версией из профиля 2.53.12");
}

void TestDeviceWindow::writeGuardRefusesAnotherRegister()
{
    QFETCH(int, family);
    QFETCH(QStringList, serials);
    QFETCH(int, result);
    QFETCH(QString, text);
    const auto profileSim = startSim(53, Serial, OtherHost);
    QVERIFY(profileSim);
    storeProfile(Serial, "2.53.12", profileSim->parameterImage(), profileSim->systemImage());
    const auto sim = startSim(family, Serial);
    QVERIFY(sim);
    sim->setConnectionSerials(serials);
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    if (serials.size() > 1) {
        ModalAnswerer loading;
        trigger(window.get(), "actionDeviceImport");
        QCOMPARE(loading.seenOf("QMessageBox").size(), 0);
    }

    ModalAnswerer answerer;
    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");

    const auto boxes = outcome(answerer);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Critical);
    QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
    QCOMPARE(boxes.first().text, text);
    QCOMPARE(boxes.first().informative, resultExplanation(result));
    QVERIFY(!sim->requestLog().isEmpty());
    QVERIFY(!wroteAnything(*sim));
}

void TestDeviceWindow::failedWriteSaysWhatTheRegisterMayHold_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("partial");
    // Requests 0 to 2 are the opening steps; page writes follow.
    QTest::newRow("connection lost during the page writes")
        << int(Sim::CloseConnection) << 4 << int(ErrSocket) << true;
    QTest::newRow("no reply to a page write") << int(Sim::NoReply) << 3 << int(ErrNoReply) << true;
    QTest::newRow("connection lost before the register was identified")
        << int(Sim::CloseConnection) << 1 << int(ErrSocket) << false;
    // The refused request carried pages: the register may have taken some.
    QTest::newRow("write refused") << int(Sim::WriteRejected) << 3 << int(ErrWriteRejected) << true;
}

void TestDeviceWindow::failedWriteSaysWhatTheRegisterMayHold()
{
    QFETCH(int, fault);
    QFETCH(int, request);
    QFETCH(int, result);
    QFETCH(bool, partial);
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    QByteArray before = sim->parameterImage();
    before[0x30] = char(before.at(0x30) ^ 0x5A); // not what the window writes
    sim->setParameterImage(before);
    // The fault strikes the write's connection, after the snapshot's read on its own.
    int snapshotConnection = -1;
    connect(sim.get(), &Sim::requestReceived, this, [&](const Sim::Request &r) {
        if (snapshotConnection < 0)
            snapshotConnection = r.connection;
        else if (r.connection != snapshotConnection && r.index == 0)
            sim->setFault(Sim::Fault(fault), request);
    });

    ModalAnswerer answerer;
    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");

    const auto boxes = outcome(answerer);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
    QCOMPARE(boxes.first().text, QStringLiteral("Ошибка выгрузки. %1").arg(result));
    QVERIFY(boxes.first().informative.startsWith(resultExplanation(result)));
    QCOMPARE(boxes.first().informative.contains(QStringLiteral("часть новых данных")), partial);

    // The snapshot taken before the write keeps what the register held then.
    const QVector<SnapshotInfo> snapshots = SnapshotStore().list(Serial);
    QCOMPARE(snapshots.size(), 1);
    QCOMPARE(snapshots.first().originText(), QStringLiteral("окно ККТ"));
    ParamFile snapshot;
    QString error;
    QVERIFY2(SnapshotStore::loadParams(snapshots.first(), &snapshot, &error), qPrintable(error));
    QCOMPARE(snapshot.params, before);
}

void TestDeviceWindow::cancelledSnapshotCancelsTheWriteQuietly()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    sim->setFault(Sim::ReplyDelay, Sim::EveryRequest, 50);
    QString label;
    connect(sim.get(), &Sim::requestReceived, this, [&](const Sim::Request &request) {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (request.index != 3 || !dialog)
            return;
        label = dialog->labelText();
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel);
        cancel->click();
    });

    ModalAnswerer answerer;
    answerFindings(answerer, QMessageBox::Yes);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(label, QStringLiteral("Снимок параметров ККТ перед записью..."));
    QCOMPARE(outcome(answerer).size(), 0);
    QVERIFY(!wroteAnything(*sim));
    for (const Sim::Request &request : sim->requestLog())
        QCOMPARE(request.connection, sim->requestLog().first().connection); // no write job began
    QVERIFY(SnapshotStore().list(Serial).isEmpty());
}

void TestDeviceWindow::restoredSnapshotIsWhatTheWriteSends()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    // The register holds a set the tabs give back unchanged: the profile
    // saved from the window.
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    auto window = open(Serial, "2.53.12", Host, sim->serverPort());
    trigger(window.get(), "actionProfileExport");
    const QByteArray original = profileParams(Serial);
    sim->setParameterImage(original);
    const QByteArray system = sim->systemImage();
    window = open(Serial, "2.53.12", Host, sim->serverPort());

    QLineEdit *name = orgEdit(window.get(), ShopName53);
    QVERIFY(name);
    name->setText(QStringLiteral("ООО «Ёлка»"));
    ModalAnswerer answerer;
    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(outcome(answerer).last().text, QStringLiteral("Выгрузка завершена успешно"));
    QVERIFY(sim->parameterImage() != original);
    sim->clearRequestLog();

    QStringList rows;
    QString differences;
    answerer.thenOn<SnapshotHistoryDialog>([&](SnapshotHistoryDialog *dialog) {
        const QTreeWidget *list = dialog->findChild<QTreeWidget *>(QStringLiteral("snapshotList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.append(list->topLevelItem(i)->text(1) + " / " + list->topLevelItem(i)->text(2));
        differences = dialog->findChild<QPlainTextEdit *>(QStringLiteral("differences"))->toPlainText();
        dialog->findChild<QPushButton *>(QStringLiteral("restoreButton"))->click();
    });
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionHistory");
    QVERIFY(outcome(answerer).last().text.startsWith(QStringLiteral("Снимок от ")));
    QCOMPARE(rows, QStringList({ QStringLiteral("параметры / окно ККТ") }));
    QCOMPARE(differences, QStringLiteral("organisation.name: \"ООО \\\"Василёк\\\"\" -> \"ООО «Ёлка»\""));
    QVERIFY(orgEdit(window.get(), ShopName53));
    QVERIFY(sim->requestLog().isEmpty());

    // The restore sent nothing; the next write sends the snapshot.
    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(outcome(answerer).last().text, QStringLiteral("Выгрузка завершена успешно"));
    QCOMPARE(sim->parameterImage().toHex(), original.toHex());
    QCOMPARE(sim->systemImage(), system);
    QCOMPARE(SnapshotStore().list(Serial).size(), 2);
}

void TestDeviceWindow::checkListsEachFindingOnce_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("findings");
    QTest::newRow("2.53: operator settings missing") << 53 << true;
    QTest::newRow("2.52 has no rules") << 52 << false;
}

void TestDeviceWindow::checkListsEachFindingOnce()
{
    QFETCH(int, family);
    QFETCH(bool, findings);
    const auto sim = startSim(family, Serial);
    QVERIFY(sim);
    const QString version = family == 52 ? "2.52.40" : "2.53.12";
    storeProfile(Serial, version, sim->parameterImage(), sim->systemImage());
    const auto window = open(Serial, version, Host);
    QVERIFY(!window->issueDock());

    auto listed = [&] {
        QStringList texts;
        const IssueListModel *model = window->issueDock()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts.append(model->index(row).data().toString());
        return texts;
    };
    trigger(window.get(), "actionValidate");
    QVERIFY(window->issueDock());
    QCOMPARE(window->dockWidgetArea(window->issueDock()), Qt::BottomDockWidgetArea);
    const QStringList first = listed();
    QCOMPARE(first.isEmpty(), !findings);
    if (findings)
        QVERIFY(first.contains(QStringLiteral("Настройки ОФД: ИНН ОФД не задан")));
    QCOMPARE(QSet<QString>(first.begin(), first.end()).size(), first.size());

    trigger(window.get(), "actionValidate");
    QCOMPARE(listed(), first);

    DeviceIssueWidget *dock = window->issueDock();
    dock->close();
    QVERIFY(!dock->isVisible());
    trigger(window.get(), "actionValidate");
    QCOMPARE(window->issueDock(), dock);
    QVERIFY(dock->isVisible());
    QCOMPARE(listed(), first);
}

void TestDeviceWindow::changeAddress_data()
{
    QTest::addColumn<QStringList>("answers"); // addresses typed; empty: cancelled
    QTest::addColumn<QList<int>>("questions"); // answers to "change anyway?"
    QTest::addColumn<QString>("stored"); // empty: nothing changes
    QTest::newRow("an answering address") << QStringList({ OtherHost }) << QList<int>() << OtherHost;
    QTest::newRow("silent, Yes keeps it")
        << QStringList({ SilentHost }) << QList<int>({ QMessageBox::Yes }) << SilentHost;
    QTest::newRow("silent, No, then an answering one")
        << QStringList({ SilentHost, OtherHost }) << QList<int>({ QMessageBox::No }) << OtherHost;
    QTest::newRow("silent, No, then cancelled")
        << QStringList({ SilentHost, QString() }) << QList<int>({ QMessageBox::No }) << QString();
    QTest::newRow("cancelled at once") << QStringList({ QString() }) << QList<int>() << QString();
}

void TestDeviceWindow::changeAddress()
{
    QFETCH(QStringList, answers);
    QFETCH(QList<int>, questions);
    QFETCH(QString, stored);
    m_answering.insert(OtherHost);
    const auto window = open(Serial, "2.53.*", Host);
    QSignalSpy registryUpdates(window.get(), &DeviceWindow::updateRegistry);

    ModalAnswerer answerer;
    QStringList prompts;
    answerAddress(answerer, answers.first(), &prompts);
    QList<bool> defaultIsNo;
    for (int k = 0; k < questions.size(); ++k) {
        const auto button = QMessageBox::StandardButton(questions.at(k));
        answerer.thenOn<QMessageBox>([button, &defaultIsNo](QMessageBox *box) {
            defaultIsNo.append(box->defaultButton() == box->button(QMessageBox::No));
            box->button(button)->click();
        });
        if (k + 1 < answers.size())
            answerAddress(answerer, answers.at(k + 1), &prompts);
    }
    trigger(window.get(), "actionDeviceChangeAddr");

    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(prompts,
             QStringList(QVector<QString>(answers.size(), QStringLiteral("Введите адрес:")).toList()));
    for (const auto &seen : answerer.seen())
        QCOMPARE(seen.title, QStringLiteral("Смена адреса ККТ"));
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), questions.size());
    for (const auto &box : boxes) {
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.text, QStringLiteral("ККТ по адресу 127.0.0.73 не доступен. Все равно сменить адрес?"));
    }
    // Enter never keeps an address that does not answer.
    QCOMPARE(defaultIsNo.count(true), questions.size());
    QCOMPARE(defaultIsNo.size(), questions.size());
    const QString expected = stored.isEmpty() ? Host : stored;
    QCOMPARE(window->address(), expected);
    QCOMPARE(registryEntry(Serial).addr, expected);
    QCOMPARE(statusAddress(window.get()), expected);
    QCOMPARE(registryUpdates.count(), stored.isEmpty() ? 0 : 1);
}

void TestDeviceWindow::closeAsksAboutUnsavedChanges_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("before"); // action run before closing
    QTest::addColumn<int>("answer"); // to the question; NoButton: none asked
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved"); // the edit is in the profile
    QTest::newRow("unchanged: no question")
        << false << QString() << int(QMessageBox::NoButton) << true << false;
    QTest::newRow("edited, Cancel keeps the window")
        << true << QString() << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("edited, No closes") << true << QString() << int(QMessageBox::No) << true << false;
    QTest::newRow("edited, Yes saves and closes")
        << true << QString() << int(QMessageBox::Yes) << true << true;
    QTest::newRow("edited and saved: no question")
        << true << "actionProfileExport" << int(QMessageBox::NoButton) << true << true;
    QTest::newRow("edited and written: no question")
        << true << "actionDeviceExport" << int(QMessageBox::NoButton) << true << false;
    QTest::newRow("edited, then loaded from the register: no question")
        << true << "actionDeviceImport" << int(QMessageBox::NoButton) << true << false;
}

void TestDeviceWindow::closeAsksAboutUnsavedChanges()
{
    QFETCH(bool, edit);
    QFETCH(QString, before);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.52.40", sim->parameterImage(), sim->systemImage());
    // The register now holds another name than the profile.
    DeviceParams52 held;
    held.fromImage(sim->parameterImage(), sim->systemImage());
    held.organisation.name.setText(QStringLiteral("ООО \"Лютик\""));
    QByteArray image = sim->parameterImage();
    QByteArray system = sim->systemImage();
    held.toImage(image, system);
    sim->setParameterImage(image);
    m_answering.insert(Host);
    const auto window = open(Serial, "2.52.40", Host, sim->serverPort());
    if (edit)
        orgEdit(window.get(), ShopName52)->setText(QStringLiteral("Изменено"));

    ModalAnswerer answerer;
    if (!before.isEmpty()) {
        if (before == "actionDeviceExport")
            answerer.thenButton(QMessageBox::Ok);
        trigger(window.get(), before.toLatin1().constData());
    }
    const int boxesBefore = answerer.seenOf("QMessageBox").size();
    QCOMPARE(boxesBefore, before == "actionDeviceExport" ? 1 : 0);
    if (answer != QMessageBox::NoButton)
        answerer.thenButton(QMessageBox::StandardButton(answer));
    QCOMPARE(window->close(), closed);

    const auto boxes = answerer.seenOf("QMessageBox").mid(boxesBefore);
    QCOMPARE(boxes.size(), answer == QMessageBox::NoButton ? 0 : 1);
    if (!boxes.isEmpty()) {
        QCOMPARE(boxes.first().icon, QMessageBox::Question);
        QCOMPARE(boxes.first().title, window->windowTitle());
        QCOMPARE(boxes.first().text, QStringLiteral("Сохранить изменения в профиль?"));
    }
    QCOMPARE(window->isVisible(), !closed);
    DeviceParams52 profile;
    profile.fromImage(profileParams(Serial), QByteArray());
    QCOMPARE(profile.organisation.name.text(), saved ? QStringLiteral("Изменено") : ShopName52);
}

void TestDeviceWindow::unstorableSerialIsSaid_data()
{
    QTest::addColumn<QString>("serial");
    QTest::newRow("separator: another register's key") << "/" + Serial;
    QTest::newRow("control character") << "05300\x1b"
                                          "00071";
}

// A device list entry of an older store whose serial cannot key a profile:
// "Сохранить профиль" says why and stores nothing; the close question's Yes
// then keeps the window, its edits unsaved.
void TestDeviceWindow::unstorableSerialIsSaid()
{
    QFETCH(QString, serial);
    DeviceParams52 other;
    QByteArray image;
    QByteArray system;
    other.toImage(image, system);
    storeProfile(Serial, "2.52.40", image, system);
    const auto window = open(serial, "2.52.40", Host);
    QSignalSpy registryUpdates(window.get(), &DeviceWindow::updateRegistry);
    orgEdit(window.get(), QString())->setText(QStringLiteral("Изменено"));
    const QString refusal = DeviceProfile::keyRefusal(serial) + QStringLiteral(". Профиль не сохранён.");

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionProfileExport");
    answerer.thenButton(QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    QVERIFY(!window->close());

    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 3);
    for (int k : { 0, 2 }) {
        QCOMPARE(boxes.at(k).icon, QMessageBox::Warning);
        QCOMPARE(boxes.at(k).title, QStringLiteral("Сохранение профиля"));
        QCOMPARE(boxes.at(k).text, refusal);
    }
    QCOMPARE(boxes.at(1).text, QStringLiteral("Сохранить изменения в профиль?"));
    QVERIFY(window->isVisible());
    QVERIFY2(window->findChild<QLabel *>(QStringLiteral("statusMessageLabel"))
                 ->text()
                 .startsWith(QStringLiteral(" Профиль не сохранён (")),
             "the status bar says so too");
    QCOMPARE(DeviceProfile().keys(), QStringList(Serial));
    QCOMPARE(profileParams(Serial), image);
    QCOMPARE(registryUpdates.count(), 0);
}

void TestDeviceWindow::roundTripKeepsTheImage_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QStringList>("changes"); // path=value the tabs change by their Parts
    // Nothing edited, nothing changes: also a connection timer below the
    // 2.53 spin box's 40, and receipt blocks of fewer than six lines.
    QTest::newRow("2.52") << 52 << QStringList();
    QTest::newRow("2.53") << 53 << QStringList();
}

void TestDeviceWindow::roundTripKeepsTheImage()
{
    QFETCH(int, family);
    QFETCH(QStringList, changes);
    const auto sim = startSim(family, Serial);
    QVERIFY(sim);
    const QString version = family == 52 ? "2.52.40" : "2.53.12";
    const QByteArray image = sim->parameterImage();
    const QByteArray system = sim->systemImage();
    storeProfile(Serial, version, image, system);

    const auto window = open(Serial, version, Host);
    trigger(window.get(), "actionProfileExport");
    QByteArray savedSystem;
    const QByteArray saved = profileParams(Serial, &savedSystem);

    std::unique_ptr<DeviceParams> expected(DeviceParams::create(version));
    expected->fromImage(image, system);
    for (const QString &change : changes) {
        QString error;
        QVERIFY2(expected->setValue(change.section('=', 0, 0), change.section('=', 1), &error),
                 qPrintable(error));
    }
    QByteArray expectedImage = image;
    QByteArray expectedSystem = system;
    expected->toImage(expectedImage, expectedSystem);
    QCOMPARE(saved.toHex(), expectedImage.toHex());
    QCOMPARE(savedSystem.toHex(), expectedSystem.toHex());
}

void TestDeviceWindow::departmentNamesForTheGoods()
{
    DeviceParams53 params;
    params.departments[0].name.setText(QStringLiteral("Бакалея"));
    params.departments[15].name.setText(QStringLiteral("Двенадцать12"));
    const QStringList names = DeviceWindow::departmentNames(params);
    QCOMPARE(names.size(), 16);
    QCOMPARE(names.first(), QStringLiteral("Бакалея"));
    QCOMPARE(names.at(1), QStringLiteral("Отдел 2")); // the default
    QCOMPARE(names.last(), QStringLiteral("Двенадцать12"));

    // "Номенклатура" opens the register's goods window, not modal, with the
    // window's serial, capacity and the department names the tab shows.
    const auto window = open(Serial, "2.53.12", Host);
    trigger(window.get(), "actionShowGoods");
    auto *goods = window->findChild<GoodsWindow *>();
    QVERIFY(goods);
    QVERIFY(goods->isVisible());
    QCOMPARE(goods->windowModality(), Qt::NonModal);
    QVERIFY(goods->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(goods->goodsCapacity(), 2000); // no load yet: capacity 0 means 2000
    QCOMPARE(goods->model()->departments(), DeviceWindow::departmentNames(*window->params()));
    goods->close();
    QTRY_VERIFY(!window->findChild<GoodsWindow *>());
}

// The goods window is used beside the device window, names the register,
// checks against its settings, and goes with it only after its own question.
void TestDeviceWindow::goodsWindowBesideTheDeviceWindow()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.40", sim->parameterImage(), sim->systemImage());
    const auto window = open(Serial, "2.53.40", Host);
    trigger(window.get(), "actionShowGoods");
    GoodsWindow *goods = window->goodsWindow();
    QVERIFY(goods);
    QCOMPARE(goods->windowTitle(), QStringLiteral("Номенклатура — ККТ Касса 1, заводской номер ") + Serial);
    QVERIFY(!QApplication::activeModalWidget());
    trigger(window.get(), "actionShowGoods"); // the same window again, not a second one
    QCOMPARE(window->findChildren<GoodsWindow *>().size(), 1);

    const auto *params = qobject_cast<DeviceParams53 *>(window->params());
    QVERIFY(params && params->tradeConfig.maxPrice > 0);
    Goods dear;
    dear.name = QStringLiteral("Икра");
    dear.intcode = QStringLiteral("1");
    dear.price = double(params->tradeConfig.maxPrice) / 10000 + 1;
    goods->model()->setGoods({ dear });
    goods->onValidate();
    QCOMPARE(goods->issueWidget()->model()->rowCount(), 1);
    QVERIFY(goods->issueWidget()->model()->index(0).data().toString().contains(
        QStringLiteral("больше максимальной цены ККТ")));

    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Cancel);
    QVERIFY(!window->close());
    QCOMPARE(answers.seenOf("QMessageBox").first().text, QStringLiteral("Сохранить изменения в профиль?"));
    QVERIFY(goods->isVisible());
    answers.thenButton(QMessageBox::No);
    QVERIFY(window->close());
    QTRY_VERIFY(!window->goodsWindow());
}

void TestDeviceWindow::restoreThenWriteGivesTheSnapshotsBytes_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("2.52") << 52;
    QTest::newRow("2.53") << 53;
}

// The register held values the editors do not offer or would rewrite: a
// timer below its spin box's range, a receipt header of two lines, a weight
// prefix of 0, texts filled to their fields' full width, (2.53) a purchase
// mode alone with the main mode on sale. An edit is written, then the
// snapshot taken before it is restored and written: the register holds the
// snapshot's bytes again, every one of them.
void TestDeviceWindow::restoreThenWriteGivesTheSnapshotsBytes()
{
    QFETCH(int, family);
    const auto sim = startSim(family, Serial);
    QVERIFY(sim);
    const QString version = family == 52 ? "2.52.40" : "2.53.12";
    std::unique_ptr<DeviceParams> held(DeviceParams::create(version));
    held->fromImage(sim->parameterImage(), sim->systemImage());
    held->receiptHeader.setLines({ QStringLiteral("Магазин"), QStringLiteral("Добро пожаловать") });
    held->departments[2].name.bytes.fill('D'); // 13 bytes, no terminator
    if (auto *p = qobject_cast<DeviceParams53 *>(held.get())) {
        p->ofd.connectTimer = 30;
        p->tradeConfig.weightPrefix = 0;
        p->tradeConfig.tradeModes = 0x12;
        p->users[3].name.bytes.fill('N');
    } else {
        auto *p52 = static_cast<DeviceParams52 *>(held.get());
        p52->ofd.connectTimer = 2;
        p52->tradeConfig.weightPrefix = 0;
        p52->users[3].name.bytes.fill('N');
    }
    QByteArray image = sim->parameterImage();
    QByteArray system = sim->systemImage();
    held->toImage(image, system);
    sim->setParameterImage(image);
    storeProfile(Serial, version, image, system);
    m_answering.insert(Host);
    const auto window = open(Serial, version, Host, sim->serverPort());

    QLineEdit *name = orgEdit(window.get(), family == 52 ? ShopName52 : ShopName53);
    QVERIFY(name);
    name->setText(QStringLiteral("ООО «Ёлка»"));
    ModalAnswerer answerer;
    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(answerer.seenOf("QMessageBox").last().text, QStringLiteral("Выгрузка завершена успешно"));
    QVERIFY(sim->parameterImage() != image);

    QString differences;
    answerer.thenOn<SnapshotHistoryDialog>([&](SnapshotHistoryDialog *dialog) {
        differences = dialog->findChild<QPlainTextEdit *>(QStringLiteral("differences"))->toPlainText();
        dialog->findChild<QPushButton *>(QStringLiteral("restoreButton"))->click();
    });
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionHistory");
    QVERIFY2(differences.startsWith(QStringLiteral("organisation.name: ")), qPrintable(differences));
    QCOMPARE(differences.count(QLatin1Char('\n')), 0);

    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(answerer.seenOf("QMessageBox").last().text, QStringLiteral("Выгрузка завершена успешно"));
    QCOMPARE(sim->parameterImage().toHex(), image.toHex());
    QCOMPARE(sim->systemImage().toHex(), system.toHex());
}

void TestDeviceWindow::writeAsksWhenTheCheckFindsProblems()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.53.12", Host, sim->serverPort());

    // "Нет" is the default, and nothing is sent without a yes.
    ModalAnswerer answerer;
    bool defaultIsNo = false;
    answerFindings(answerer, QMessageBox::No, &defaultIsNo);
    trigger(window.get(), "actionDeviceExport");
    QVERIFY(defaultIsNo);
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
    const int findings = window->issueDock()->model()->rowCount();
    QVERIFY(findings > 0);
    QCOMPARE(boxes.first().text,
             QStringLiteral("В параметрах найдены проблемы (%1). Выгрузить в ККТ всё равно?").arg(findings));
    QVERIFY(window->issueDock()->isVisible());
    QCOMPARE(sim->connectionCount(), 0);

    answerFindings(answerer, QMessageBox::Yes);
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QCOMPARE(answerer.seenOf("QMessageBox").last().text, QStringLiteral("Выгрузка завершена успешно"));
    QVERIFY(wroteAnything(*sim));
}

void TestDeviceWindow::writeWithoutStoredSnapshotOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No, the default: nothing written") << false;
    QTest::newRow("Yes: written without a snapshot") << true;
}

void TestDeviceWindow::writeWithoutStoredSnapshotOnlyWhenAsked()
{
    QFETCH(bool, yes);
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.52.40", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.52.40", Host, sim->serverPort());
    const QString blocker = m_data->unwritable();

    ModalAnswerer answerer;
    bool defaultIsNo = false;
    answerFindings(answerer, yes ? QMessageBox::Yes : QMessageBox::No, &defaultIsNo);
    if (yes)
        answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    QVERIFY(defaultIsNo);
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), yes ? 2 : 1);
    const QString text = boxes.first().text;
    QCOMPARE(boxes.first().icon, QMessageBox::Question);
    QVERIFY2(text.contains(QDir::toNativeSeparators(SnapshotStore().folder(Serial))), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(blocker)), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("Выгрузить в ККТ без снимка?")), qPrintable(text));
    QCOMPARE(wroteAnything(*sim), yes);
    if (yes)
        QCOMPARE(boxes.last().text, QStringLiteral("Выгрузка завершена успешно"));
}

void TestDeviceWindow::unreadSnapshotSaysTheWriteDidNotStart()
{
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.52.40", sim->parameterImage(), sim->systemImage());
    m_answering.insert(Host);
    const auto window = open(Serial, "2.52.40", Host, sim->serverPort());
    sim->setFault(Sim::CloseConnection, 3);

    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    trigger(window.get(), "actionDeviceExport");
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
    QVERIFY2(
        boxes.first().text.startsWith(QStringLiteral("Запись не начата: текущие параметры ККТ не удалось "
                                                     "прочитать")),
        qPrintable(boxes.first().text));
    QVERIFY2(!boxes.first().text.contains(QStringLiteral("Ошибка загрузки")), qPrintable(boxes.first().text));
    QVERIFY(!wroteAnything(*sim));
}

void TestDeviceWindow::feedbackAfterLoadSaveAndCheck()
{
    const auto sim = startSim(52, Serial);
    QVERIFY(sim);
    m_answering.insert(Host);
    const auto window = open(Serial, "2.52.40", Host, sim->serverPort());
    auto *status = window->findChild<QLabel *>(QStringLiteral("statusMessageLabel"));
    QVERIFY(status);
    QVERIFY(status->text().isEmpty());

    trigger(window.get(), "actionDeviceImport");
    QVERIFY2(QRegularExpression(QStringLiteral("^ Параметры загружены из ККТ \\(\\d\\d:\\d\\d:\\d\\d\\)$"))
                 .match(status->text())
                 .hasMatch(),
             qPrintable(status->text()));
    trigger(window.get(), "actionProfileExport");
    QVERIFY2(status->text().startsWith(QStringLiteral(" Профиль сохранён (")), qPrintable(status->text()));

    trigger(window.get(), "actionValidate");
    QCOMPARE(window->issueDock()->model()->rowCount(), 0);
    QCOMPARE(window->issueDock()->emptyText(), QStringLiteral("Проблем не найдено"));
}

void TestDeviceWindow::changesAreMarkedAndReverted()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    storeProfile(Serial, "2.53.12", sim->parameterImage(), sim->systemImage());
    const auto window = open(Serial, "2.53.12", Host);
    QTabWidget *tabs = window->tabWidget();
    const int org = Captions.indexOf(QStringLiteral("Реквизиты организации"));
    const int users = Captions.indexOf(QStringLiteral("Пользователи"));
    QCOMPARE(captions(tabs), Captions);
    QVERIFY(!enabled(window.get(), "actionRevertAll"));

    QLineEdit *name = orgEdit(window.get(), ShopName53);
    QVERIFY(name);
    const QLabel *label = nullptr;
    for (const QLabel *caption : window->findChildren<QLabel *>()) {
        if (caption->buddy() == name)
            label = caption;
    }
    QVERIFY(label);
    QVERIFY(!label->font().bold());
    name->setText(QStringLiteral("ООО «Ёлка»"));
    QVERIFY(label->font().bold());
    QCOMPARE(captions(tabs).at(org), Captions.at(org) + QStringLiteral(" *"));

    // A cell edited on another tab is marked there.
    auto *userView = window->tabs().at(users)->findChild<QTableView *>();
    QVERIFY(userView);
    const QModelIndex cell = userView->model()->index(0, 0);
    QVERIFY(!cell.data(Qt::BackgroundRole).isValid());
    QVERIFY(userView->model()->setData(cell, QStringLiteral("Иванов")));
    QVERIFY(cell.data(Qt::BackgroundRole).isValid());
    QVERIFY(cell.data(Qt::FontRole).value<QFont>().bold());
    QCOMPARE(captions(tabs).at(users), Captions.at(users) + QStringLiteral(" *"));

    // Back to what was loaded: the current tab, then every tab.
    tabs->setCurrentIndex(org);
    trigger(window.get(), "actionRevertTab");
    QCOMPARE(name->text(), ShopName53);
    QVERIFY(!label->font().bold());
    QCOMPARE(captions(tabs).at(org), Captions.at(org));
    QCOMPARE(captions(tabs).at(users), Captions.at(users) + QStringLiteral(" *"));
    trigger(window.get(), "actionRevertAll");
    QCOMPARE(userView->model()->index(0, 0).data().toString(), QStringLiteral("Кассир 1"));
    QCOMPARE(captions(tabs), Captions);
    QVERIFY(!enabled(window.get(), "actionRevertAll"));

    // A profile save makes what the tabs show the new starting point.
    name->setText(QStringLiteral("ООО «Ёлка»"));
    trigger(window.get(), "actionProfileExport");
    QVERIFY(!label->font().bold());
    QCOMPARE(captions(tabs), Captions);
    trigger(window.get(), "actionValidate"); // a check changes nothing
    name->setText(ShopName53);
    trigger(window.get(), "actionRevertTab");
    QCOMPARE(name->text(), QStringLiteral("ООО «Ёлка»"));
}

void TestDeviceWindow::findingSelectsItsCell()
{
    const auto sim = startSim(53, Serial);
    QVERIFY(sim);
    DeviceParams53 held;
    held.fromImage(sim->parameterImage(), sim->systemImage());
    held.users[4].barcode.setText(QStringLiteral("123"));
    QByteArray image = sim->parameterImage();
    QByteArray system = sim->systemImage();
    held.toImage(image, system);
    storeProfile(Serial, "2.53.12", image, system);
    const auto window = open(Serial, "2.53.12", Host);
    const int users = Captions.indexOf(QStringLiteral("Пользователи"));
    auto *view = window->tabs().at(users)->findChild<QTableView *>();
    // The cell edited last is elsewhere.
    view->setCurrentIndex(view->model()->index(1, 0));

    trigger(window.get(), "actionValidate");
    const IssueListModel *model = window->issueDock()->model();
    int row = -1;
    for (int k = 0; k < model->rowCount(); ++k) {
        if (model->index(k).data().toString().contains(QStringLiteral("содержит некорректное значение 123")))
            row = k;
    }
    QVERIFY(row >= 0);
    QCOMPARE(
        model->index(row).data().toString(),
        QStringLiteral("Пользователи: Штрихкод пользователя Кассир 5 содержит некорректное значение 123"));
    window->tabWidget()->setCurrentIndex(0);
    window->issueDock()->showIssue(model->index(row));
    QCOMPARE(window->tabWidget()->currentIndex(), users);
    QCOMPARE(view->currentIndex().row(), 4);
    QCOMPARE(view->model()->headerData(view->currentIndex().column(), Qt::Horizontal).toString(),
             QStringLiteral("Штрихкод"));
}

void TestDeviceWindow::positionNamesFollowTheirTab()
{
    const auto window = open(Serial, "2.52.*", QString());
    auto *positions = window->tabs().at(1)->findChild<QListView *>();
    auto *users = window->tabs().at(2)->findChild<QTableView *>();
    QVERIFY(positions && users);
    QVERIFY(positions->model()->setData(positions->model()->index(0, 0), QStringLiteral("Продавец")));
    // Column 3 of the 2.52 users: "Должность"; every default user holds position 1.
    QCOMPARE(users->model()->index(0, 3).data().toString(), QStringLiteral("Продавец"));
    QWidget *editor = users->itemDelegateForColumn(3)->createEditor(users->viewport(), QStyleOptionViewItem(),
                                                                    users->model()->index(0, 3));
    auto *combo = qobject_cast<QComboBox *>(editor);
    QVERIFY(combo);
    QCOMPARE(combo->itemText(0), QStringLiteral("Продавец"));
    delete editor;
}

void TestDeviceWindow::fitsASmallScreenAndRemembersItsPlace()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        const auto window = open(Serial, "2.53.*", QString());
        trigger(window.get(), "actionValidate");
        QVERIFY(window->issueDock()->isVisible());
        QApplication::processEvents();
        // With the dock, the window still fits a 1024 x 600 screen, frame included.
        const QSize least = window->minimumSizeHint();
        QVERIFY2(least.height() <= 600 - 40 && least.width() <= 1024,
                 qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
        QVERIFY2(screen.contains(window->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(window->frameGeometry().x())
                                .arg(window->frameGeometry().y())
                                .arg(window->frameGeometry().width())
                                .arg(window->frameGeometry().height())));
        window->resize(700, 500);
        window->move(screen.topLeft() + QPoint(20, 10));
        QApplication::processEvents();
        window->close();
    }
    const auto again = open(Serial, "2.53.*", QString());
    QCOMPARE(again->size(), QSize(700, 500));
    // Where it was left, give or take what the platform adds for a frame.
    const QPoint moved = again->pos() - (screen.topLeft() + QPoint(20, 10));
    QVERIFY2(moved.manhattanLength() <= 40,
             qPrintable(QStringLiteral("%1,%2").arg(moved.x()).arg(moved.y())));
}

void TestDeviceWindow::keysAndMnemonics()
{
    const auto window = open(Serial, "2.53.*", QString());
    const auto shortcut
        = [&](const char *action) { return window->findChild<QAction *>(QLatin1String(action))->shortcut(); };
    QCOMPARE(shortcut("actionDeviceImport"), QKeySequence(Qt::Key_F5));
    QCOMPARE(shortcut("actionDeviceExport"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    QCOMPARE(shortcut("actionProfileExport"), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(shortcut("actionValidate"), QKeySequence(Qt::Key_F7));

    // One mnemonic in each menu title and tab caption, none used twice.
    QStringList keys;
    for (QAction *menu : window->menuBar()->actions())
        keys.append(menu->text().section(QLatin1Char('&'), 1).left(1).toLower());
    for (int k = 0; k < window->tabWidget()->count(); ++k)
        keys.append(window->tabWidget()->tabText(k).section(QLatin1Char('&'), 1).left(1).toLower());
    QCOMPARE(keys.size(), 11);
    QVERIFY(!keys.contains(QString()));
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
}

QTEST_MAIN(TestDeviceWindow)
#include "tst_devicewindow.moc"

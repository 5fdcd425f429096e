#include "guideshots.h"

#include "app/browsedevicedialog.h"
#include "app/browsetablemodel.h"
#include "app/deviceregistry.h"
#include "app/exchangejournalwindow.h"
#include "app/inventorydialog.h"
#include "app/mainwindow.h"
#include "app/registerdevicedialog.h"
#include "app/startup.h"
#include "fleet/inventory.h"
#include "goods/goodsimage.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "link/devicefinder.h"
#include "link/exchangejournal.h"
#include "link/reachability.h"
#include "sim/registersimulator.h"
#include "tabs/devicewidget.h"
#include "window/devicewindow.h"
#include "window/fleetapplydialog.h"
#include "window/issuedock.h"
#include "window/issuelistmodel.h"
#include "window/snapshothistorydialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>
#include <QWindow>

#include <cstdio>

namespace {

struct Register
{
    const char *serial;
    const char *name;
    const char *address; // empty: registered without one
    const char *version;
    int family; // 0: no simulated register behind the entry
};

// A small shop: two 2.53 registers and a 2.52 one that answer, one that is
// switched off, and one registered without an address.
const Register Shop[] = {
    { "0530000001", "Касса 1", "127.0.0.2", "2.53.12", 53 },
    { "0530000002", "Касса 2", "127.0.0.3", "2.53.12", 53 },
    { "0520000003", "Касса 3 (склад)", "127.0.0.4", "2.52.40", 52 },
    { "0530000004", "Касса 4", "127.0.0.5", "2.53.12", 0 },
    { "0530000009", "Резерв", "", "2.53.*", 0 },
};

// The device window's tabs in order, as the guide's files name them.
const char *const TabNames[]
    = { "config", "positions", "users", "departments", "organisation", "design", "ofd", "registration" };

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        wait(20);
    }
    return true;
}

template<typename T> T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

void trigger(QObject *window, const char *action)
{
    if (auto *a = child<QAction>(window, action))
        a->trigger();
    else
        std::fprintf(stderr, "no action %s\n", action);
}

// Answers a box with the button of the given role, else its default.
void answer(QMessageBox *box, QMessageBox::StandardButton button)
{
    if (QAbstractButton *b = box->button(button))
        b->click();
    else
        box->accept();
}

Goods item(const char *name, const char *code, const char *barcode, double price, int dept)
{
    Goods g;
    g.name = QString::fromUtf8(name);
    g.intcode = QString::fromLatin1(code);
    g.barcode = QString::fromLatin1(barcode);
    g.price = price;
    g.dept = dept;
    return g;
}

// What "Касса 1" holds: a short catalogue with two faults for the check to
// find (a barcode twice, a price above the register's maximum).
GoodsList shopGoods()
{
    return {
        item("Молоко 3,2% 1 л", "12", "4601234567893", 89.90, 2),
        item("Кефир 1% 900 мл", "13", "4601234567008", 64.50, 2),
        item("Хлеб Бородинский", "20", "4607001234562", 52.00, 3),
        item("Батон нарезной", "21", "4607001234562", 45.00, 3),
        item("Гречка ядрица 900 г", "31", "4600000000015", 120.00, 1),
        item("Сыр Российский, вес", "40", "", 650.00, 2),
        item("Кофе в зёрнах 1 кг", "55", "4600000000558", 99999.00, 1),
    };
}

} // namespace

GuideShots::GuideShots(const QString &dir)
    : m_dir(dir)
{
}

GuideShots::~GuideShots() = default;

QStringList GuideShots::names()
{
    QStringList list = { QStringLiteral("main-window"), QStringLiteral("register-dialog"),
                         QStringLiteral("browse-dialog") };
    for (const char *tab : TabNames)
        list.append(QStringLiteral("device-") + QLatin1String(tab));
    list << QStringLiteral("device-findings") << QStringLiteral("address-dialog")
         << QStringLiteral("history-dialog") << QStringLiteral("fleet-choice")
         << QStringLiteral("fleet-confirm") << QStringLiteral("fleet-result")
         << QStringLiteral("goods-window") << QStringLiteral("goods-findings")
         << QStringLiteral("failure-box") << QStringLiteral("journal") << QStringLiteral("inventory");
    return list;
}

bool GuideShots::run()
{
    // A private settings store and data folder: nothing of the user's is
    // read or written, and no window remembers a place from before.
    const QString config = m_home.filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    prepareApplication();
    // The same look under Xvfb and offscreen, whatever the desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    QDir().mkpath(m_dir);

    // Only the shop's simulated registers answer; nothing is probed.
    Reachability::setPingFunction([](const QString &address, int) {
        for (const Register &r : Shop) {
            if (r.family && address == QLatin1String(r.address))
                return 0;
        }
        return 11010; // no answer within the time-out
    });
    if (!startRegisters())
        return false;
    fillRegistry();

    mainWindow();
    inventory();
    registration();
    browse();
    deviceWindow();
    failureBox();
    journal();

    for (const QString &name : names()) {
        if (!m_written.contains(name)) {
            std::fprintf(stderr, "not written: %s.png\n", qPrintable(name));
            m_ok = false;
        }
    }
    return m_ok;
}

bool GuideShots::startRegisters()
{
    // One discovery port and one job port for all, as real registers have.
    QUdpSocket udp;
    if (!udp.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0)) {
        std::fprintf(stderr, "no free UDP port on 127.0.0.2\n");
        return false;
    }
    m_discoveryPort = udp.localPort();
    udp.close();
    for (const Register &r : Shop) {
        if (!r.family)
            continue;
        RegisterSimulator::Config config;
        config.family = r.family == 52 ? RegisterSimulator::Family252 : RegisterSimulator::Family253;
        config.serial = QString::fromLatin1(r.serial);
        config.discoveryPort = m_discoveryPort;
        auto sim = std::make_shared<RegisterSimulator>(config);
        sim->fillDemoParameters();
        if (m_sims.isEmpty()) {
            const QByteArray area = buildGoodsImage(shopGoods(), true);
            sim->setGoodsArea(area + sim->goodsArea().mid(area.size()));
        }
        if (!sim->listen(QHostAddress(QLatin1String(r.address)), m_port)) {
            std::fprintf(stderr, "cannot listen on %s:%d\n", r.address, m_port);
            return false;
        }
        m_port = sim->serverPort();
        m_sims.append(sim);
    }
    return true;
}

void GuideShots::fillRegistry()
{
    DeviceRegistry registry;
    for (const Register &r : Shop) {
        registry.addDevice(QLatin1String(r.serial), QLatin1String(r.version), QString::fromUtf8(r.name),
                           QLatin1String(r.address));
    }
    registry.save();
}

void GuideShots::save(QWidget *widget, const QString &name)
{
    wait(150);
    const QString path = QDir(m_dir).filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        m_ok = false;
        return;
    }
    m_written.append(name);
    std::printf("%s (%dx%d)\n", qPrintable(path), widget->width(), widget->height());
    std::fflush(stdout);
}

void GuideShots::whileModal(const std::function<void()> &open, const std::function<bool(QWidget *)> &handle)
{
    QTimer timer;
    QPointer<QWidget> seen;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->windowHandle() || !w->windowHandle()->isExposed())
            return;
        // A window gets a moment to lay itself out before it is grabbed.
        ticks = w == seen ? ticks + 1 : 0;
        seen = w;
        if (ticks >= 2 && handle(w))
            ticks = 0;
        else if (ticks == 200)
            std::fprintf(stderr, "unanswered: %s \"%s\"\n", w->metaObject()->className(),
                         qPrintable(w->windowTitle()));
    });
    timer.start(50);
    open();
}

void GuideShots::mainWindow()
{
    MainWindow window;
    window.show();
    window.resize(760, 330);
    trigger(&window, "actionCheckConnection");
    waitFor(
        [&] { return window.statusBar()->currentMessage().startsWith(QStringLiteral("Связь проверена")); });
    auto *table = child<QTableView>(&window, "deviceTable");
    table->selectRow(0);
    save(&window, QStringLiteral("main-window"));
}

void GuideShots::inventory()
{
    // Every register of the list, the one without an address from its profile.
    InventoryDialog dialog(DeviceRegistry().entries(), {});
    dialog.setPort(m_port);
    dialog.show();
    dialog.resize(1260, 300);
    dialog.refresh();
    waitFor([&] { return dialog.inventory() && !dialog.inventory()->isRunning(); });
    save(&dialog, QStringLiteral("inventory"));
}

void GuideShots::registration()
{
    RegisterDeviceDialog dialog;
    child<QLineEdit>(&dialog, "addressEdit")->setText(QStringLiteral("127.0.0.3"));
    dialog.show();
    save(&dialog, QStringLiteral("register-dialog"));
}

void GuideShots::browse()
{
    // A scan of the simulated registers' own addresses only: never a
    // broadcast on the machine's interfaces.
    QList<QHostAddress> targets;
    for (const Register &r : Shop) {
        if (r.family)
            targets.append(QHostAddress(QLatin1String(r.address)));
    }
    const quint16 port = m_discoveryPort;
    BrowseDeviceDialog::setScanSetup([targets, port](DeviceFinder &finder) {
        finder.setTargets(targets);
        finder.setPort(port);
        finder.setTimeout(300);
    });
    BrowseDeviceDialog dialog;
    dialog.show();
    waitFor(
        [&] { return dialog.model()->rowCount() == targets.size() && !QApplication::activeModalWidget(); });
    save(&dialog, QStringLiteral("browse-dialog"));
}

void GuideShots::deviceWindow()
{
    const Register &r = Shop[0];
    DeviceWindow window;
    window.setPort(m_port);
    window.setDevice(QLatin1String(r.serial), QLatin1String(r.version), QString::fromUtf8(r.name),
                     QLatin1String(r.address));
    window.show();
    window.resize(1100, 640);
    trigger(&window, "actionDeviceImport");
    QTabWidget *tabs = window.tabWidget();
    for (int k = 0; k < tabs->count(); ++k) {
        tabs->setCurrentIndex(k);
        save(&window, QStringLiteral("device-") + QLatin1String(TabNames[k]));
    }

    // An edit marked as changed, a position renamed for the other registers,
    // then the check with its dock.
    tabs->setCurrentIndex(0);
    if (auto *prefix = child<QLineEdit>(&window, "tradeConfig.weightPrefix"))
        prefix->setText(QStringLiteral("35"));
    trigger(&window, "actionValidate");
    // The first finding opened, as a double-click opens it: the page scrolls
    // to the field the finding is about.
    if (auto *dock = window.findChild<IssueDock *>(); dock && dock->model()->rowCount() > 0) {
        const QModelIndex first = dock->model()->index(0, 0);
        dock->listView()->setCurrentIndex(first);
        dock->showIssue(first);
    }
    save(&window, QStringLiteral("device-findings"));
    if (auto *prefix = child<QLineEdit>(&window, "tradeConfig.weightPrefix"))
        prefix->setText(QStringLiteral("21"));
    const QByteArray before = m_sims.at(0)->parameterImage();
    // The organisation's name on its tab, a position for the other registers.
    for (QLineEdit *edit : window.tabs().at(4)->findChildren<QLineEdit *>()) {
        if (edit->text() == QStringLiteral("ООО \"Василёк\""))
            edit->setText(QStringLiteral("ООО «Ёлка»"));
    }
    if (auto *positions = window.tabs().at(1)->findChild<QAbstractItemView *>()) {
        QAbstractItemModel *model = positions->model();
        model->setData(model->index(1, 0), QStringLiteral("Старший кассир"));
    }

    // A write (its questions answered "Да"), so that the history has a snapshot.
    whileModal([&] { trigger(&window, "actionDeviceExport"); },
               [](QWidget *w) {
                   if (auto *box = qobject_cast<QMessageBox *>(w)) {
                       answer(box, QMessageBox::Yes);
                       return true;
                   }
                   return false;
               });
    if (m_sims.at(0)->parameterImage() == before)
        std::fprintf(stderr, "the write before the history changed nothing\n");

    whileModal([&] { trigger(&window, "actionHistory"); },
               [this](QWidget *w) {
                   if (auto *dialog = qobject_cast<SnapshotHistoryDialog *>(w)) {
                       save(dialog, QStringLiteral("history-dialog"));
                       dialog->reject();
                       return true;
                   }
                   return false;
               });
    whileModal([&] { trigger(&window, "actionDeviceChangeAddr"); },
               [this](QWidget *w) {
                   if (auto *dialog = qobject_cast<QDialog *>(w)) {
                       save(dialog, QStringLiteral("address-dialog"));
                       dialog->reject();
                       return true;
                   }
                   return false;
               });

    // Applying the positions to the other registers, all confirmed at once.
    int stage = 0;
    whileModal([&] { trigger(&window, "actionApplyToOthers"); },
               [&](QWidget *w) {
                   if (auto *box = qobject_cast<QMessageBox *>(w)) {
                       answer(box, QMessageBox::Yes);
                       return true;
                   }
                   auto *dialog = qobject_cast<FleetApplyDialog *>(w);
                   if (!dialog)
                       return false;
                   auto *write = child<QPushButton>(dialog, "writeButton");
                   auto *close = child<QPushButton>(dialog, "closeButton");
                   if (stage == 0) {
                       child<QCheckBox>(dialog, "group_positions")->setChecked(true);
                       for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
                           if (b->text() == QStringLiteral("Выбрать все доступные"))
                               b->click();
                       }
                       child<QRadioButton>(dialog, "confirmAll")->setChecked(true);
                       save(dialog, QStringLiteral("fleet-choice"));
                       child<QPushButton>(dialog, "startButton")->click();
                       stage = 1;
                   } else if (stage == 1 && close->isEnabled()) {
                       std::fprintf(stderr, "the other registers needed no write\n");
                       stage = 2;
                   } else if (stage == 1 && write->isVisible() && write->isEnabled()) {
                       save(dialog, QStringLiteral("fleet-confirm"));
                       write->click();
                       stage = 2;
                   } else if (stage == 2 && close->isEnabled()) {
                       save(dialog, QStringLiteral("fleet-result"));
                       close->click();
                       return true;
                   }
                   return false;
               });

    goodsWindow(window);
    // Closing asks whether to keep the edits in the profile: no.
    whileModal([&] { window.close(); },
               [](QWidget *w) {
                   if (auto *box = qobject_cast<QMessageBox *>(w)) {
                       answer(box, QMessageBox::No);
                       return true;
                   }
                   return false;
               });
}

void GuideShots::goodsWindow(DeviceWindow &device)
{
    trigger(&device, "actionShowGoods");
    GoodsWindow *goods = device.goodsWindow();
    if (!goods)
        return;
    goods->resize(900, 560);
    trigger(goods, "actionDeviceImport");
    waitFor([&] { return goods->model()->rowCount() > 0; });
    save(goods, QStringLiteral("goods-window"));
    trigger(goods, "actionValidate");
    save(goods, QStringLiteral("goods-findings"));
    goods->close();
}

void GuideShots::failureBox()
{
    // A register whose job port nothing listens on: the connection is refused
    // at once, and the load ends with its code.
    QTcpServer unused;
    unused.listen(QHostAddress(QStringLiteral("127.0.0.3")), 0);
    const quint16 closedPort = unused.serverPort();
    unused.close();
    const Register &r = Shop[1];
    DeviceWindow window;
    window.setPort(closedPort);
    window.setDevice(QLatin1String(r.serial), QLatin1String(r.version), QString::fromUtf8(r.name),
                     QLatin1String(r.address));
    window.show();
    whileModal([&] { trigger(&window, "actionDeviceImport"); },
               [this](QWidget *w) {
                   if (auto *box = qobject_cast<QMessageBox *>(w)) {
                       save(box, QStringLiteral("failure-box"));
                       box->accept();
                       return true;
                   }
                   return false;
               });
    window.close();
}

void GuideShots::journal()
{
    ExchangeJournalWindow window(ExchangeJournal::instance());
    window.show();
    window.resize(1260, 420);
    // The failed load, with its explanation shown in full below the table.
    window.view()->selectRow(window.view()->model()->rowCount() - 1);
    save(&window, QStringLiteral("journal"));
}

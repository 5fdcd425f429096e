// Writes to a simulated register from the device window and the goods
// window, then opens "История изменений…" in each and saves screenshots: for
// looking at the history dialogs as a user sees them.
//
//   xvfb-run -a build/bench/history/history_look shots/
#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "goods/goodsimage.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "link/reachability.h"
#include "params/deviceprofile.h"
#include "sim/registersimulator.h"
#include "window/devicewindow.h"
#include "window/snapshothistorydialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHostAddress>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

const QString Host = QStringLiteral("127.0.0.2");
const QString Serial = QStringLiteral("0530000002");

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void shot(QWidget *w, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

// Answers boxes with OK and photographs history dialogs, then restores from
// them (restore) or closes them.
class Answerer : public QObject
{
public:
    Answerer(const QString &dir)
        : m_dir(dir)
    {
        connect(&m_timer, &QTimer::timeout, this, &Answerer::poll);
        m_timer.start(50);
    }

    QString name;
    bool restore = false;

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            std::printf("box: %s\n", qPrintable(box->text()));
            box->accept();
        } else if (auto *dialog = qobject_cast<SnapshotHistoryDialog *>(w)) {
            if (!dialog->windowHandle() || !dialog->windowHandle()->isExposed())
                return;
            shot(dialog, m_dir, name);
            if (restore)
                dialog->accept();
            else
                dialog->reject();
        }
    }

    QString m_dir;
    QTimer m_timer;
};

QLineEdit *editShowing(QWidget *window, const QString &text)
{
    for (QLineEdit *edit : window->findChildren<QLineEdit *>()) {
        if (edit->text() == text)
            return edit;
    }
    return nullptr;
}

Goods item(const QString &name, const QString &code, double price, int dept)
{
    Goods g;
    g.name = name;
    g.intcode = code;
    g.price = price;
    g.dept = dept;
    return g;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: history_look SHOTS_DIR\n");
        return 2;
    }
    // A private settings store and data folder: nothing of the user's is
    // read or written.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.filePath(QStringLiteral("config")));
    AppSettings::applyIdentity();
    Reachability::setPingFunction([](const QString &, int) { return 0; });
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);

    RegisterSimulator::Config config;
    config.serial = Serial;
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    sim.fillDemoParameters();
    const GoodsList held = { item("Молоко 3,2% 1 л", "12", 89.9, 2), item("Кефир 1%", "13", 64.5, 2),
                             item("Хлеб Бородинский", "20", 52, 3), item("Гречка 900 г", "31", 120, 1) };
    const QByteArray area = buildGoodsImage(held, true);
    sim.setGoodsArea(area + sim.goodsArea().mid(area.size()));
    if (!sim.listen(QHostAddress(Host))) {
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(Host));
        return 1;
    }
    {
        DeviceRegistry registry;
        registry.addDevice(Serial, QStringLiteral("2.53.12"), QStringLiteral("Касса 1"), Host);
        registry.save();
    }
    DeviceProfile().save(Serial, QStringLiteral("2.53.12"), 2000, sim.parameterImage(), sim.systemImage());

    Answerer answerer(dir);
    DeviceWindow window;
    window.setPort(sim.serverPort());
    window.setDevice(Serial, QStringLiteral("2.53.12"), QStringLiteral("Касса 1"), Host);
    window.show();
    wait(200);
    answerer.name = QStringLiteral("1-history-empty");
    window.findChild<QAction *>(QStringLiteral("actionHistory"))->trigger();

    if (QLineEdit *name = editShowing(&window, QStringLiteral("ООО \"Василёк\"")))
        name->setText(QStringLiteral("ООО «Ёлка»"));
    window.findChild<QAction *>(QStringLiteral("actionDeviceExport"))->trigger();
    if (QLineEdit *name = editShowing(&window, QStringLiteral("ООО «Ёлка»")))
        name->setText(QStringLiteral("ООО «Ёлка и Сосна»"));
    answerer.name = QStringLiteral("2-history-device");
    answerer.restore = true;
    window.findChild<QAction *>(QStringLiteral("actionHistory"))->trigger();
    wait(200);
    shot(&window, dir, QStringLiteral("3-device-restored"));

    auto *goods = new GoodsWindow(&window, Qt::Window);
    goods->setAttribute(Qt::WA_DeleteOnClose);
    goods->setup(Serial, 2000, Host, sim.serverPort(),
                 { QStringLiteral("Бакалея"), QStringLiteral("Молочный"), QStringLiteral("Хлеб") });
    goods->setFirmwareVersion(QStringLiteral("2.53.12"));
    goods->model()->setGoods({ item("Молоко 3,2% 1 л", "12", 94.9, 2), item("Хлеб Бородинский", "20", 52, 3),
                               item("Гречка ядрица 900 г", "31", 120, 1),
                               item("Сыр Российский", "40", 650, 2) });
    goods->show();
    wait(200);
    goods->findChild<QAction *>(QStringLiteral("actionDeviceExport"))->trigger();
    answerer.name = QStringLiteral("4-history-goods");
    answerer.restore = false;
    goods->findChild<QAction *>(QStringLiteral("actionHistory"))->trigger();
    goods->close();
    return 0;
}

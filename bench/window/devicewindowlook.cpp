// Opens the device window of both families on simulated registers as a user
// would (placed by the window itself on the screen it gets), checks, edits a
// field, and saves screenshots of the whole screen with and without the
// "Проблемы" dock: for looking at what a small screen leaves of the window.
// Run it once per screen size:
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bench/window/devicewindow_look shots/1280x800
//   xvfb-run -a -s "-screen 0 1024x600x24" build/bench/window/devicewindow_look shots/1024x600
#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "link/reachability.h"
#include "params/deviceprofile.h"
#include "sim/registersimulator.h"
#include "tabs/devicewidget.h"
#include "window/deviceissuewidget.h"
#include "window/devicewindow.h"
#include "window/issuelistmodel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHostAddress>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The whole screen: what lies beyond its edge is what a user would miss.
void shot(QWidget *window, const QString &dir, const QString &name)
{
    wait(300);
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    window->screen()->grabWindow(0).save(path);
    const QRect frame = window->frameGeometry();
    const QRect free = window->screen()->availableGeometry();
    std::printf("%s: window %dx%d at %d,%d, minimum %dx%d, %s\n", qPrintable(path), frame.width(),
                frame.height(), frame.x(), frame.y(), window->minimumSizeHint().width(),
                window->minimumSizeHint().height(), free.contains(frame) ? "on screen" : "OFF SCREEN");
}

void look(int family, const QString &dir)
{
    const QString host = QStringLiteral("127.0.0.%1").arg(family == 52 ? 4 : 5);
    const QString serial = QStringLiteral("05%1000004").arg(family);
    const QString version = family == 52 ? QStringLiteral("2.52.40") : QStringLiteral("2.53.12");
    RegisterSimulator::Config config;
    config.family = family == 52 ? RegisterSimulator::Family252 : RegisterSimulator::Family253;
    config.serial = serial;
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    sim.fillDemoParameters();
    if (!sim.listen(QHostAddress(host)))
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(host));
    {
        DeviceRegistry registry;
        registry.addDevice(serial, version, QStringLiteral("Касса у входа"), host);
        registry.save();
    }
    DeviceProfile().save(serial, version, 2000, sim.parameterImage(), sim.systemImage());

    DeviceWindow window;
    window.setPort(sim.serverPort());
    window.setDevice(serial, version, QStringLiteral("Касса у входа"), host);
    window.show();
    const QString prefix = QStringLiteral("%1-").arg(family);
    QTabWidget *tabs = window.tabWidget();
    tabs->setCurrentIndex(0);
    shot(&window, dir, prefix + QStringLiteral("01-config"));

    // A change marked, then the check with its dock.
    auto *prefixEdit = window.findChild<QLineEdit *>(QStringLiteral("tradeConfig.weightPrefix"));
    if (prefixEdit)
        prefixEdit->setText(QStringLiteral("35"));
    window.findChild<QAction *>(QStringLiteral("actionValidate"))->trigger();
    // The page scrolled to the changed field, as opening its finding does.
    if (prefixEdit)
        window.issueDock()->showIssue(window.issueDock()->model()->index(0));
    shot(&window, dir, prefix + QStringLiteral("02-config-dock"));
    for (int k = 1; k < tabs->count(); ++k) {
        tabs->setCurrentIndex(k);
        shot(&window, dir,
             prefix + QStringLiteral("%1-tab%2-dock").arg(k + 2, 2, 10, QLatin1Char('0')).arg(k));
    }
    window.issueDock()->close();
    tabs->setCurrentIndex(2);
    shot(&window, dir, prefix + QStringLiteral("11-users"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: devicewindow_look SHOTS_DIR\n");
        return 2;
    }
    // A private settings store and data folder: nothing of the user's is
    // read or written, and no window remembers a place from before.
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
    std::printf("screen %dx%d\n", QGuiApplication::primaryScreen()->size().width(),
                QGuiApplication::primaryScreen()->size().height());
    look(52, dir);
    look(53, dir);
    return 0;
}

// Started by bench_startup: shows either the utility's main window ("app") or
// a bare main window ("bare", the reference), reports once the first paint
// has happened, and exits with its peak resident memory. "seed ROWS" fills
// the store instead: ten registers with parameter profiles, the first with a
// goods catalogue of ROWS rows when ROWS > 0.
#include "../goods/goodsbench.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "goods/goodsimage.h"
#include "params/deviceparams.h"
#include "params/deviceprofile.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("shown\n");
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

int seed(int goodsRows)
{
    const QString version = QStringLiteral("2.53.40");
    const std::unique_ptr<DeviceParams> params(DeviceParams::create(version));
    QByteArray image, system;
    params->toImage(image, system);
    const auto serial = [](int i) { return QStringLiteral("05300000%1").arg(i, 2, 10, QLatin1Char('0')); };
    DeviceRegistry registry;
    for (int i = 0; i < 10; ++i)
        registry.addDevice(serial(i), version, QStringLiteral("Касса %1").arg(i + 1),
                           QStringLiteral("127.0.0.%1").arg(i + 2));
    bool ok = registry.save();
    for (int i = 0; i < 10; ++i)
        ok = DeviceProfile().save(serial(i), version, 2000, image, system) && ok;
    if (goodsRows > 0)
        ok = DeviceProfile().saveGoods(serial(0), buildGoodsImage(generateGoods(goodsRows), false)) && ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
    QApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "seed") == 0) {
        AppSettings::applyIdentity();
        return seed(std::atoi(argv[2]));
    }
    if (bare)
        AppSettings::applyIdentity();
    else
        prepareApplication();

    std::unique_ptr<QMainWindow> window;
    if (bare) {
        window = std::make_unique<QMainWindow>();
        window->resize(400, 300);
    } else {
        window = std::make_unique<MainWindow>();
    }
    FirstPaint filter;
    window->installEventFilter(&filter);
    window->show();
    const int rc = app.exec();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("maxrss_kb %ld\n", usage.ru_maxrss);
    return rc;
}

// What a 10 000-row goods catalogue kept in a register's profile costs the
// rest of the program, which reads the same settings file: the main window's
// registry reload (alone, and after a change to the device list, which
// rewrites the file), a device window's profile load, and the device window
// itself from construction to its first paint. Each figure against the same
// operation on a store without the catalogue, in the same run. Runs on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
// Three states of the file: read before in this process; changed by another
// program since (a new time stamp: Qt reads it again); and never read in this
// process (a copy under a new name, as at start-up).
#include "goodsbench.h"
#include "paintwatch.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "goods/goodsimage.h"
#include "params/deviceparams.h"
#include "params/deviceprofile.h"
#include "window/devicewindow.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

constexpr int Registers = 10;
int s_touch = 0;

QString serialOf(int i)
{
    return QStringLiteral("05300000%1").arg(i, 2, 10, QLatin1Char('0'));
}

void pointStoreAt(const QString &dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
}

// Ten registers with their parameter profiles; the first one also keeps a
// goods catalogue of goodsRows rows when goodsRows > 0.
void fillStore(const QString &dir, int goodsRows)
{
    pointStoreAt(dir);
    const std::unique_ptr<DeviceParams> params(DeviceParams::create(QStringLiteral("2.53.40")));
    QByteArray image, system;
    params->toImage(image, system);
    {
        DeviceRegistry registry;
        for (int i = 0; i < Registers; ++i)
            registry.addDevice(serialOf(i), QStringLiteral("2.53.40"), QStringLiteral("Касса %1").arg(i + 1),
                               QStringLiteral("127.0.0.%1").arg(i + 2));
        registry.save();
    }
    for (int i = 0; i < Registers; ++i)
        DeviceProfile().save(serialOf(i), QStringLiteral("2.53.40"), 2000, image, system);
    if (goodsRows > 0)
        DeviceProfile().saveGoods(serialOf(0), buildGoodsImage(generateGoods(goodsRows), false));
}

qint64 storeSize()
{
    return QFileInfo(QSettings().fileName()).size();
}

// Like report(), with the precision these short figures need.
void line(const char *what, Timing t, Timing ref)
{
    std::printf(
        "%-46s wall %8.3f ms  cpu %8.3f ms   reference (store without goods): wall %8.3f ms  cpu %8.3f "
        "ms   ratio wall %5.2f  cpu %5.2f   goal <= 2.00\n",
        what, t.wallMs, t.cpuMs, ref.wallMs, ref.cpuMs, t.wallMs / ref.wallMs, t.cpuMs / ref.cpuMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppSettings::applyIdentity();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const int goodsRows = 10000;

    QTemporaryDir plainDir, goodsDir;
    fillStore(plainDir.path(), 0);
    const qint64 plainSize = storeSize();
    fillStore(goodsDir.path(), goodsRows);
    const qint64 goodsSize = storeSize();
    std::printf("%d registers with parameter profiles; store %.1f KB, with a %d-row goods profile %.1f KB; "
                "median of %d runs, alternating\n",
                Registers, plainSize / 1024.0, goodsRows, goodsSize / 1024.0, runs);

    size_t sink = 0;
    const auto reload = [&] {
        DeviceRegistry registry;
        sink += size_t(registry.entries().size());
    };
    // The main window after "Регистрация ККТ" or an address change: one
    // short-lived registry changes the list and saves it, then the table reloads.
    int round = 0;
    const auto changeAndReload = [&] {
        {
            DeviceRegistry registry;
            registry.setDeviceAddress(serialOf(1), QStringLiteral("127.0.1.%1").arg(++round % 200 + 1));
            registry.save();
        }
        reload();
    };
    const auto openDevice = [&] {
        QString version;
        int capacity = 0;
        QByteArray params, system;
        DeviceProfile().load(serialOf(0), version, capacity, params, system);
        sink += size_t(params.size());
    };

    // The main window's double-click on the register with the catalogue.
    const auto openWindow = [&] {
        DeviceWindow window;
        window.setDevice(serialOf(0), QStringLiteral("2.53.40"), QStringLiteral("Касса 1"),
                         QStringLiteral("127.0.0.2"));
        PaintWatch watch(&window);
        window.show();
        watch.waitForPaint();
        sink += size_t(window.tabs().size());
    };
    // Qt keeps a parsed settings file between QSettings objects and reads it
    // again only when its time stamp or size changed: as at start-up, or
    // after korvant-cli or a second window of the program wrote it.
    const auto changedOutside = [](const QString &dir) {
        pointStoreAt(dir);
        QFile f(QSettings().fileName());
        if (f.open(QIODevice::ReadWrite))
            f.setFileTime(QDateTime::currentDateTime().addSecs(++s_touch), QFileDevice::FileModificationTime);
    };
    const auto readBefore = [](const QString &dir) { pointStoreAt(dir); };
    QTemporaryDir copies;
    int copy = 0;
    const auto neverRead = [&](const QString &dir) {
        pointStoreAt(dir);
        const QString from = QSettings().fileName();
        const QString to = copies.filePath(QString::number(++copy));
        pointStoreAt(to);
        QDir().mkpath(QFileInfo(QSettings().fileName()).path());
        QFile::copy(from, QSettings().fileName());
    };
    struct Case
    {
        const char *what;
        std::function<void()> f;
        std::function<void(const QString &)> prepare;
    };
    const Case cases[] = {
        { "registry reload, file read before", reload, readBefore },
        { "registry reload, file changed outside", reload, changedOutside },
        { "registry reload, file never read (start-up)", reload, neverRead },
        { "registry change + reload", changeAndReload, readBefore },
        { "device window profile load, read before", openDevice, readBefore },
        { "device window profile load, changed outside", openDevice, changedOutside },
        { "device window to first paint, read before", openWindow, readBefore },
        { "device window to first paint, changed outside", openWindow, changedOutside },
    };
    for (const Case &c : cases) {
        std::vector<double> wallWith, cpuWith, wallPlain, cpuPlain;
        for (int i = 0; i < runs; ++i) {
            for (const bool withGoods : { false, true }) {
                c.prepare(withGoods ? goodsDir.path() : plainDir.path());
                const Timing t = measure(1, c.f);
                (withGoods ? wallWith : wallPlain).push_back(t.wallMs);
                (withGoods ? cpuWith : cpuPlain).push_back(t.cpuMs);
            }
        }
        line(c.what, { median(wallWith), median(cpuWith) }, { median(wallPlain), median(cpuPlain) });
    }
    return sink == 0;
}

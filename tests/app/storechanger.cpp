// A program that changes the settings store the way the utility and
// korvant-cli do, for tests that run several at once on one store: for each
// of COUNT registers PREFIX000, PREFIX001, ... it lists the register, saves
// its profile and goods, renames it and saves the main window's settings,
// each change on its own, as separate user actions would.
//
//     store_changer STORE_FOLDER PREFIX COUNT
//
// Exit status 0 when every change was written, 1 otherwise, 2 for bad arguments.

#include "support/testsettings.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "app/mainwindowsettings.h"
#include "params/deviceprofile.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// A parameter image of a real register's size, so that the store grows to
// a megabyte: a larger file takes longer to read, as a user's store does.
QByteArray profileImage(const QString &serial)
{
    return serial.toLatin1().repeated(21 * 256 / serial.size() + 1).left(21 * 256);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppSettings::applyIdentity();
    const QStringList args = QCoreApplication::arguments();
    bool ok = false;
    const int count = args.value(3).toInt(&ok);
    if (args.size() != 4 || !ok)
        return 2;
    TestSettingsDir::point(args.at(1));
    const QString prefix = args.at(2);

    bool written = true;
    // Say which change failed, for the test's log.
    SettingsStore::setWriteErrorHandler([](const QString &file) {
        fprintf(stderr, "store_changer: could not write %s\n", qPrintable(file));
    });
    for (int i = 0; i < count; ++i) {
        const QString serial = prefix + QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        const QString version = QStringLiteral("2.53.12");
        {
            DeviceRegistry registry;
            registry.listDevice(serial, version);
            written = registry.save() && written;
        }
        written = DeviceProfile().save(serial, version, 2000, profileImage(serial), QByteArray()) && written;
        written = DeviceProfile().saveGoods(serial, QByteArray(128, char(i))) && written;
        {
            DeviceRegistry registry;
            registry.setDeviceName(serial, QStringLiteral("Касса ") + serial);
            written = registry.save() && written;
        }
        MainWindowSettings window;
        window.sortColumn = i % 4;
        written = window.save() && written;
    }
    return written ? 0 : 1;
}

#include "support/testsettings.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "app/devicetablemodel.h"
#include "params/deviceprofile.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <vector>

class TestDeviceRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void firstRunShowsEmptyListAndWritesNothing();
    void addDevice_data();
    void addDevice();
    void removingUnknownSerialWritesAndEmitsNothing();
    void renameKeepsPlaceAndBlankNameShowsSerial();
    void removeDropsEveryEntryOfSerial();
    void shrunkListReadsBackShort();
    void missingKeyLoadsEmpty();
    void readOnlyRegistryNeverRewritesStore();
    void modelShowsEntriesWithCaptions();
    void failedWriteIsReported();
    void changesOfSeveralProgramsAreAllKept();
    void changeAppliesToWhatTheStoreHoldsNow();

private:
    QString storeFile() const;
    QByteArray storeBytes() const;
    void writeStore(const QByteArray &ini);

    TestSettingsDir m_store;
};

void TestDeviceRegistry::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
}

void TestDeviceRegistry::init()
{
    QFile::remove(storeFile());
    m_store.clear();
    QFile::remove(storeFile());
}

QString TestDeviceRegistry::storeFile() const
{
    return QSettings().fileName();
}

QByteArray TestDeviceRegistry::storeBytes() const
{
    QFile f(storeFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestDeviceRegistry::writeStore(const QByteArray &ini)
{
    QFile f(storeFile());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(ini);
}

void TestDeviceRegistry::firstRunShowsEmptyListAndWritesNothing()
{
    DeviceTableModel model;
    model.loadFromRegistry();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!QFile::exists(storeFile()));
}

void TestDeviceRegistry::addDevice_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("addr");
    QTest::addColumn<QList<QStringList>>("expected");

    // The store starts with two registers: 0001 (named) and 0002.
    const QStringList first { "0001", "Касса 1", "2.53.10", "127.0.0.2" };
    const QStringList second { "0002", "0002", "2.52.40", "127.0.0.3" };

    QTest::newRow("new serial is appended, name defaults to serial")
        << "0003"
        << "2.53.1"
        << ""
        << "127.0.0.4" << QList<QStringList> { first, second, { "0003", "0003", "2.53.1", "127.0.0.4" } };
    QTest::newRow("known serial updated in place, name reset to serial")
        << "0001"
        << "2.53.12"
        << ""
        << "127.0.0.9" << QList<QStringList> { { "0001", "0001", "2.53.12", "127.0.0.9" }, second };
    QTest::newRow("offline re-registration empties the address")
        << "0002"
        << "2.52.*"
        << ""
        << "" << QList<QStringList> { first, { "0002", "0002", "2.52.*", "" } };
    QTest::newRow("serials compare case-sensitively")
        << "000A"
        << "2.53.1"
        << ""
        << "" << QList<QStringList> { first, second, { "000A", "000A", "2.53.1", "" } };
}

void TestDeviceRegistry::addDevice()
{
    QFETCH(QString, serial);
    QFETCH(QString, version);
    QFETCH(QString, name);
    QFETCH(QString, addr);
    QFETCH(QList<QStringList>, expected);

    {
        DeviceRegistry seed;
        seed.addDevice("0001", "2.53.10", "Касса 1", "127.0.0.2");
        seed.addDevice("0002", "2.52.40", "", "127.0.0.3");
    }
    {
        DeviceRegistry registry;
        QSignalSpy changed(&registry, &DeviceRegistry::changed);
        registry.addDevice(serial, version, name, addr);
        QCOMPARE(changed.count(), 1);
        QVERIFY(registry.isDirty());
    }
    const DeviceRegistry reread;
    QList<QStringList> actual;
    for (const DeviceEntry &e : reread.entries())
        actual.append({ e.serial, e.name, e.version, e.addr });
    QCOMPARE(actual, expected);
}

void TestDeviceRegistry::removingUnknownSerialWritesAndEmitsNothing()
{
    writeStore("[devices]\n1\\serial=0001\n1\\name=A\n1\\version=2.53.1\n1\\addr=\nsize=1\n");
    const QByteArray before = storeBytes();
    {
        DeviceRegistry registry;
        QSignalSpy changed(&registry, &DeviceRegistry::changed);
        registry.removeDevice("0009");
        registry.setDeviceAddress("0009", "127.0.0.5");
        registry.setDeviceVersion("0009", "2.53.2");
        registry.setDeviceName("0009", "Касса");
        QCOMPARE(changed.count(), 0);
        QVERIFY(!registry.isDirty());
    }
    QCOMPARE(storeBytes(), before);
}

void TestDeviceRegistry::renameKeepsPlaceAndBlankNameShowsSerial()
{
    {
        DeviceRegistry registry;
        registry.addDevice("0001", "2.53.10", "", "127.0.0.2");
        registry.addDevice("0002", "2.52.40", "", "");
    }
    {
        DeviceRegistry registry;
        QSignalSpy changed(&registry, &DeviceRegistry::changed);
        registry.setDeviceName("0001", "Касса у окна");
        QCOMPARE(changed.count(), 1);
    }
    DeviceRegistry renamed;
    QCOMPARE(renamed.entries().first(), (DeviceEntry { "0001", "Касса у окна", "2.53.10", "127.0.0.2" }));
    renamed.setDeviceName("0001", "");
    QCOMPARE(renamed.entries().first().name, QStringLiteral("0001"));
    QCOMPARE(renamed.entries().last().serial, QStringLiteral("0002"));
}

void TestDeviceRegistry::removeDropsEveryEntryOfSerial()
{
    // Duplicates cannot be made through the registry, but a hand-edited store may hold them.
    writeStore("[devices]\n1\\serial=0001\n2\\serial=0002\n3\\serial=0001\nsize=3\n");
    {
        DeviceRegistry registry;
        QSignalSpy changed(&registry, &DeviceRegistry::changed);
        registry.removeDevice("0001");
        QCOMPARE(changed.count(), 1);
    }
    const DeviceRegistry reread;
    QCOMPARE(reread.entries().size(), 1);
    QCOMPARE(reread.entries().first().serial, QStringLiteral("0002"));
}

void TestDeviceRegistry::shrunkListReadsBackShort()
{
    {
        DeviceRegistry registry;
        registry.addDevice("0001", "2.53.1", "", "");
        registry.addDevice("0002", "2.53.1", "", "");
        registry.addDevice("0003", "2.53.1", "", "");
    }
    {
        DeviceRegistry registry;
        registry.removeDevice("0001");
        registry.removeDevice("0003");
    }
    QCOMPARE(QSettings().value("devices/size").toInt(), 1);
    const DeviceRegistry reread;
    QCOMPARE(reread.entries().size(), 1);
    QCOMPARE(reread.entries().first().serial, QStringLiteral("0002"));

    {
        DeviceRegistry registry;
        registry.removeDevice("0002");
    }
    QCOMPARE(DeviceRegistry().entries().size(), 0);
}

void TestDeviceRegistry::missingKeyLoadsEmpty()
{
    writeStore("[devices]\n1\\serial=0001\n1\\version=2.53.1\n1\\addr=127.0.0.2\nsize=1\n");
    const DeviceRegistry registry;
    QCOMPARE(registry.entries().size(), 1);
    const DeviceEntry e = registry.entries().first();
    QCOMPARE(e.serial, QStringLiteral("0001"));
    QVERIFY(e.name.isEmpty());
    QCOMPARE(e.version, QStringLiteral("2.53.1"));
    QCOMPARE(e.addr, QStringLiteral("127.0.0.2"));
}

void TestDeviceRegistry::readOnlyRegistryNeverRewritesStore()
{
    // Hand-written layout: any rewrite by the settings library would normalise it.
    const QByteArray ini = "; kept as written\n[devices]\nsize = 1\n1\\serial = 0001\n1\\name = A\n";
    writeStore(ini);
    DeviceTableModel model;
    model.loadFromRegistry();
    QCOMPARE(model.rowCount(), 1);
    {
        const DeviceRegistry registry;
    }
    QCOMPARE(storeBytes(), ini);
}

void TestDeviceRegistry::modelShowsEntriesWithCaptions()
{
    {
        DeviceRegistry registry;
        registry.addDevice("0001", "2.53.10", "Касса", "127.0.0.2");
    }
    DeviceTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.loadFromRegistry();
    // The list's four columns, then the connection check's outcome (none yet).
    QCOMPARE(model.columnCount(), 5);
    const QStringList captions { "Заводской номер", "Наименование", "Версия", "Адрес", "Связь" };
    const QStringList cells { "0001", "Касса", "2.53.10", "127.0.0.2", "" };
    for (int c = 0; c < 5; ++c) {
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), captions.at(c));
        QCOMPARE(model.data(model.index(0, c)).toString(), cells.at(c));
        QVERIFY(!model.data(model.index(0, c), Qt::EditRole).isValid());
    }
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
    QCOMPARE(model.entryAt(0).name, QStringLiteral("Касса"));
}

void TestDeviceRegistry::failedWriteIsReported()
{
    QStringList reported;
    bool saved = true;
    bool profileSaved = true;
    QString blocker;
    {
        const UnwritableSettingsStore unwritable(m_store);
        blocker = unwritable.blocker();
        AppSettings::setWriteErrorHandler([&](const QString &file) { reported.append(file); });
        {
            DeviceRegistry registry;
            registry.addDevice("0001", "2.53.1", "", "");
            saved = registry.save();
        }
        profileSaved = DeviceProfile().save("0001", "2.53.1", 2000, "p", "s");
    }

    QVERIFY(!saved);
    QVERIFY(!profileSaved);
    QCOMPARE(reported.size(), 2);
    QVERIFY(reported.first().startsWith(blocker));
}

// Three programs change the store at once, each its own registers, as the
// utility and two korvant-cli runs would: no change may undo another's.
void TestDeviceRegistry::changesOfSeveralProgramsAreAllKept()
{
    const QStringList prefixes = { "A", "B", "C" };
    constexpr int Count = 40;
    std::vector<std::unique_ptr<QProcess>> programs;
    for (const QString &prefix : prefixes) {
        programs.push_back(std::make_unique<QProcess>());
        programs.back()->setProcessChannelMode(QProcess::ForwardedChannels);
        programs.back()->start(QStringLiteral(STORE_CHANGER),
                               { m_store.path(), prefix, QString::number(Count) });
    }
    for (const auto &program : programs) {
        QVERIFY(program->waitForFinished(120000));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
    }

    QMap<QString, DeviceEntry> listed;
    const QList<DeviceEntry> entries = DeviceRegistry().entries();
    for (const DeviceEntry &e : entries) {
        QVERIFY2(!listed.contains(e.serial), qPrintable(e.serial));
        listed.insert(e.serial, e);
    }
    const QStringList profiles = DeviceProfile().keys();
    QStringList lost;
    for (const QString &prefix : prefixes) {
        for (int i = 0; i < Count; ++i) {
            const QString serial = prefix + QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
            QByteArray params, system, goods;
            QString version;
            int capacity = 0;
            DeviceProfile().load(serial, version, capacity, params, system);
            DeviceProfile().loadGoods(serial, goods);
            if (listed.value(serial).name != QStringLiteral("Касса ") + serial
                || params != serial.toLatin1().repeated(21 * 256 / 4 + 1).left(21 * 256)
                || goods != QByteArray(128, char(i)) || !profiles.contains(serial))
                lost << serial;
        }
    }
    QVERIFY2(lost.isEmpty(), qPrintable(QStringLiteral("lost or changed: ") + lost.join(' ')));
    QCOMPARE(listed.size(), prefixes.size() * Count);
}

// A registry made before another program's change saves its own change onto
// that one, not over it.
void TestDeviceRegistry::changeAppliesToWhatTheStoreHoldsNow()
{
    {
        DeviceRegistry first;
        first.addDevice("0001", "2.53.1", "Первая", "");
        first.addDevice("0002", "2.53.1", "Вторая", "");
    }
    DeviceRegistry stale;
    {
        DeviceRegistry other;
        other.addDevice("0003", "2.53.1", "Третья", "");
        other.setDeviceName("0001", "Касса 1");
        other.removeDevice("0002");
    }
    stale.setDeviceAddress("0001", "127.0.0.2");
    stale.removeDevice("0002"); // gone already: nothing to do
    QVERIFY(stale.save());

    const QList<DeviceEntry> expected = {
        { "0001", "Касса 1", "2.53.1", "127.0.0.2" },
        { "0003", "Третья", "2.53.1", "" },
    };
    QCOMPARE(stale.entries(), expected);
    QCOMPARE(DeviceRegistry().entries(), expected);
}

QTEST_GUILESS_MAIN(TestDeviceRegistry)
#include "tst_deviceregistry.moc"

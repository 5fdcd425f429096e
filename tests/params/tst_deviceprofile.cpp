#include "support/testsettings.h"

#include "params/deviceparams52.h"
#include "params/deviceprofile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

class TestDeviceProfile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void imagesComeBackByteForByte();
    void emptyImageRemovesStoredValue();
    void goodsSurviveSavingParameters();
    void removeDeletesWholeProfileOnly();
    void unknownKeyLoadsEmpty();
    void keysListProfilesOfStoredFile();
    void emptyKeyTouchesNoProfile_data();
    void emptyKeyTouchesNoProfile();
    void serialsStoredAsTheyAre_data();
    void serialsStoredAsTheyAre();
    void serialsDifferingInCaseKeepTheirProfiles_data();
    void serialsDifferingInCaseKeepTheirProfiles();

private:
    static QStringList storedKeys(const QString &serial);

    TestSettingsDir m_store;
};

void TestDeviceProfile::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
}

void TestDeviceProfile::init()
{
    m_store.clear();
}

QStringList TestDeviceProfile::storedKeys(const QString &serial)
{
    QSettings s;
    s.beginGroup(QStringLiteral("profiles"));
    s.beginGroup(serial);
    QStringList keys = s.childKeys();
    keys.sort();
    return keys;
}

void TestDeviceProfile::imagesComeBackByteForByte()
{
    // Every byte value, and the images of a real parameter set.
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    DeviceParams52 p;
    p.organisation.name.setText(QStringLiteral("ООО \"Ромашка\"; склад №2"));
    QByteArray params, system;
    p.toImage(params, system);
    params += allBytes;

    QVERIFY(DeviceProfile().save("00106700012345", "2.52.40", 3000, params, allBytes + system));
    QVERIFY(DeviceProfile().saveGoods("00106700012345", allBytes.repeated(3)));

    QString version;
    int goodsCapacity = -1;
    QByteArray loadedParams, loadedSystem, loadedGoods;
    DeviceProfile().load("00106700012345", version, goodsCapacity, loadedParams, loadedSystem);
    DeviceProfile().loadGoods("00106700012345", loadedGoods);
    QCOMPARE(version, QStringLiteral("2.52.40"));
    QCOMPARE(goodsCapacity, 3000);
    QCOMPARE(loadedParams, params);
    QCOMPARE(loadedSystem, allBytes + system);
    QCOMPARE(loadedGoods, allBytes.repeated(3));
}

void TestDeviceProfile::emptyImageRemovesStoredValue()
{
    DeviceProfile().save("7", "2.52.40", 100, "params", "system");
    DeviceProfile().saveGoods("7", "goods");
    QCOMPARE(storedKeys("7"), QStringList({ "goods", "goods-cap", "params", "system", "version" }));

    DeviceProfile().save("7", "2.52.41", 100, "params", QByteArray());
    QCOMPARE(storedKeys("7"), QStringList({ "goods", "goods-cap", "params", "version" }));
    DeviceProfile().saveGoods("7", QByteArray());
    QCOMPARE(storedKeys("7"), QStringList({ "goods-cap", "params", "version" }));

    QString version;
    int cap = 0;
    QByteArray params, system("stale");
    DeviceProfile().load("7", version, cap, params, system);
    QCOMPARE(version, QStringLiteral("2.52.41"));
    QVERIFY(system.isEmpty());
}

void TestDeviceProfile::goodsSurviveSavingParameters()
{
    DeviceProfile().save("7", "2.53.10", 100, "p1", "s1");
    DeviceProfile().saveGoods("7", "catalogue");
    DeviceProfile().save("7", "2.53.11", 200, "p2", "s2");

    QByteArray goods;
    DeviceProfile().loadGoods("7", goods);
    QCOMPARE(goods, QByteArray("catalogue"));
    QString version;
    int cap = 0;
    QByteArray params, system;
    DeviceProfile().load("7", version, cap, params, system);
    QCOMPARE(params, QByteArray("p2"));
    QCOMPARE(cap, 200);
}

void TestDeviceProfile::removeDeletesWholeProfileOnly()
{
    DeviceProfile().save("7", "2.53.10", 100, "p", "s");
    DeviceProfile().saveGoods("7", "g");
    DeviceProfile().save("8", "2.53.10", 100, "p8", "s8");

    QVERIFY(DeviceProfile().remove("7"));
    QCOMPARE(storedKeys("7"), QStringList());
    QSettings s;
    s.beginGroup("profiles");
    QCOMPARE(s.childGroups(), QStringList { "8" });
}

void TestDeviceProfile::unknownKeyLoadsEmpty()
{
    DeviceProfile().save("7", "2.53.10", 100, "p", "s");
    QString version("x");
    int cap = 5;
    QByteArray params("x"), system("x"), goods("x");
    DeviceProfile().load("unknown", version, cap, params, system);
    DeviceProfile().loadGoods("unknown", goods);
    QCOMPARE(version, QString());
    QCOMPARE(cap, 0);
    QCOMPARE(params, QByteArray());
    QCOMPARE(system, QByteArray());
    QCOMPARE(goods, QByteArray());
}

void TestDeviceProfile::keysListProfilesOfStoredFile()
{
    QCOMPARE(DeviceProfile().keys(), QStringList());

    // The store as earlier versions wrote it: a profile with goods only
    // counts, a value outside any subgroup does not.
    {
        QFile f(QSettings().fileName());
        QVERIFY(QDir().mkpath(QFileInfo(f).path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[profiles]\n"
                "0530000002\\version=2.53.40\n"
                "0530000002\\goods-cap=2000\n"
                "0530000002\\params=@ByteArray(p\\0q)\n"
                "0520000001\\goods=@ByteArray(g)\n"
                "etc\\x\\version=2.53.40\n"
                "stray=1\n");
    }
    // "etc" holds no value of its own: what "/etc/x" made of the store before
    // such keys were refused, no profile.
    QCOMPARE(DeviceProfile().keys(), QStringList({ "0520000001", "0530000002" }));
    QString version;
    int cap = 0;
    QByteArray params, system;
    DeviceProfile().load("0530000002", version, cap, params, system);
    QCOMPARE(version, QStringLiteral("2.53.40"));
    QCOMPARE(cap, 2000);
    QCOMPARE(params, QByteArray("p\0q", 3));

    QVERIFY(DeviceProfile().remove("0530000002"));
    QCOMPARE(DeviceProfile().keys(), QStringList({ "0520000001" }));
}

void TestDeviceProfile::emptyKeyTouchesNoProfile_data()
{
    QTest::addColumn<QString>("key");
    // Would address the whole "profiles" group: a remove would wipe every
    // register's profile.
    QTest::newRow("empty") << QString();
    QTest::newRow("only a separator") << QStringLiteral("/");
    // Would be stored as register 7's profile, or as a group of groups.
    QTest::newRow("another register's key after a separator") << QStringLiteral("/7");
    QTest::newRow("another register's key after a backslash") << QStringLiteral("\\7");
    QTest::newRow("a path") << QStringLiteral("/etc/x");
    QTest::newRow("a separator inside") << QStringLiteral("7/8");
}

void TestDeviceProfile::emptyKeyTouchesNoProfile()
{
    QFETCH(QString, key);
    QVERIFY(!DeviceProfile::isStorableKey(key));
    QVERIFY(!DeviceProfile::keyRefusal(key).isEmpty());
    DeviceProfile().save("7", "2.53.10", 100, "p", "s");

    const bool removed = DeviceProfile().remove(key);
    QCOMPARE(storedKeys("7"), QStringList({ "goods-cap", "params", "system", "version" }));
    QString version;
    int cap = 0;
    QByteArray params, system;
    DeviceProfile().load(key, version, cap, params, system);
    QCOMPARE(version, QString());
    const bool saved = DeviceProfile().save(key, "2.52.40", 1, "x", "y");
    const bool goodsSaved = DeviceProfile().saveGoods(key, "g");
    QSettings s;
    s.beginGroup("profiles");
    QCOMPARE(s.childKeys(), QStringList());
    QCOMPARE(s.childGroups(), QStringList { "7" });
    QVERIFY(!removed);
    QVERIFY(!saved);
    QVERIFY(!goodsSaved);
    DeviceProfile().load("7", version, cap, params, system);
    QCOMPARE(version, QStringLiteral("2.53.10"));
    QCOMPARE(params, QByteArray("p"));
    QCOMPARE(storedKeys("7"), QStringList({ "goods-cap", "params", "system", "version" }));
    QCOMPARE(DeviceProfile().keys(), QStringList { "7" });
}

void TestDeviceProfile::serialsStoredAsTheyAre_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("storable");
    QTest::newRow("digits") << QStringLiteral("0530000021") << true;
    QTest::newRow("letters and digits") << QStringLiteral("AB0530") << true;
    QTest::newRow("Cyrillic letters") << QStringLiteral("Ёлка0530") << true;
    QTest::newRow("dots") << QStringLiteral("..") << true;
    QTest::newRow("an escape sequence") << QStringLiteral("\x1b[2J05") << false;
    QTest::newRow("a line break") << QStringLiteral("05\n30") << false;
    QTest::newRow("a C1 control") << QStringLiteral("05\u009b30") << false;
}

// A key the store can hold comes back as it is; one with a control
// character is refused, like a blank one.
void TestDeviceProfile::serialsStoredAsTheyAre()
{
    QFETCH(QString, key);
    QFETCH(bool, storable);
    QCOMPARE(DeviceProfile::isStorableKey(key), storable);
    QCOMPARE(DeviceProfile().save(key, "2.53.10", 7, "p", "s"), storable);
    QCOMPARE(DeviceProfile().keys(), storable ? QStringList { key } : QStringList());
    QString version;
    int cap = 0;
    QByteArray params, system;
    DeviceProfile().load(key, version, cap, params, system);
    QCOMPARE(params, storable ? QByteArray("p") : QByteArray());
}

void TestDeviceProfile::serialsDifferingInCaseKeepTheirProfiles_data()
{
    QTest::addColumn<QByteArray>("lineEnd"); // the store file's, empty: as written here
    QTest::newRow("store written here") << QByteArray();
    QTest::newRow("store copied from Linux") << QByteArray("\n");
    QTest::newRow("store copied from Windows") << QByteArray("\r\n");
}

// Windows ignores letter case in file names and, in Qt's INI reader, in
// keys: serial numbers that differ only in case, or that Windows keeps for
// devices, still keep one profile each, also in a store copied between
// systems.
void TestDeviceProfile::serialsDifferingInCaseKeepTheirProfiles()
{
    QFETCH(QByteArray, lineEnd);
    const QStringList serials = { "ab", "AB", "Ab", "CON", "con", "NUL", "COM1" };
    for (int i = 0; i < serials.size(); ++i)
        QVERIFY(DeviceProfile().save(serials.at(i), "2.53.10", i, QByteArray::number(i), "s"));
    if (!lineEnd.isEmpty()) {
        QFile f(QSettings().fileName());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray text = f.readAll();
        f.close();
        text.replace("\r\n", "\n").replace("\n", lineEnd);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(text), qint64(text.size()));
    }
    QStringList keys = DeviceProfile().keys();
    keys.sort();
    QStringList expected = serials;
    expected.sort();
    QCOMPARE(keys, expected);
    for (int i = 0; i < serials.size(); ++i) {
        QString version;
        int cap = -1;
        QByteArray params, system;
        DeviceProfile().load(serials.at(i), version, cap, params, system);
        QCOMPARE(cap, i);
        QCOMPARE(params, QByteArray::number(i));
    }
}

QTEST_GUILESS_MAIN(TestDeviceProfile)
#include "tst_deviceprofile.moc"

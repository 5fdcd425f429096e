#include "support/testdatahome.h"

#include "classes/reservedname.h"
#include "goods/goodscsv.h"
#include "goods/goodsimage.h"
#include "history/snapshotstore.h"
#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/devicejobloop.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.81");
const QString Serial = QStringLiteral("0530000081");

ParamFile paramFile(const QString &serial, char fill)
{
    ParamFile f;
    f.serial = serial;
    f.version = QStringLiteral("2.53.12");
    f.params = QByteArray(0x1500, fill);
    f.params.replace(256, 20, QByteArray(20, '\0'));
    f.params.replace(256, serial.size(), serial.toLatin1());
    return f;
}

} // namespace

class TestSnapshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void keepsTheNewestOfEachKind();
    void folderBelowAFileStoresNothing();
    void oneFolderPerSerial_data();
    void oneFolderPerSerial();
    void takerConfirmsTheRegisterFirst_data();
    void takerConfirmsTheRegisterFirst();

private:
    TestDataHome m_home;
};

void TestSnapshots::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
}

void TestSnapshots::keepsTheNewestOfEachKind()
{
    const SnapshotStore store(m_home.path() + QStringLiteral("/limit"));
    // A serial number that is no safe folder name stays inside the store.
    const QString serial = QStringLiteral("../05/3");
    QVERIFY(QDir().mkpath(store.folder(serial)));
    QCOMPARE(QFileInfo(store.folder(serial)).dir().absolutePath(), QDir(store.root()).absolutePath());
    const QString notes = store.folder(serial) + QStringLiteral("/notes.txt");
    QFile f(notes);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();

    QString error;
    QVERIFY2(
        store.saveGoods(serial, { { "Хлеб", "1", "", 10, 1 } }, SnapshotOrigin::GoodsWindow, nullptr, &error),
        qPrintable(error));
    QVector<SnapshotInfo> saved;
    for (int i = 0; i < SnapshotStore::Keep + 3; ++i) {
        SnapshotInfo info;
        QVERIFY2(store.saveParams(paramFile(serial, char(i)), SnapshotOrigin::Cli, &info, &error),
                 qPrintable(error));
        saved.prepend(info);
    }

    const QVector<SnapshotInfo> params = store.list(serial, SnapshotKind::Params);
    QCOMPARE(params.size(), SnapshotStore::Keep);
    for (int i = 0; i < params.size(); ++i)
        QCOMPARE(params.at(i).path, saved.at(i).path); // newest first, the three oldest gone
    for (int i = SnapshotStore::Keep; i < saved.size(); ++i)
        QVERIFY(!QFile::exists(saved.at(i).path));
    ParamFile newest;
    QVERIFY2(SnapshotStore::loadParams(params.first(), &newest, &error), qPrintable(error));
    QCOMPARE(newest.params.at(0), char(SnapshotStore::Keep + 2));
    QCOMPARE(params.first().originText(), QStringLiteral("korvant-cli"));

    // Goods snapshots are not crowded out by parameters, nor other files touched.
    const QVector<SnapshotInfo> goods = store.list(serial, SnapshotKind::Goods);
    QCOMPARE(goods.size(), 1);
    QCOMPARE(goods.first().originText(), QStringLiteral("окно «Номенклатура»"));
    QCOMPARE(store.list(serial).size(), SnapshotStore::Keep + 1);
    QVERIFY(QFile::exists(notes));
}

void TestSnapshots::oneFolderPerSerial_data()
{
    QTest::addColumn<bool>("foldsCase");
    QTest::newRow("case-sensitive file system") << false;
    QTest::newRow("file system that ignores letter case") << true;
}

// Two serial numbers never share a folder (".." and "АБ" both became "__"),
// and the folders of plain serial numbers keep the names they had.
void TestSnapshots::oneFolderPerSerial()
{
    QFETCH(bool, foldsCase);
    const QStringList serials
        = { "..",         "АБ",  "__",   "_",     ".",      "",       "+",      "+2E+2E",
            "a/b",        "a_b", "a\\b", "05 30", "05\n30", "AB0530", "ab0530", "Ab0530",
            "0530000021", "CON", "con",  "NUL",   "COM1",   "LPT9",   "aux.txt" };
    QMap<QString, QString> serialOf;
    for (const QString &serial : serials) {
        const QString name = SnapshotStore::folderName(serial, foldsCase);
        const QString other = foldsCase ? name.toLower() : name;
        QVERIFY2(!serialOf.contains(other), qPrintable(serial + " and " + serialOf.value(other)));
        serialOf.insert(other, serial);
        QVERIFY(!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."));
        QVERIFY(!name.contains('/') && !name.contains('\\'));
        // Where letter case is ignored (Windows) no folder is named like a device.
        QVERIFY2(!foldsCase || !ReservedName::isReserved(name), qPrintable(name));
    }
    QCOMPARE(SnapshotStore::folderName("0530000021", false), QStringLiteral("0530000021"));
    QCOMPARE(SnapshotStore::folderName("AB-05_30", false), QStringLiteral("AB-05_30"));
    QCOMPARE(SnapshotStore::folderName("..", false), QStringLiteral("+2E+2E"));
    QCOMPARE(SnapshotStore::folderName("АБ", false), QStringLiteral("+D0+90+D0+91"));
    QCOMPARE(SnapshotStore::folderName("Ab1", true), QStringLiteral("+41+621"));
}

void TestSnapshots::folderBelowAFileStoresNothing()
{
    const QString blocker = m_home.unwritable();
    const SnapshotStore store; // the data folder, now below a plain file
    m_home.writable();
    QVERIFY(store.root().startsWith(blocker));
    QString error;
    QVERIFY(!store.saveParams(paramFile(Serial, 1), SnapshotOrigin::DeviceWindow, nullptr, &error));
    QCOMPARE(
        error,
        QStringLiteral("не удалось создать папку %1").arg(QDir::toNativeSeparators(store.folder(Serial))));
    QVERIFY(store.list(Serial).isEmpty());
}

void TestSnapshots::takerConfirmsTheRegisterFirst_data()
{
    QTest::addColumn<bool>("goods");
    QTest::addColumn<int>("family"); // what the write expects
    QTest::addColumn<QString>("serial"); // what the write expects
    QTest::addColumn<bool>("unwritable");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("code");
    QTest::newRow("parameters stored") << false << 53 << Serial << false << int(SnapshotResult::Stored) << 0;
    QTest::newRow("goods stored") << true << 0 << Serial << false << int(SnapshotResult::Stored) << 0;
    QTest::newRow("another serial number") << false << 53 << QStringLiteral("0530000089") << false
                                           << int(SnapshotResult::SerialMismatch) << int(ErrSerialMismatch);
    QTest::newRow("goods of another register")
        << true << 0 << QStringLiteral("0530000089") << false << int(SnapshotResult::SerialMismatch)
        << int(ErrSerialMismatch);
    QTest::newRow("another family") << false << 52 << Serial << false << int(SnapshotResult::FamilyMismatch)
                                    << int(ErrFamilyMismatch);
    QTest::newRow("read fails") << false << -1 << Serial << false << int(SnapshotResult::ReadFailed)
                                << int(ErrSocket);
    QTest::newRow("cannot be stored") << true << 0 << Serial << true << int(SnapshotResult::NotStored) << 0;
}

void TestSnapshots::takerConfirmsTheRegisterFirst()
{
    QFETCH(bool, goods);
    QFETCH(int, family);
    QFETCH(QString, serial);
    QFETCH(bool, unwritable);
    QFETCH(int, status);
    QFETCH(int, code);
    Sim::Config config;
    config.serial = Serial;
    config.discoveryPort = 0;
    Sim sim(config);
    sim.fillDemoParameters();
    const GoodsList rows = { { "Молоко", "12", "4600000000015", 89.9, 2 }, { "Хлеб", "", "", 0.5, 1 } };
    QByteArray area = buildGoodsImage(rows, true);
    area.append(sim.goodsArea().mid(area.size()));
    sim.setGoodsArea(area);
    QVERIFY(sim.listen(QHostAddress(Host)));
    if (family < 0) {
        sim.setFault(Sim::CloseConnection, 2);
        family = 53;
    }
    TestDataHome home;
    if (unwritable)
        home.unwritable();

    DeviceController c;
    SnapshotTaker taker(c, SnapshotOrigin::Fleet);
    const auto read = [&] {
        return runDeviceJob(c, [&] {
            return goods ? c.readGoods(Host, sim.serverPort()) : c.readParams(Host, sim.serverPort());
        });
    };
    const SnapshotResult r = goods ? taker.goods(read, serial) : taker.params(read, serial, family);
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.code, code);
    QVERIFY(!r.text().isEmpty());
    home.writable();
    const QVector<SnapshotInfo> stored = SnapshotStore().list(Serial);
    for (const Sim::Request &request : sim.requestLog())
        QVERIFY(request.command == 0xC1 || request.command == 0xC2); // reads only
    if (!r.ok()) {
        QVERIFY(r.text().endsWith(QStringLiteral("ничего не записано.")));
        QVERIFY(stored.isEmpty());
        return;
    }
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().path, r.snapshot.path);
    QCOMPARE(stored.first().originText(), QStringLiteral("применение к другим ККТ"));
    QString error;
    if (goods) {
        GoodsList loaded;
        QVERIFY2(SnapshotStore::loadGoods(stored.first(), &loaded, &error), qPrintable(error));
        QCOMPARE(loaded.size(), rows.size());
        QCOMPARE(goodsCsvBytes(loaded), goodsCsvBytes(rows));
        return;
    }
    // A normal parameter file, of the register as it was.
    ParamFile file;
    QVERIFY2(ParamFile::load(stored.first().path, &file, &error), qPrintable(error));
    QCOMPARE(file.serial, Serial);
    QCOMPARE(file.version, QStringLiteral("2.53.12"));
    QCOMPARE(file.params, sim.parameterImage());
    QCOMPARE(file.system, sim.systemImage());
}

QTEST_GUILESS_MAIN(TestSnapshots)
#include "tst_snapshots.moc"

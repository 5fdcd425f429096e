#include "cli.h"
#include "clirun.h"
#include "support/testsettings.h"
#include "support/wine.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "link/devicejob.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/deviceprofile.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <vector>

namespace {

QString testData(const QString &name)
{
    return QStringLiteral(KORVANT_TEST_DATA "/") + name;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void roundTripThroughFileAndRegister_data();
    void roundTripThroughFileAndRegister();
    void editedFieldShowsInDiff();
    void showAndDiffOutputStayAsStored_data();
    void showAndDiffOutputStayAsStored();
    void setChangesNamedFields();
    void refusedSettingLeavesFileUnchanged_data();
    void refusedSettingLeavesFileUnchanged();
    void writeToOtherRegisterIsRefused_data();
    void writeToOtherRegisterIsRefused();
    void writeChecksTheConnectionItWrites_data();
    void writeChecksTheConnectionItWrites();
    void badFileIsRefusedBeforeAnyConnection_data();
    void badFileIsRefusedBeforeAnyConnection();
    void unreachableRegister();
    void pingExplainsFailureInWords_data();
    void pingExplainsFailureInWords();
    void infoReportsFamilyAndCapacity();
    void profileExportImportRoundTrip();
    void scanListsSimulatedRegisters();
    void programHelpAndUsage();
    void concurrentImportsKeepEveryProfile();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString validFile(RegisterSimulator::Family family, const QString &serial);

    TestSettingsDir m_store;
    QTemporaryDir m_dir;
    QStringList m_pinged;
};

void TestCli::initTestCase()
{
    AppSettings::applyIdentity();
}

void TestCli::init()
{
    m_store.clear();
    m_pinged.clear();
    // Loopback addresses answer; anything else stays silent. No real ping.
    Reachability::setPingFunction([this](const QString &address, int) {
        m_pinged.append(address);
        return address.startsWith(QLatin1String("127.0.0.")) && address != QLatin1String("127.0.0.99") ? 0
                                                                                                       : 11;
    });
}

void TestCli::cleanup()
{
    Reachability::setPingFunction({});
}

QString TestCli::validFile(RegisterSimulator::Family family, const QString &serial)
{
    auto sim = startRegister("127.0.0.31", family, serial,
                             family == RegisterSimulator::Family252 ? 0x20340028 : 0);
    const QString file = path(QStringLiteral("valid-%1-%2.json").arg(int(family)).arg(serial));
    const Run r = cli({ "read-params", "127.0.0.31", "--port", portOf(*sim), "-o", file });
    return r.code == Cli::ExitOk ? file : QString();
}

void TestCli::roundTripThroughFileAndRegister_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<quint32>("versionWord");
    QTest::newRow("2.53") << int(RegisterSimulator::Family253) << quint32(0x2035000C);
    QTest::newRow("2.52 with system image") << int(RegisterSimulator::Family252) << quint32(0x20340028);
}

void TestCli::roundTripThroughFileAndRegister()
{
    QFETCH(int, family);
    QFETCH(quint32, versionWord);
    auto sim = startRegister("127.0.0.32", RegisterSimulator::Family(family), "7700112233", versionWord);
    QVERIFY(sim);
    // Something recognisable in every region the job moves.
    QByteArray system = sim->systemImage();
    system[0] = char(0xC1);
    system[10] = 'R';
    sim->setSystemImage(system);
    const QByteArray paramsBefore = sim->parameterImage();
    const QByteArray systemBefore = sim->systemImage();

    const QString first = path("first.json");
    Run r = cli({ "read-params", "127.0.0.32", "--port", portOf(*sim), "-o", first });
    QCOMPARE(r.code, int(Cli::ExitOk));

    r = cli({ "show", first });
    QCOMPARE(r.code, int(Cli::ExitOk));
    const QJsonObject shown = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(shown.value("serial").toString(), QStringLiteral("7700112233"));
    QVERIFY(shown.value("params").toObject().value("tradeConfig").toObject().contains("maxPrice"));
    QVERIFY(shown.value("params").toObject().value("users").isArray());

    // Spoil both images (the serial number stays), write the file back, read again.
    QByteArray spoiled = paramsBefore;
    spoiled.replace(0x20, 0x60, QByteArray(0x60, char(0x5A)));
    sim->setParameterImage(spoiled);
    sim->setSystemImage(QByteArray(systemBefore.size(), char(0x5A)));
    r = cli({ "write-params", "127.0.0.32", first, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QCOMPARE(r.out.trimmed().split('\n').last(), QStringLiteral("Выгрузка завершена успешно"));
    QCOMPARE(sim->parameterImage(), paramsBefore);
    QCOMPARE(sim->systemImage(), systemBefore);

    const QString second = path("second.json");
    QCOMPARE(cli({ "read-params", "127.0.0.32", "--port", portOf(*sim), "-o", second }).code,
             int(Cli::ExitOk));
    ParamFile a, b;
    QString error;
    QVERIFY2(ParamFile::load(first, &a, &error), qPrintable(error));
    QVERIFY2(ParamFile::load(second, &b, &error), qPrintable(error));
    QCOMPARE(b.params, a.params);
    QCOMPARE(b.system, a.system);
    r = cli({ "diff", first, second });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QVERIFY(r.out.isEmpty());
}

void TestCli::editedFieldShowsInDiff()
{
    const QString original = validFile(RegisterSimulator::Family253, "5100");
    QVERIFY(!original.isEmpty());
    ParamFile file;
    QString error;
    QVERIFY(ParamFile::load(original, &file, &error));
    DeviceParams53 params;
    params.fromImage(file.params, file.system);
    params.tradeConfig.maxPrice = 12345600; // 1234.56
    params.users[3].name.setText(QStringLiteral("Иванов"));
    params.toImage(file.params, file.system);
    const QString edited = path("edited.json");
    QVERIFY(file.save(edited, &error));

    const Run r = cli({ "diff", original, edited });
    QCOMPARE(r.code, int(Cli::ExitDiffers));
    const QStringList lines = r.out.trimmed().split('\n');
    QCOMPARE(lines,
             QStringList({ QStringLiteral("tradeConfig.maxPrice: 0 -> 1234.56"),
                           QStringLiteral("users[3].name: \"\" -> \"Иванов\"") }));

    // A byte no field covers still counts as a difference.
    file.params[0xE70] = 1;
    QVERIFY(file.save(edited, &error));
    const Run r2 = cli({ "diff", original, edited });
    QCOMPARE(r2.code, int(Cli::ExitDiffers));
    QVERIFY(r2.out.contains(QStringLiteral("params: 1 байт вне известных полей различаются")));
}

// Stored files and scripts read this output: parameter files of both families
// (the simulator's demo sets, and images whose every byte is set) must show
// and compare exactly as they did when the files were made.
void TestCli::showAndDiffOutputStayAsStored_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("exit");
    for (const QString family : { "53", "52" }) {
        for (const QString set : { "demo", "pattern" }) {
            QTest::addRow("show %s%s", qPrintable(set), qPrintable(family))
                << QStringList { "show", testData(set + family + ".params.json") }
                << testData(set + family + ".show.json") << int(Cli::ExitOk);
        }
        QTest::addRow("diff demo%s pattern%s", qPrintable(family), qPrintable(family))
            << QStringList { "diff", testData("demo" + family + ".params.json"),
                             testData("pattern" + family + ".params.json") }
            << testData("demo-pattern" + family + ".diff.txt") << int(Cli::ExitDiffers);
    }
}

void TestCli::showAndDiffOutputStayAsStored()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QFETCH(int, exit);
    QFile file(expected);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(expected));
    const Run r = cli(args);
    QCOMPARE(r.code, exit);
    QCOMPARE(r.out, QString::fromUtf8(file.readAll()));
}

void TestCli::setChangesNamedFields()
{
    const QString source = path("set-source.json");
    QVERIFY(QFile::copy(testData("demo53.params.json"), source));
    QFile original(source);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray sourceBytes = original.readAll();
    original.close();

    const QString out = path("set-out.json");
    Run r = cli({ "set", source, "organisation.name=ООО «Ёлка»", "tradeConfig.maxPrice=1234.56",
                  "receiptHeader[2]=Третья", "-o", out });
    QCOMPARE(r.code, int(Cli::ExitOk));
    const QString changes = QStringLiteral("tradeConfig.maxPrice: 50000 -> 1234.56\n"
                                           "organisation.name: \"ООО \\\"Василёк\\\"\" -> \"ООО «Ёлка»\"\n"
                                           "receiptHeader[2]: (нет) -> \"Третья\"\n");
    QCOMPARE(r.out, changes + QStringLiteral("Сохранено в %1\n").arg(out));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), sourceBytes);
    original.close();
    r = cli({ "diff", source, out });
    QCOMPARE(r.code, int(Cli::ExitDiffers));
    QCOMPARE(r.out, changes);

    // In place, and on through write-params' file checks.
    r = cli({ "set", out, "users[3].name=Иванов" });
    QCOMPARE(r.code, int(Cli::ExitOk));
    ParamFile file;
    QString error;
    QVERIFY2(ParamFile::load(out, &file, &error), qPrintable(error));
    DeviceParams53 params;
    params.fromImage(file.params, file.system);
    QCOMPARE(params.users[3].name.text(), QStringLiteral("Иванов"));
    QCOMPARE(params.tradeConfig.maxPrice, qint64(12345600));

    r = cli({ "set", source, "ofd.port=1", "-o", path("no-such-folder/out.json") });
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY2(r.err.contains(QStringLiteral("не удалось записать файл")), qPrintable(r.err));
}

void TestCli::refusedSettingLeavesFileUnchanged_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("message");
    QTest::newRow("the last of three settings refused")
        << "53" << QStringList { "organisation.name=Ёлка", "ofd.port=8080", "tradeConfig.maxPrice=1.234" }
        << "tradeConfig.maxPrice: не больше 2 знаков после точки, получено «1.234»";
    QTest::newRow("a character Windows-1251 cannot hold")
        << "53" << QStringList { "organisation.name=Кафе 😀" }
        << "organisation.name: символ «😀» U+1F600 не представим в кодировке Windows-1251";
    QTest::newRow("the serial place of a 2.52 register")
        << "52" << QStringList { "tradeConfig.reserved12=303035" }
        << "tradeConfig.reserved12: поле хранит заводской номер ККТ, его нельзя задать";
    QTest::newRow("a user past the list")
        << "52" << QStringList { "users[9].name=x" } << "users[9].name: номер записи 9 вне диапазона 0…8";
    QTest::newRow("a setting without a value")
        << "53" << QStringList { "ofd.port=1", "ofd.port" } << "ожидается ПОЛЕ=ЗНАЧЕНИЕ, получено «ofd.port»";
}

void TestCli::refusedSettingLeavesFileUnchanged()
{
    QFETCH(QString, family);
    QFETCH(QStringList, settings);
    QFETCH(QString, message);
    const QString file = path("refused.json");
    QFile::remove(file);
    QVERIFY(QFile::copy(testData("demo" + family + ".params.json"), file));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    for (const bool toOther : { false, true }) {
        const QString out = path("refused-out.json");
        const QStringList extra = toOther ? QStringList { "-o", out } : QStringList();
        const Run r = cli(QStringList { "set", file } + settings + extra);
        QCOMPARE(r.code, int(Cli::ExitUsage));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();
        QVERIFY(!QFile::exists(out));
    }
}

void TestCli::writeToOtherRegisterIsRefused_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<quint32>("versionWord");
    QTest::addColumn<QString>("message");
    QTest::newRow("other serial") << int(RegisterSimulator::Family253) << "6200" << quint32(0)
                                  << "Заводской номер ККТ 6200 не совпадает с номером из файла 6100";
    QTest::newRow("serial differing in case")
        << int(RegisterSimulator::Family253) << "6100a" << quint32(0)
        << "Заводской номер ККТ 6100a не совпадает с номером из файла 6100A";
    QTest::newRow("same serial, other family")
        << int(RegisterSimulator::Family252) << "6100" << quint32(0x20340028)
        << "Версия ККТ 2.52.40 не совпадает с семейством файла 2.53";
}

void TestCli::writeToOtherRegisterIsRefused()
{
    QFETCH(int, family);
    QFETCH(QString, serial);
    QFETCH(quint32, versionWord);
    QFETCH(QString, message);
    const QString fileSerial = serial == "6100a" ? QStringLiteral("6100A") : QStringLiteral("6100");
    const QString file = validFile(RegisterSimulator::Family253, fileSerial);
    QVERIFY(!file.isEmpty());

    auto sim = startRegister("127.0.0.33", RegisterSimulator::Family(family), serial, versionWord);
    QVERIFY(sim);
    const QByteArray storeBefore = sim->store();
    const Run r = cli({ "write-params", "127.0.0.33", file, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitMismatch));
    QCOMPARE(r.err.trimmed(), message);
    QCOMPARE(sim->store(), storeBefore);
    for (const RegisterSimulator::Request &req : sim->requestLog())
        QVERIFY2(req.command == 0xC1 || req.command == 0xC2, "nothing but reads may reach the register");
}

// The register that the write job checks is the one it writes to: check and
// writes share one connection, whoever answers the next one.
void TestCli::writeChecksTheConnectionItWrites_data()
{
    QTest::addColumn<QStringList>("serials"); // the register's serial number connection by connection
    QTest::addColumn<int>("exit");
    // The snapshot's read comes first, on a connection of its own.
    QTest::newRow("the file's register answers, another would answer next")
        << QStringList { "6300", "6300", "6999" } << int(Cli::ExitOk);
    QTest::newRow("another register answers the writing connection")
        << QStringList { "6300", "6999", "6300" } << int(Cli::ExitMismatch);
    QTest::newRow("another register answers the snapshot's read")
        << QStringList { "6999", "6300" } << int(Cli::ExitMismatch);
}

void TestCli::writeChecksTheConnectionItWrites()
{
    QFETCH(QStringList, serials);
    QFETCH(int, exit);
    const QString file = validFile(RegisterSimulator::Family253, "6300");
    QVERIFY(!file.isEmpty());
    auto sim = startRegister("127.0.0.39", RegisterSimulator::Family253, "6300");
    QVERIFY(sim);
    sim->setConnectionSerials(serials);

    const Run r = cli({ "write-params", "127.0.0.39", file, "--port", portOf(*sim) });
    QCOMPARE(r.code, exit);
    const QList<RegisterSimulator::Request> log = sim->requestLog();
    QVERIFY(!log.isEmpty());
    int writes = 0;
    for (const RegisterSimulator::Request &req : log) {
        if (req.command == 0xC3 || req.command == 0xC5) {
            QCOMPARE(req.connection, log.last().connection);
            QVERIFY(req.connection > log.first().connection);
            ++writes;
        }
    }
    if (exit == Cli::ExitOk) {
        QVERIFY(writes > 0);
    } else {
        QCOMPARE(writes, 0);
        QCOMPARE(r.err.trimmed(),
                 QStringLiteral("Заводской номер ККТ 6999 не совпадает с номером из файла 6300"));
    }
}

void TestCli::badFileIsRefusedBeforeAnyConnection_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("not JSON") << "garbage"
                              << "это не файл параметров ККТ";
    QTest::newRow("truncated JSON") << "truncated"
                                    << "это не файл параметров ККТ";
    QTest::newRow("unknown format version") << "version2"
                                            << "неизвестная версия формата файла (2)";
    QTest::newRow("broken base64") << "base64"
                                   << "неверный base64";
    QTest::newRow("2.52 image under a 2.53 version") << "52as53"
                                                     << "не соответствует семейству ККТ 2.53";
    QTest::newRow("2.53 image under a 2.52 version") << "53as52"
                                                     << "не соответствует семейству ККТ 2.52";
    QTest::newRow("image cut short") << "short"
                                     << "не соответствует семейству ККТ 2.53";
    QTest::newRow("image of another register") << "otherserial"
                                               << "образ параметров принадлежит ККТ 7100";
    QTest::newRow("unsupported family") << "family54"
                                        << "Версия ККТ 2.54.1 не поддерживается";
    QTest::newRow("missing file") << "missing"
                                  << "не удалось открыть файл";
}

void TestCli::badFileIsRefusedBeforeAnyConnection()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const QString f53 = validFile(RegisterSimulator::Family253, "7100");
    const QString f52 = validFile(RegisterSimulator::Family252, "7100");
    QVERIFY(!f53.isEmpty() && !f52.isEmpty());
    QFile src(kind == "52as53" ? f52 : f53);
    QVERIFY(src.open(QIODevice::ReadOnly));
    const QByteArray json = src.readAll();
    QJsonObject o = QJsonDocument::fromJson(json).object();

    QByteArray bad;
    if (kind == "garbage") {
        bad = "not a parameter file";
    } else if (kind == "truncated") {
        bad = json.left(json.size() / 2);
    } else if (kind == "version2") {
        o["formatVersion"] = 2;
    } else if (kind == "base64") {
        o["params"] = "@@@@";
    } else if (kind == "52as53") {
        o["version"] = "2.53.12";
    } else if (kind == "53as52") {
        o["version"] = "2.52.40";
    } else if (kind == "short") {
        o["params"] = QString::fromLatin1(
            QByteArray::fromBase64(o["params"].toString().toLatin1()).left(4096).toBase64());
    } else if (kind == "otherserial") {
        o["serial"] = "7200";
    } else if (kind == "family54") {
        o["version"] = "2.54.1";
    }
    if (bad.isEmpty())
        bad = QJsonDocument(o).toJson();
    const QString file = path("bad.json");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bad);
    out.close();

    auto sim = startRegister("127.0.0.34", RegisterSimulator::Family253, "7100");
    QVERIFY(sim);
    m_pinged.clear();
    const Run r = cli({ "write-params", "127.0.0.34", kind == "missing" ? path("none.json") : file, "--port",
                        portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(m_pinged.isEmpty());
    QTest::qWait(20);
    QVERIFY(sim->requestLog().isEmpty());
    QCOMPARE(cli({ "show", file }).code, kind == "missing" ? int(Cli::ExitOk) : int(Cli::ExitFile));
}

void TestCli::unreachableRegister()
{
    const QString file = validFile(RegisterSimulator::Family253, "8100");
    QVERIFY(!file.isEmpty());
    for (const QString command : { "info", "read-params", "write-params" }) {
        QStringList args { command, "127.0.0.99" };
        if (command == QLatin1String("write-params"))
            args << file;
        const Run r = cli(args);
        QCOMPARE(r.code, int(Cli::ExitUnreachable));
        QCOMPARE(r.err.trimmed(), QStringLiteral("ККТ по адресу 127.0.0.99 не доступен"));
    }
    const Run ping = cli({ "ping", "127.0.0.99" });
    QCOMPARE(ping.code, int(Cli::ExitUnreachable));

    // Answers the probe, but nothing listens: the job fails with the socket
    // error, and the next line says what it means.
    const Run refused = cli({ "info", "127.0.0.35", "--port", "1" });
    QCOMPARE(refused.code, int(Cli::ExitJobFailed));
    QCOMPARE(refused.err.trimmed().split('\n'),
             QStringList({ QStringLiteral("Ошибка подключения (-14) к ККТ по адресу 127.0.0.35"),
                           resultExplanation(ErrSocket) }));

    // Text that is no dotted address is refused before anything is probed.
    m_pinged.clear();
    for (const QString command : { "ping", "info", "read-params", "write-params" }) {
        QStringList args { command, "127.0.0.035" };
        if (command == QLatin1String("write-params"))
            args << file;
        const Run r = cli(args);
        QCOMPARE(r.code, int(Cli::ExitUsage));
        QVERIFY2(r.err.contains(QStringLiteral("«127.0.0.035» — не IPv4-адрес")), qPrintable(command));
    }
    QVERIFY(m_pinged.isEmpty());
}

void TestCli::pingExplainsFailureInWords_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    QTest::newRow("time-out") << ETIMEDOUT << QStringLiteral("нет ответа за 1000 мс");
    QTest::newRow("no host on the network")
        << EHOSTUNREACH << QStringLiteral("узел недоступен: в сети нет устройства с этим адресом");
    QTest::newRow("no way to probe") << -2 << QStringLiteral("проверить адрес нечем");
}

void TestCli::pingExplainsFailureInWords()
{
    QFETCH(int, code);
    QFETCH(QString, reason);
    Reachability::setPingFunction([code](const QString &, int) { return code; });
    const Run r = cli({ "ping", "127.0.0.40" });
    QCOMPARE(r.code, int(Cli::ExitUnreachable));
    const QString prefix = QStringLiteral("ККТ по адресу 127.0.0.40 не доступен: ");
    QVERIFY2(r.err.startsWith(prefix + reason), qPrintable(r.err));
    // Words, not the bare errno value.
    QVERIFY2(!r.err.contains(QString::number(code)), qPrintable(r.err));
}

void TestCli::infoReportsFamilyAndCapacity()
{
    RegisterSimulator::Config config;
    config.serial = "9100";
    config.versionWord = 0x20340025; // 2.52.37: too old
    config.family = RegisterSimulator::Family252;
    config.goodsCapacity = 500;
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    QVERIFY(sim.listen(QHostAddress("127.0.0.36")));
    const Run r = cli({ "info", "127.0.0.36", "--port", portOf(sim), "--json" });
    QCOMPARE(r.code, int(Cli::ExitOk));
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o.value("serial").toString(), QStringLiteral("9100"));
    QCOMPARE(o.value("version").toString(), QStringLiteral("2.52.37"));
    QVERIFY(o.value("family").isNull());
    QCOMPARE(o.value("supported").toBool(), false);
    QCOMPARE(o.value("goodsCapacity").toInt(), 500);
    QVERIFY(cli({ "info", "127.0.0.36", "--port", portOf(sim) })
                .out.contains(QStringLiteral("Семейство: не поддерживается")));
}

void TestCli::profileExportImportRoundTrip()
{
    DeviceParams52 params;
    params.organisation.name.setText(QStringLiteral("ООО «Ромашка»"));
    QByteArray image(10 * 256, '\0'), system;
    image.replace(4, 4, "3300");
    params.toImage(image, system);
    QVERIFY(DeviceProfile().save("3300", "2.52.40", 700, image, system));
    QVERIFY(DeviceProfile().saveGoods("3300", QByteArray(256, 'g')));

    const QString file = path("profile.json");
    Run r = cli({ "profile", "export", "3300", "-o", file });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QCOMPARE(cli({ "profile", "export", "0000" }).code, int(Cli::ExitFile));

    // Another PC: an empty store.
    m_store.clear();
    r = cli({ "profile", "import", file });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QString version;
    int cap = 0;
    QByteArray p, s, goods;
    DeviceProfile().load("3300", version, cap, p, s);
    DeviceProfile().loadGoods("3300", goods);
    QCOMPARE(version, QStringLiteral("2.52.40"));
    QCOMPARE(cap, 700);
    QCOMPARE(p, image);
    QCOMPARE(s, system);
    QCOMPARE(goods, QByteArray(256, 'g'));
    const DeviceRegistry registry;
    QCOMPARE(registry.entries().size(), 1);
    QCOMPARE(registry.entries().first().serial, QStringLiteral("3300"));
    QVERIFY(registry.entries().first().addr.isEmpty());

    r = cli({ "profile", "list" });
    QCOMPARE(r.code, int(Cli::ExitOk));
    const QStringList lines = r.out.split('\n');
    QCOMPARE(lines.first(), QStringLiteral("Заводской номер\tВерсия\tНаименование\tДанные"));
    QVERIFY(lines.value(1).startsWith(QStringLiteral("3300\t2.52.40\t3300\t")));

    m_store.clear();
    r = cli({ "profile", "list" });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QCOMPARE(r.out, QStringLiteral("Сохранённых профилей нет\n"));
}

void TestCli::scanListsSimulatedRegisters()
{
    SKIP_SCANS_UNDER_WINE();
    RegisterSimulator::Config config;
    config.serial = "4401";
    config.discoveryPort = RegisterSimulator::EphemeralPort;
    RegisterSimulator first(config);
    QVERIFY(first.listen(QHostAddress("127.0.0.37")));
    config.serial = "4402";
    config.discoveryPort = first.discoveryPort();
    RegisterSimulator second(config);
    QVERIFY(second.listen(QHostAddress("127.0.0.38")));

    // The finder blocks this thread while it waits; the simulators answer
    // from a thread of their own.
    QThread simThread;
    first.moveToThread(&simThread);
    second.moveToThread(&simThread);
    simThread.start();
    const Run r = cli({ "scan", "--target", "127.0.0.38", "--target", "127.0.0.37", "--port",
                        QString::number(first.discoveryPort()), "--timeout", "300" });
    QMetaObject::invokeMethod(
        &first, [&] { first.moveToThread(QCoreApplication::instance()->thread()); },
        Qt::BlockingQueuedConnection);
    QMetaObject::invokeMethod(
        &second, [&] { second.moveToThread(QCoreApplication::instance()->thread()); },
        Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();

    QCOMPARE(r.code, int(Cli::ExitOk));
    QCOMPARE(r.out,
             QStringLiteral("4402\t127.0.0.38\t%1\n4401\t127.0.0.37\t%2\n")
                 .arg(second.macAddress(), first.macAddress()));
}

void TestCli::programHelpAndUsage()
{
    QProcess p;
    p.start(KORVANT_CLI_PATH, { "--help" });
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString command :
         { "ping", "info", "read-params", "write-params", "show", "diff", "set", "check", "profile", "scan" })
        QVERIFY2(help.contains("  " + command), qPrintable(command));

    p.start(KORVANT_CLI_PATH, { "write-params", "--help" });
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(
        QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("korvant-cli write-params")));

    p.start(KORVANT_CLI_PATH, { "frobnicate" });
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), int(Cli::ExitUsage));
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("неизвестная команда")));

    p.start(KORVANT_CLI_PATH, { "diff", "only-one.json" });
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), int(Cli::ExitUsage));
}

// Two loops of korvant-cli profile import at once, forty files each: every
// profile and every device list entry is there afterwards.
void TestCli::concurrentImportsKeepEveryProfile()
{
#ifdef Q_OS_WIN
    // Windows has neither bash nor a variable that moves the children's store;
    // several programs on one store: tst_deviceregistry's store_changer.
    QSKIP("runs korvant-cli from bash with the store moved by XDG_CONFIG_HOME");
#endif
    ParamFile base;
    QString error;
    QVERIFY2(ParamFile::load(validFile(RegisterSimulator::Family253, "A530000000"), &base, &error),
             qPrintable(error));
    QStringList serials;
    QList<QStringList> loops;
    for (const char letter : { 'A', 'B' }) {
        QStringList files
            = { QStringLiteral("-c"),
                QStringLiteral("for f in \"$@\"; do \"$0\" profile import \"$f\" >/dev/null || exit 1; "
                               "done"),
                QStringLiteral(KORVANT_CLI_PATH) };
        for (int i = 0; i < 40; ++i) {
            ParamFile file = base;
            file.serial = QStringLiteral("%1530%2").arg(QLatin1Char(letter)).arg(i, 6, 10, QLatin1Char('0'));
            file.params.replace(256, 20, file.serial.toLatin1().leftJustified(20, '\0'));
            const QString name = path(file.serial + QStringLiteral(".json"));
            QVERIFY2(file.save(name, &error), qPrintable(error));
            files << name;
            serials << file.serial;
        }
        loops << files;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_store.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    std::vector<std::unique_ptr<QProcess>> running;
    for (const QStringList &args : qAsConst(loops)) {
        running.push_back(std::make_unique<QProcess>());
        running.back()->setProcessEnvironment(env);
        running.back()->setProcessChannelMode(QProcess::ForwardedChannels);
        running.back()->start(QStringLiteral("bash"), args);
    }
    for (const auto &loop : running) {
        QVERIFY(loop->waitForFinished(120000));
        QCOMPARE(loop->exitCode(), 0);
    }

    QStringList profiles = DeviceProfile().keys();
    QStringList listed;
    const QList<DeviceEntry> entries = DeviceRegistry().entries();
    for (const DeviceEntry &e : entries)
        listed << e.serial;
    serials.sort();
    profiles.sort();
    listed.sort();
    QCOMPARE(profiles, serials);
    QCOMPARE(listed, serials);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

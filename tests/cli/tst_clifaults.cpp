#include "cli.h"
#include "clirun.h"
#include "support/testdatahome.h"
#include "support/testsettings.h"
#include "support/wine.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "history/snapshotstore.h"
#include "link/devicejob.h"
#include "link/devicenet.h"
#include "link/frame.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "link/storage.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"
#include "sim/registersimulator.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using Sim = RegisterSimulator;

namespace {

const QString Address = QStringLiteral("127.0.0.51");

// Every file below dir with its bytes: what a failed command must leave as
// it was. Only regular files are opened (a pipe would wait for its writer).
QMap<QString, QByteArray> filesIn(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next();
        QFile f(name);
        const bool regular = it.fileInfo().isFile() && !it.fileInfo().isSymLink();
        files.insert(name, regular && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(special)"));
    }
    return files;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

} // namespace

// A register or a file that misbehaves: every command ends once, with its
// exit status and a message, in time, and leaves files and register as they
// were (but for the pages a failed write had sent, which are named).
class TestCliFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readParamsKeepsNoBadBackup_data();
    void readParamsKeepsNoBadBackup();
    void infoRefusesWhatNoRegisterReports_data();
    void infoRefusesWhatNoRegisterReports();
    void writeFailingHalfwaySaysSo_data();
    void writeFailingHalfwaySaysSo();
    void badFilesAreRefused_data();
    void badFilesAreRefused();
    void serialInRegisterTextRoundTrip();
    void defaultFileNameStaysInItsFolder();
    void readGoodsNamesItsFileSafely_data();
    void readGoodsNamesItsFileSafely();
    void outputCheckedBeforeTheTransfer_data();
    void outputCheckedBeforeTheTransfer();
    void controlCharactersEscaped();
    void floodedScanEnds();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // A parameter file read from a healthy register of the family.
    QString validFile(Sim::Family family, const QString &serial);

    TestSettingsDir m_store;
    TestDataHome m_data;
    QTemporaryDir m_dir;
    QString m_home;
};

void TestCliFaults::initTestCase()
{
    AppSettings::applyIdentity();
    m_home = QDir::currentPath();
}

void TestCliFaults::init()
{
    m_store.clear();
    // Loopback addresses answer; no real ping.
    Reachability::setPingFunction([](const QString &, int) { return 0; });
    // Default file names land in the current folder: the test's own.
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestCliFaults::cleanup()
{
    QDir::setCurrent(m_home);
    Reachability::setPingFunction({});
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
}

QString TestCliFaults::validFile(Sim::Family family, const QString &serial)
{
    auto sim = startRegister("127.0.0.52", family, serial, family == Sim::Family252 ? 0x20340028 : 0);
    const QString file = path(QStringLiteral("valid-%1-%2.json").arg(int(family)).arg(serial));
    const Run r = cli({ "read-params", "127.0.0.52", "--port", portOf(*sim), "-o", file });
    return r.code == Cli::ExitOk ? file : QString();
}

void TestCliFaults::readParamsKeepsNoBadBackup_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message"); // first line of the error output
    const int failed = Cli::ExitJobFailed;
    const QString unloadable = QStringLiteral("Ошибка загрузки. Прочитанные из ККТ параметры не сохранены: ");
    QTest::newRow("short page data mid-image") << "short" << failed << "Ошибка загрузки. -5";
    QTest::newRow("late copy of a reply") << "duplicate" << failed << "Ошибка загрузки. -5";
    QTest::newRow("copy of a reply ahead of the next, every later reply shifted")
        << "repeat" << failed << "Ошибка загрузки. -5";
    QTest::newRow("parameter region of 2 pages")
        << "2 pages" << failed
        << unloadable + "образ параметров не соответствует семейству ККТ 2.53 (512 байт)";
    QTest::newRow("parameter region of 0 pages")
        << "0 pages" << failed << unloadable + "в файле нет образа параметров";
    QTest::newRow("blank serial") << "blank" << failed << "Ошибка загрузки. -5";
}

void TestCliFaults::readParamsKeepsNoBadBackup()
{
    QFETCH(QString, variant);
    QFETCH(int, exit);
    QFETCH(QString, message);
    Sim::Config config;
    config.serial = variant == "blank" ? QStringLiteral("  ") : QStringLiteral("0530001");
    // "repeat": reads of four pages each, so that a shifted reply has the next one's shape.
    config.parameterPages = variant == "2 pages" ? 2
        : variant == "0 pages"                   ? 0
        : variant == "repeat"                    ? 20
                                                 : -1;
    config.discoveryPort = 0;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Address)));
    if (variant == "short")
        sim.setFault(Sim::ShortPageData, 5);
    if (variant == "duplicate")
        sim.setFault(Sim::DuplicateReply, 5);
    if (variant == "repeat") {
        sim.setFault(Sim::RepeatedReply, 5);
        sim.addFault({ Sim::ReplyDelay, Sim::EveryRequest, Sim::AnyCommand, 30 });
    }
    const QByteArray storeBefore = sim.store();
    const QMap<QString, QByteArray> filesBefore = filesIn(m_dir.path());

    // Both with a named file and with the default name.
    for (const bool named : { true, false }) {
        QStringList args { "read-params", Address, "--port", portOf(sim) };
        if (named)
            args << "-o" << path("backup.json");
        QElapsedTimer clock;
        clock.start();
        const Run r = cli(args);
        QVERIFY2(clock.elapsed() < DeviceNet::ReplyWindowMs + 3000,
                 "ends within the reply window and a margin");
        QCOMPARE(r.code, exit);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(filesIn(m_dir.path()), filesBefore);
        QCOMPARE(sim.store(), storeBefore);
    }
}

void TestCliFaults::infoRefusesWhatNoRegisterReports_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank serial") << "blank" << QStringLiteral("Ошибка подключения (-5) к ККТ по адресу %1");
    QTest::newRow("negative goods capacity")
        << "capacity" << QStringLiteral("Ошибка подключения (-5) к ККТ по адресу %1");
    QTest::newRow("listener that never accepts")
        << "never accepts" << QStringLiteral("Ошибка подключения (-14) к ККТ по адресу %1");
}

void TestCliFaults::infoRefusesWhatNoRegisterReports()
{
    QFETCH(QString, variant);
    QFETCH(QString, message);
    Sim::Config config;
    config.serial = variant == "blank" ? QString() : QStringLiteral("0530002");
    config.goodsCapacity = variant == "capacity" ? -5 : 2000;
    config.discoveryPort = 0;
    Sim sim(config);
    QVERIFY(variant == "never accepts" ? sim.listenWithoutAccepting(QHostAddress(Address))
                                       : sim.listen(QHostAddress(Address)));
    QElapsedTimer clock;
    clock.start();
    const Run r = cli({ "info", Address, "--port", portOf(sim) });
    QVERIFY2(clock.elapsed() < DeviceNet::ConnectTimeoutMs + 3000,
             "ends within the connect time-out and a margin");
    QCOMPARE(r.code, int(Cli::ExitJobFailed));
    QCOMPARE(r.err.split('\n').first(), message.arg(Address));
    QVERIFY(r.out.isEmpty());
}

void TestCliFaults::writeFailingHalfwaySaysSo_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("result");
    // Parameter pages (of 21) the register holds from the file afterwards.
    QTest::addColumn<int>("written");
    QTest::addColumn<bool>("partly");
    // 2.53: requests 3-8 write the parameter pages four at a time.
    QTest::newRow("write refused at the second chunk")
        << int(Sim::WriteRejected) << 4 << int(ErrWriteRejected) << 4 << true;
    QTest::newRow("copy of a write confirmation")
        << int(Sim::DuplicateReply) << 4 << int(ErrBadReply) << 8 << true;
    QTest::newRow("system image larger than the register's region: nothing written")
        << int(Sim::NoFault) << 0 << int(ErrCapacity) << 0 << false;
}

void TestCliFaults::writeFailingHalfwaySaysSo()
{
    QFETCH(int, fault);
    QFETCH(int, request);
    QFETCH(int, result);
    QFETCH(int, written);
    QFETCH(bool, partly);
    const QString file = validFile(Sim::Family253, "0530003");
    QVERIFY(!file.isEmpty());
    ParamFile params;
    QString error;
    QVERIFY(ParamFile::load(file, &params, &error));

    Sim::Config config;
    config.serial = QStringLiteral("0530003");
    config.systemPages = fault == Sim::NoFault ? 3 : 4; // the file's system image has 4 pages
    config.discoveryPort = 0;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Address)));
    // Different from the file in every parameter page, so that each written page shows.
    QByteArray old = sim.parameterImage();
    for (int i = 0; i < old.size(); ++i)
        old[i] = char(old.at(i) ^ 0x5A);
    old.replace(256, 20, params.params.mid(256, 20)); // the serial number stays
    sim.setParameterImage(old);
    // The fault strikes the writing connection, not the snapshot's read before it.
    sim.addFault({ Sim::Fault(fault), request, Frame::CmdWritePages });
    const QByteArray storeBefore = sim.store();

    const Run r = cli({ "write-params", Address, file, "--port", portOf(sim) });
    QCOMPARE(r.code, int(Cli::ExitJobFailed));
    QCOMPARE(r.err.trimmed(),
             QStringLiteral("Ошибка выгрузки. %1\n%2").arg(result).arg(resultExplanation(result, partly)));
    QVERIFY(r.err.contains(QStringLiteral("часть новых данных")) == partly);

    QByteArray expected = storeBefore;
    const int first = sim.region(Storage::ParameterRegion).firstPage;
    expected.replace(first * 256, written * 256, params.params.left(written * 256));
    QCOMPARE(sim.store(), expected);

    // The snapshot taken before the write keeps what the register held.
    const QVector<SnapshotInfo> snapshots = SnapshotStore().list(config.serial);
    QVERIFY(!snapshots.isEmpty());
    ParamFile snapshot;
    QVERIFY2(SnapshotStore::loadParams(snapshots.first(), &snapshot, &error), qPrintable(error));
    QCOMPARE(snapshot.params, old);
    QCOMPARE(r.out.trimmed(), QStringLiteral("Снимок параметров ККТ сохранён в ") + snapshots.first().path);
}

void TestCliFaults::badFilesAreRefused_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("message");
    QTest::newRow("version with a negative build") << "2.53.-1"
                                                   << "неверная версия ККТ «2.53.-1»";
    QTest::newRow("version beyond the version word") << "2.53.99999999999"
                                                     << "неверная версия ККТ «2.53.99999999999»";
    QTest::newRow("version of no numbers") << "x.53.y"
                                           << "неверная версия ККТ «x.53.y»";
    const QString capacity
        = QStringLiteral(" — не ёмкость номенклатуры (ожидается целое число от 0 до 131069)");
    QTest::newRow("negative goods capacity") << "goodsCapacity=-5"
                                             << "поле goodsCapacity: -5" + capacity;
    QTest::newRow("goods capacity beyond any int") << "goodsCapacity=1e308"
                                                   << "поле goodsCapacity: 1e+308" + capacity;
    QTest::newRow("goods capacity beyond any goods area") << "goodsCapacity=99999999999"
                                                          << "поле goodsCapacity: 99999999999" + capacity;
    QTest::newRow("goods capacity with a fraction") << "goodsCapacity=1.5"
                                                    << "поле goodsCapacity: 1.5" + capacity;
    QTest::newRow("goods capacity as text") << "goodsCapacity=\"2000\""
                                            << "поле goodsCapacity: строка «2000»" + capacity;
    QTest::newRow("format version as text")
        << "formatVersion=\"1\""
        << "неизвестная версия формата файла (строка «1»), поддерживается 1";
#ifdef Q_OS_UNIX
    QTest::newRow("a device that never ends") << "/dev/zero"
                                              << "/dev/zero: это не обычный файл";
    QTest::newRow("a pipe") << "fifo"
                            << "fifo: это не обычный файл";
#endif
    QTest::newRow("a file beyond the size limit") << "huge"
                                                  << "это не файл параметров ККТ";
}

void TestCliFaults::badFilesAreRefused()
{
    QFETCH(QString, variant);
    QFETCH(QString, message);
    const QString valid = validFile(Sim::Family253, "0530004");
    QVERIFY(!valid.isEmpty());
    QString file = path("bad.json");
    if (variant.contains('=')) {
        QJsonObject o = QJsonDocument::fromJson(fileBytes(valid)).object();
        const int eq = variant.indexOf('=');
        const QByteArray value = variant.mid(eq + 1).toUtf8();
        o[variant.left(eq)] = QJsonDocument::fromJson("[" + value + "]").array().first();
        writeFile(file, QJsonDocument(o).toJson());
    } else if (variant.contains('.')) {
        QJsonObject o = QJsonDocument::fromJson(fileBytes(valid)).object();
        o["version"] = variant;
        writeFile(file, QJsonDocument(o).toJson());
#ifdef Q_OS_UNIX
    } else if (variant == "fifo") {
        file = path("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
#endif
    } else if (variant == "huge") {
        writeFile(file, fileBytes(valid) + QByteArray(ParamFile::MaxFileSize, ' '));
    } else {
        file = variant;
    }
    auto sim = startRegister(Address, Sim::Family253, QStringLiteral("0530004"));
    QVERIFY(sim);
    const QMap<QString, QByteArray> filesBefore = filesIn(m_dir.path());

    QElapsedTimer clock;
    clock.start();
    for (const QStringList &args :
         { QStringList { "show", file }, QStringList { "profile", "import", file },
           QStringList { "write-params", Address, file, "--port", portOf(*sim) } }) {
        const Run r = cli(args);
        QCOMPARE(r.code, int(Cli::ExitFile));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }
    QVERIFY2(clock.elapsed() < 5000, "refused without reading on");
    QVERIFY(sim->requestLog().isEmpty());
    QVERIFY(DeviceRegistry().entries().isEmpty());
    QCOMPARE(filesIn(m_dir.path()), filesBefore);
}

// Register text is Windows-1251 throughout: a serial number whose bytes are
// no UTF-8 (Cyrillic letters) makes a backup that loads and goes back to its
// register.
void TestCliFaults::serialInRegisterTextRoundTrip()
{
    auto sim = startRegister(Address, Sim::Family253, QStringLiteral("Ёлка0530"));
    QVERIFY(sim);
    const Run read = cli({ "read-params", Address, "--port", portOf(*sim), "-o", path("yolka.json") });
    QCOMPARE(read.code, int(Cli::ExitOk));
    ParamFile file;
    QString error;
    QVERIFY2(ParamFile::load(path("yolka.json"), &file, &error), qPrintable(error));
    QCOMPARE(file.serial, QStringLiteral("Ёлка0530"));
    QCOMPARE(cli({ "write-params", Address, path("yolka.json"), "--port", portOf(*sim) }).code,
             int(Cli::ExitOk));
}

void TestCliFaults::defaultFileNameStaysInItsFolder()
{
    const QString inner = path("a/b/c");
    QVERIFY(QDir().mkpath(inner));
    QVERIFY(QDir::setCurrent(inner));
    auto sim = startRegister(Address, Sim::Family253, QStringLiteral("../../../PWNED"));
    QVERIFY(sim);

    Run r = cli({ "read-params", Address, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitOk));
    const QString name = QStringLiteral("_________PWNED.params.json");
    QCOMPARE(QDir(inner).entryList(QDir::Files), QStringList { name });
    QCOMPARE(filesIn(m_dir.path()).keys(), QStringList { QDir(inner).filePath(name) });
    QVERIFY(r.out.contains(name));

    // A default name never replaces a file; a name given with -o may.
    const QByteArray first = fileBytes(QDir(inner).filePath(name));
    r = cli({ "read-params", Address, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY2(r.err.contains(QStringLiteral("уже существует")), qPrintable(r.err));
    QCOMPARE(fileBytes(QDir(inner).filePath(name)), first);
    r = cli({ "read-params", Address, "--port", portOf(*sim), "-o", name });
    QCOMPARE(r.code, int(Cli::ExitOk));
    ParamFile file;
    QString error;
    QVERIFY2(ParamFile::load(QDir(inner).filePath(name), &file, &error), qPrintable(error));
    QCOMPARE(file.serial, QStringLiteral("../../../PWNED"));
}

void TestCliFaults::readGoodsNamesItsFileSafely_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("name"); // of the file made in the current folder
    QTest::newRow("the parent folder's backup of another register") << "../0530000021"
                                                                    << "___0530000021.goods.csv";
    QTest::newRow("an absolute path") << "/etc/x"
                                      << "_etc_x.goods.csv";
    QTest::newRow("escape and line break characters") << "\x1b[2J\r\n05"
                                                      << "__2J__05.goods.csv";
    // Windows keeps these names for devices, whatever the extension and case.
    QTest::newRow("the console") << "CON"
                                 << "CON_.goods.csv";
    QTest::newRow("the null device in lower case") << "nul"
                                                   << "nul_.goods.csv";
    QTest::newRow("a serial port") << "COM1"
                                   << "COM1_.goods.csv";
    QTest::newRow("a printer port with an extension") << "LPT9.x"
                                                      << "LPT9_x.goods.csv";
    QTest::newRow("no port number zero") << "COM0"
                                         << "COM0.goods.csv";
}

// The default name is made from the serial number the register chooses: it
// stays a name in the current folder, and never replaces a file.
void TestCliFaults::readGoodsNamesItsFileSafely()
{
    QFETCH(QString, serial);
    QFETCH(QString, name);
    const QString inner = path("a/b");
    QVERIFY(QDir().mkpath(inner));
    QVERIFY(QDir::setCurrent(inner));
    auto sim = startRegister(Address, Sim::Family253, serial);
    QVERIFY(sim);

    Run r = cli({ "read-goods", Address, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QCOMPARE(filesIn(m_dir.path()).keys(), QStringList { QDir(inner).filePath(name) });
    QCOMPARE(
        r.out,
        QStringLiteral("Номенклатура ККТ %1 (строк: 0) сохранена в %2\n").arg(displayText(serial), name));

    writeFile(QDir(inner).filePath(name), "kept");
    r = cli({ "read-goods", Address, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY2(r.err.contains(QStringLiteral("уже существует")), qPrintable(r.err));
    QCOMPARE(fileBytes(QDir(inner).filePath(name)), QByteArray("kept"));
    // A name given with -o may replace one.
    r = cli({ "read-goods", Address, "--port", portOf(*sim), "-o", name });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QVERIFY(fileBytes(QDir(inner).filePath(name)).startsWith("name;intcode;barcode;price;dept"));
}

void TestCliFaults::outputCheckedBeforeTheTransfer_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("output"); // empty: the default name
    for (const char *command : { "read-params", "read-goods" }) {
        QTest::addRow("%s: named file in a folder that does not exist", command)
            << command << "no-such-folder/out.file";
        QTest::addRow("%s: named file that is a folder", command) << command << ".";
        QTest::addRow("%s: default name in a folder no file can be made in", command) << command << "";
    }
}

void TestCliFaults::outputCheckedBeforeTheTransfer()
{
    QFETCH(QString, command);
    QFETCH(QString, output);
    auto sim = startRegister(Address, Sim::Family253, QStringLiteral("0530005"));
    QVERIFY(sim);
    if (output.isEmpty()) {
        // A current folder that has been removed takes no file, even from root.
#ifdef Q_OS_WIN
        QSKIP("Windows does not remove a folder that is a process's current one");
#endif
        const QString gone = path("gone");
        QVERIFY(QDir().mkpath(gone));
        QVERIFY(QDir::setCurrent(gone));
        QVERIFY(QDir().rmdir(gone));
    }
    QStringList args { command, Address, "--port", portOf(*sim) };
    if (!output.isEmpty())
        args << "-o" << output;
    const Run r = cli(args);
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY(!r.err.isEmpty());
    QVERIFY(sim->requestLog().isEmpty());
    QVERIFY(filesIn(m_dir.path()).isEmpty());
}

void TestCliFaults::controlCharactersEscaped()
{
    const QString serial = QStringLiteral("\x1b[2J\x1b]0;x\x07\n05");
    auto sim = startRegister(Address, Sim::Family253, serial);
    QVERIFY(sim);
    const QString shown = QStringLiteral("\\x1b[2J\\x1b]0;x\\x07\\n05");

    Run r = cli({ "info", Address, "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QVERIFY2(r.out.startsWith(QStringLiteral("Заводской номер: %1\n").arg(shown)), qPrintable(r.out));
    r = cli({ "read-params", Address, "--port", portOf(*sim), "-o", path("esc.json") });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QVERIFY2(r.out.contains(shown), qPrintable(r.out));
    const Run goods = cli({ "read-goods", Address, "--port", portOf(*sim), "-o", path("esc.csv") });
    QCOMPARE(goods.code, int(Cli::ExitOk));
    QVERIFY2(goods.out.startsWith(QStringLiteral("Номенклатура ККТ %1 ").arg(shown)), qPrintable(goods.out));

    // Another register answers now: the refusal names both.
    sim->setSerial(QStringLiteral("\x1b[31m06"));
    QCOMPARE(cli({ "read-params", Address, "--port", portOf(*sim), "-o", path("esc2.json") }).code,
             int(Cli::ExitOk));
    r = cli({ "write-params", Address, path("esc.json"), "--port", portOf(*sim) });
    QCOMPARE(r.code, int(Cli::ExitMismatch));
    QCOMPARE(r.err.trimmed(),
             QStringLiteral("Заводской номер ККТ \\x1b[31m06 не совпадает с номером из файла %1").arg(shown));
    // No profile can be kept under such a serial number: refused, named escaped.
    const Run import = cli({ "profile", "import", path("esc.json") });
    QCOMPARE(import.code, int(Cli::ExitFile));
    QVERIFY2(import.err.contains(shown), qPrintable(import.err));
    const Run diff = cli({ "diff", path("esc.json"), path("esc2.json") });
    QVERIFY2(diff.out.startsWith(QStringLiteral("serial: %1 -> \\x1b[31m06\n").arg(shown)),
             qPrintable(diff.out));
    for (const Run &run : { r, goods, import, diff, cli({ "profile", "list" }) })
        QVERIFY(!run.out.contains(QChar(0x1b)) && !run.err.contains(QChar(0x1b)));
}

void TestCliFaults::floodedScanEnds()
{
    SKIP_SCANS_UNDER_WINE();
    RegisterSimulator::Config config;
    config.serial = QStringLiteral("4401");
    config.discoveryPort = RegisterSimulator::EphemeralPort;
    Sim sim(config);
    QVERIFY(sim.listen(QHostAddress(Address)));
    sim.setDiscoveryFlood({ 20000, 0, false });
    // The scan blocks this thread; the register floods from a thread of its own.
    QThread simThread;
    sim.moveToThread(&simThread);
    simThread.start();
    QElapsedTimer clock;
    clock.start();
    const Run r = cli(
        { "scan", "--target", Address, "--port", QString::number(sim.discoveryPort()), "--timeout", "300" });
    const qint64 elapsed = clock.elapsed();
    QMetaObject::invokeMethod(
        &sim, [&] { sim.moveToThread(QCoreApplication::instance()->thread()); },
        Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    // The flood's timer moved back with the register: let it settle here.
    QCoreApplication::processEvents();

    QVERIFY2(elapsed < 300 * 3 + 2000, "the wait on a target ends after its limit and a margin");
    QCOMPARE(r.code, int(Cli::ExitOk));
    QCOMPARE(r.out, QStringLiteral("4401\t%1\t%2\n").arg(Address, sim.macAddress()));
    QVERIFY(sim.discoverySent() > 1);
}

QTEST_GUILESS_MAIN(TestCliFaults)
#include "tst_clifaults.moc"

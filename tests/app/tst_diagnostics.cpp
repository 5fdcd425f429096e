#include "app/diagnostics.h"
#include "app/identifiermask.h"
#include "app/version.h"
#include "link/devicejob.h"
#include "link/resultexplanation.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

DeviceEntry device(const QString &serial, const QString &name, const QString &addr)
{
    return { serial, name, QStringLiteral("2.53.12"), addr };
}

JournalLine journalLine(const QString &origin, const QString &serial, int kind, int result)
{
    JournalLine l;
    l.started = QDateTime(QDate(2024, 5, 6), QTime(10, 20, 30));
    l.origin = origin;
    l.host = QStringLiteral("127.0.0.3");
    l.port = 8080;
    l.serial = serial;
    l.kind = kind;
    l.pages = 25;
    l.durationMs = 1234;
    l.result = result;
    l.explanation = resultExplanation(result);
    return l;
}

} // namespace

class TestDiagnostics : public QObject
{
    Q_OBJECT

private slots:
    void maskText_data();
    void maskText();
    void fileContent();
    void failedSaveKeepsTheOldFile();
};

void TestDiagnostics::maskText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("identifiers");
    QTest::addColumn<QString>("masked");

    const QStringList serials { QStringLiteral("0530000002"), QStringLiteral("AB-7731"),
                                QStringLiteral("K12") };
    QTest::newRow("serial number alone") << "0530000002" << serials << "******0002";
    QTest::newRow("serial number inside a text") << "ККТ 0530000002. Заводской номер 0530000002" << serials
                                                 << "ККТ ******0002. Заводской номер ******0002";
    QTest::newRow("serial number with letters, known") << "окно ККТ AB-7731" << serials << "окно ККТ ***7731";
    QTest::newRow("serial number of four characters or fewer stays") << "ККТ K12" << serials << "ККТ K12";
    QTest::newRow("serial number with letters, unknown, stays")
        << "ККТ XY-9999-1" << serials << "ККТ XY-9999-1";
    QTest::newRow("ten-digit taxpayer number nobody listed")
        << "ООО Ромашка ИНН 7701234567" << QStringList() << "ООО Ромашка ИНН ******4567";
    QTest::newRow("twelve-digit taxpayer number nobody listed")
        << "ИП Петров 771234567890;" << QStringList() << "ИП Петров ********7890;";
    QTest::newRow("nine digits are no identifier") << "123456789" << QStringList() << "123456789";
    QTest::newRow("addresses, versions and times stay")
        << "127.0.0.3:8080 2.53.12 06.05.2024 10:20:30 1,23 с" << serials
        << "127.0.0.3:8080 2.53.12 06.05.2024 10:20:30 1,23 с";
    // The shorter serial lies inside the longer one; the longer is masked whole.
    QTest::newRow("one identifier inside another")
        << "A1234567B и 1234567" << QStringList { QStringLiteral("1234567"), QStringLiteral("A1234567B") }
        << "*****567B и ***4567";
    QTest::newRow("letter case counts") << "ab-7731" << serials << "ab-7731";
}

void TestDiagnostics::maskText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, identifiers);
    QFETCH(QString, masked);
    QCOMPARE(IdentifierMask::maskText(text, identifiers), masked);
    QCOMPARE(IdentifierMask::maskText(text, identifiers).size(), text.size());
}

// The file holds what support asks for first, and no full serial number or
// taxpayer number of the device list, wherever it stood.
void TestDiagnostics::fileContent()
{
    Diagnostics::Input input;
    input.created = QDateTime(QDate(2024, 5, 6), QTime(11, 0));
    input.devices
        = { device(QStringLiteral("0530000002"), QStringLiteral("Касса 1"), QStringLiteral("127.0.0.3")),
            device(QStringLiteral("KX52-004711"), QStringLiteral("ИП Петров ИНН 771234567890"), QString()) };
    input.profileKeys = QStringList { QStringLiteral("0530000002") };
    const QString foreign = QStringLiteral("ZZ-88776655"); // answered at a listed register's address
    input.journal = {
        journalLine(QStringLiteral("ККТ 0530000002"), QStringLiteral("0530000002"), DeviceJob::ReadParams,
                    ResultOk),
        journalLine(QStringLiteral("Номенклатура KX52-004711"), foreign, DeviceJob::WriteGoods,
                    ErrSerialMismatch),
        journalLine(QStringLiteral("Регистрация ККТ"), QString(), DeviceJob::QueryInfo, ErrSocket),
    };
    input.journal[0].sequence = 41;
    input.journal[1].sequence = 42;
    input.journal[2].sequence = 43;
    // An explanation that names register data.
    input.journal[1].explanation += QStringLiteral(" Ответила ККТ ZZ-88776655, ИНН 7701234567.");
    const QString text = Diagnostics::text(input);

    QVERIFY(text.contains(QStringLiteral("Версия программы: %1").arg(QString::fromLatin1(KorvantVersion))));
    QVERIFY(text.contains(QString::fromLatin1(qVersion())));
    QVERIFY(text.contains(QSysInfo::prettyProductName()));
    QVERIFY(text.contains(QSysInfo::kernelVersion()));
    QVERIFY(text.contains(QStringLiteral("Список ККТ (2):")));
    QVERIFY(text.contains(QStringLiteral("Журнал обмена (3):")));
    QVERIFY(text.contains(QStringLiteral("Более ранние записи (40)")));

    for (const char *secret : { "0530000002", "KX52-004711", "771234567890", "7701234567", "ZZ-88776655" })
        QVERIFY2(!text.contains(secret), qPrintable(secret));
    QVERIFY(text.contains(
        QRegularExpression(QStringLiteral("\\*{6}0002 +Касса 1 +2\\.53\\.12 +127\\.0\\.0\\.3 +есть"))));
    QVERIFY(text.contains(QStringLiteral("*******4711")));
    QVERIFY(text.contains(QStringLiteral("ИП Петров ИНН ********7890")));
    QVERIFY(text.contains(QStringLiteral("Номенклатура *******4711")));
    QVERIFY(text.contains(QStringLiteral("Ответила ККТ *******6655, ИНН ******4567.")));
    // The journal's cells as the window shows them.
    QVERIFY(text.contains(QStringLiteral("06.05.2024 10:20:30")));
    QVERIFY(text.contains(QStringLiteral("Выгрузка номенклатуры")));
    QVERIFY(text.contains(resultExplanation(ErrSocket)));
    QVERIFY(text.contains(QStringLiteral("1,23 с")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("диагностика.txt"));
    QString error;
    QVERIFY2(Diagnostics::save(path, text, &error), qPrintable(error));
    QCOMPARE(QString::fromUtf8(readFile(path)), text);
}

void TestDiagnostics::failedSaveKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("diagnostics.txt"));
    QVERIFY(Diagnostics::save(path, QStringLiteral("good file\n")));
    const QByteArray good = readFile(path);

    QString error;
#ifdef Q_OS_UNIX
    // A file size limit makes the write fail part-way, even for root
    // (Windows has no such limit).
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = Diagnostics::save(path, QString(100000, QLatin1Char('x')), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QVERIFY2(error.startsWith(QStringLiteral("Не удалось записать файл \"%1\": ").arg(path)),
             qPrintable(error));
    QCOMPARE(readFile(path), good);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({ "diagnostics.txt" }));
#endif

    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/diagnostics.txt"));
    QVERIFY(!Diagnostics::save(nowhere, QStringLiteral("text"), &error));
    QVERIFY2(error.startsWith(QStringLiteral("Не удалось открыть файл \"%1\" для записи: ").arg(nowhere)),
             qPrintable(error));
}

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "tst_diagnostics.moc"

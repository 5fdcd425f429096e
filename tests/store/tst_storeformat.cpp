#include "goods/goodsimage.h"
#include "store/storeformat.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRect>
#include <QTemporaryDir>
#include <QtTest>

using Map = QSettings::SettingsMap;

// The store's reader and writer against Qt's own INI reader and writer on
// the same data: the same bytes written, the same values read.
class TestStoreFormat : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatQtWrites_data();
    void writesWhatQtWrites();
    void readsDamagedFilesAsQtDoes_data();
    void readsDamagedFilesAsQtDoes();
    void readsMangledFilesAsQtDoes();
    void largeValuesFollowChangesMadeElsewhere();
    void unreadableStoreIsNotOverwritten();

private:
    QString freshPath();
    QByteArray qtWrite(const Map &map);
    Map qtRead(const QByteArray &text);
    static QByteArray ourWrite(const Map &map);
    static Map ourRead(const QByteArray &text);
    static QString difference(const Map &a, const Map &b);
    static QString difference(const QByteArray &a, const QByteArray &b);
    static QByteArray fileBytes(const QString &path);
    static void replaceFile(const QString &path, const QByteArray &bytes);

    QTemporaryDir m_dir;
    int m_files = 0;
};

namespace {

int s_touch = 0;

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(rng.bounded(256));
    return bytes;
}

// Every byte value, each followed by a character that may or may not be
// swallowed by an escape before it.
QByteArray everyByteValue()
{
    QByteArray bytes;
    const char followers[] = "0aF g9;";
    for (int b = 0; b < 256; ++b) {
        bytes += char(b);
        bytes += followers[b % 7];
    }
    for (int b = 255; b >= 0; --b)
        bytes += char(b);
    return bytes;
}

QByteArray goodsImage(int rows)
{
    GoodsList list;
    for (int i = 0; i < rows; ++i) {
        Goods g;
        g.name = QStringLiteral("Товар %1 «Ёлка», \"сорт\" 1;2").arg(i);
        g.intcode = QString::number(i % 99999 + 1);
        g.barcode = QStringLiteral("46%1").arg(i, 11, 10, QLatin1Char('0'));
        g.price = (i % 100000) / 100.0;
        g.dept = i % 16 + 1;
        list.append(g);
    }
    return buildGoodsImage(list, false);
}

Map deviceList()
{
    Map map;
    for (int i = 1; i <= 12; ++i) {
        const QString prefix = QStringLiteral("devices/%1/").arg(i);
        map.insert(prefix + "serial", QStringLiteral("05300000%1").arg(i, 2, 10, QLatin1Char('0')));
        map.insert(prefix + "name", QStringLiteral("Касса %1").arg(i));
        map.insert(prefix + "version", QStringLiteral("2.53.40"));
        map.insert(prefix + "addr", i % 3 ? QStringLiteral("127.0.0.%1").arg(i + 1) : QString());
    }
    map.insert(QStringLiteral("devices/size"), 12);
    return map;
}

} // namespace

QString TestStoreFormat::freshPath()
{
    // A new name each time: Qt keeps a parsed file by name, size and time.
    return m_dir.filePath(QStringLiteral("store%1.conf").arg(++m_files));
}

QByteArray TestStoreFormat::qtWrite(const Map &map)
{
    const QString path = freshPath();
    {
        QSettings qt(path, QSettings::IniFormat);
        // Written and removed again: an empty store is an empty file.
        qt.setValue(QStringLiteral("unused"), 0);
        qt.sync();
        qt.remove(QStringLiteral("unused"));
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            qt.setValue(it.key(), it.value());
    }
    return fileBytes(path);
}

Map TestStoreFormat::qtRead(const QByteArray &text)
{
    const QString path = freshPath();
    replaceFile(path, text);
    QSettings qt(path, QSettings::IniFormat);
    Map map;
    for (const QString &key : qt.allKeys())
        map.insert(key, qt.value(key));
    return map;
}

QByteArray TestStoreFormat::ourWrite(const Map &map)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!StoreFormat::write(buffer, map))
        return "(refused)";
    return buffer.data();
}

Map TestStoreFormat::ourRead(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    Map map;
    if (!StoreFormat::read(buffer, map))
        map.insert(QStringLiteral("(read failed)"), true);
    return map;
}

QString TestStoreFormat::difference(const Map &a, const Map &b)
{
    if (a.keys() != b.keys())
        return QStringLiteral("keys %1 | %2").arg(a.keys().join(' '), b.keys().join(' '));
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        const QVariant &other = b.value(it.key());
        if (it.value().userType() != other.userType() || it.value() != other)
            return QStringLiteral("%1: %2 %3 | %4 %5")
                .arg(it.key(), it.value().typeName(), it.value().toString().left(80), other.typeName(),
                     other.toString().left(80));
    }
    return QString();
}

QString TestStoreFormat::difference(const QByteArray &a, const QByteArray &b)
{
    if (a == b)
        return QString();
    int at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return QStringLiteral("sizes %1 and %2, first difference at %3: [%4] | [%5]")
        .arg(a.size())
        .arg(b.size())
        .arg(at)
        .arg(QString::fromLatin1(a.mid(qMax(0, at - 30), 60)),
             QString::fromLatin1(b.mid(qMax(0, at - 30), 60)));
}

QByteArray TestStoreFormat::fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void TestStoreFormat::replaceFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
    f.close();
    // Newer than anything Qt may have read under this name.
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(
        f.setFileTime(QDateTime::currentDateTime().addSecs(++s_touch), QFileDevice::FileModificationTime));
}

void TestStoreFormat::writesWhatQtWrites_data()
{
    QTest::addColumn<Map>("map");
    QTest::addColumn<bool>("canonical"); // read without Qt's help

    QTest::newRow("empty store") << Map() << true;
    QTest::newRow("device list only") << deviceList() << true;

    Map profiles = deviceList();
    for (const QString &serial : { QStringLiteral("0530000001"), QStringLiteral("0520000002") }) {
        const QString prefix = QStringLiteral("profiles/%1/").arg(serial);
        profiles.insert(prefix + "version", QStringLiteral("2.53.40"));
        profiles.insert(prefix + "goods-cap", 2000);
        profiles.insert(prefix + "params", everyByteValue());
        profiles.insert(prefix + "system", randomBytes(3000, serial.toUInt()));
    }
    profiles.insert(QStringLiteral("profiles/0520000002/goods"), QByteArray("no quoting at all \x01\x80"));
    profiles.insert(QStringLiteral("MainWindow/geometry"), randomBytes(66, 7));
    profiles.insert(QStringLiteral("MainWindow/sortColumn"), 0);
    profiles.insert(QStringLiteral("MainWindow/sortOrder"), 1);
    QTest::newRow("profiles with every byte value") << profiles << true;

    Map cyrillic;
    cyrillic.insert(QStringLiteral("devices/1/serial"), QStringLiteral("Ёлка-№1"));
    cyrillic.insert(QStringLiteral("devices/1/name"), QStringLiteral("ООО «Ёлка» — касса №1 €"));
    cyrillic.insert(QStringLiteral("profiles/Ёлка-№1/version"), QStringLiteral("2.52.38"));
    cyrillic.insert(QStringLiteral("profiles/Ёлка-№1/params"), QByteArray("\xc5\xeb\xea\xe0 1a"));
    cyrillic.insert(QStringLiteral("Касса/имя"), QStringLiteral("Ф1aF ж9 😀1"));
    QTest::newRow("Cyrillic serials and names") << cyrillic << true;

    Map special;
    special.insert(QStringLiteral("top"), QStringLiteral("general section"));
    special.insert(QStringLiteral("top key %=;\"#[]"), QStringLiteral("key of odd characters"));
    special.insert(QStringLiteral("General/g"), QStringLiteral("a group named General"));
    special.insert(QStringLiteral("a b/x"), 1);
    special.insert(QStringLiteral("a-b/x"), 2);
    special.insert(QStringLiteral("a/x"), 3);
    special.insert(QStringLiteral("a/b c"), 4);
    special.insert(QStringLiteral("a/b/c"), 5);
    special.insert(QStringLiteral("a/B"), 6);
    const QStringList values = { QStringLiteral(" leading"),
                                 QStringLiteral("trailing "),
                                 QStringLiteral(" "),
                                 QString(),
                                 QStringLiteral("a;b"),
                                 QStringLiteral("a,b"),
                                 QStringLiteral("a=b"),
                                 QStringLiteral("quote\" and back\\slash"),
                                 QStringLiteral("\"quoted\""),
                                 QStringLiteral("@at"),
                                 QStringLiteral("@@twice"),
                                 QStringLiteral("@ByteArray(not bytes)"),
                                 QStringLiteral("@Invalid()"),
                                 QStringLiteral("nul") + QChar(0) + QStringLiteral("1 inside"),
                                 QStringLiteral("\t\n\r\a\b\f\v\x01\x1f\x7f"),
                                 QStringLiteral("\x01"
                                                "abcDEF09 \x02"
                                                "g"),
                                 QStringLiteral("ÿ ÿa ĀA") };
    for (int i = 0; i < values.size(); ++i)
        special.insert(QStringLiteral("values/%1").arg(i, 2, 10, QLatin1Char('0')), values.at(i));
    special.insert(QStringLiteral("types/bool"), true);
    special.insert(QStringLiteral("types/double"), 2.5);
    special.insert(QStringLiteral("types/long"), qlonglong(-1234567890123));
    special.insert(QStringLiteral("types/unsigned"), 4000000000u);
    special.insert(QStringLiteral("types/invalid"), QVariant());
    special.insert(QStringLiteral("types/emptyList"), QStringList());
    special.insert(QStringLiteral("types/oneItem"), QStringList { QStringLiteral("one") });
    special.insert(QStringLiteral("types/emptyBytes"), QByteArray());
    QTest::newRow("special characters in keys and values") << special << true;

    Map leftToQt;
    leftToQt.insert(QStringLiteral("types/list"),
                    QStringList { QStringLiteral("a"), QStringLiteral(" b"), QStringLiteral("c,d"),
                                  QStringLiteral("@e") });
    leftToQt.insert(QStringLiteral("types/rect"), QRect(1, 2, 3, 4));
    leftToQt.insert(QStringLiteral("types/size"), QSize(5, 6));
    leftToQt.insert(QStringLiteral("types/variants"), QVariantList { 1, QStringLiteral("x") });
    leftToQt.insert(QStringLiteral("types/time"), QDateTime(QDate(2024, 2, 29), QTime(23, 59)));
    leftToQt.insert(QStringLiteral("types/plain"), QStringLiteral("text"));
    QTest::newRow("types written and read by Qt") << leftToQt << false;

    Map goods = profiles;
    goods.insert(QStringLiteral("profiles/0530000001/goods"), goodsImage(10000));
    QTest::newRow("10 000-row goods image") << goods << true;
}

void TestStoreFormat::writesWhatQtWrites()
{
    QFETCH(Map, map);
    QFETCH(bool, canonical);
    const QByteArray qt = qtWrite(map);
#ifdef Q_OS_WIN
    // Qt's writer on Windows puts the sections in the order their first keys
    // were set, not by name: the same lines, maybe in another order.
    const auto lines = [](const QByteArray &text) {
        QByteArrayList list = text.split('\n');
        std::sort(list.begin(), list.end());
        return list.join('\n');
    };
    const QString written = difference(lines(ourWrite(map)), lines(qt));
#else
    const QString written = difference(ourWrite(map), qt);
#endif
    QVERIFY2(written.isEmpty(), qPrintable(written));

    const Map qtValues = qtRead(qt);
#ifdef Q_OS_WIN
    // Sections Qt put in another order are left to Qt's reader.
    if (ourWrite(map) != qt)
        canonical = false;
#endif
    Map fast;
    QCOMPARE(StoreFormat::parse(qt, fast), canonical);
    if (canonical) {
        const QString read = difference(fast, qtValues);
        QVERIFY2(read.isEmpty(), qPrintable(read));
    }
    const QString read = difference(ourRead(qt), qtValues);
    QVERIFY2(read.isEmpty(), qPrintable(read));

    // The same store copied from the other system, with its line ends.
    QByteArray copied = qt;
#ifdef Q_OS_WIN
    copied.replace("\r\n", "\n");
#else
    copied.replace("\n", "\r\n");
#endif
    Map copiedFast;
    QCOMPARE(StoreFormat::parse(copied, copiedFast), canonical);
    if (canonical) {
        const QString readCopy = difference(copiedFast, qtValues);
        QVERIFY2(readCopy.isEmpty(), qPrintable(readCopy));
    }
}

void TestStoreFormat::readsDamagedFilesAsQtDoes_data()
{
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("cut inside a value") << QByteArray("[a]\nx=1\ny=@ByteArray(\\x80\\x");
    QTest::newRow("cut after a backslash") << QByteArray("[a]\nx=ab\\");
    QTest::newRow("no final line break") << QByteArray("[a]\nx=1\ny=2");
    QTest::newRow("Windows line breaks") << QByteArray("[a]\r\nx=1\r\ny=2\r\n");
    QTest::newRow("line without equals sign") << QByteArray("[a]\nx=1\njunk\ny=2\n");
    QTest::newRow("comments and blank lines") << QByteArray("; note\n\n[a]\n; x=0\nx=1\n\n\ny=2\n");
    QTest::newRow("blanks around the equals sign") << QByteArray("[a]\n x = 1 \ny= \"2\" \n");
    QTest::newRow("byte order mark and raw UTF-8")
        << QByteArray("\xef\xbb\xbf[a]\nname=\xd0\x81\xd0\xbb\xd0\xba\xd0\xb0\n");
    QTest::newRow("raw Windows-1251") << QByteArray("[a]\nname=\xc5\xeb\xea\xe0\n");
    QTest::newRow("section twice") << QByteArray("[a]\nx=1\n\n[b]\ny=2\n\n[a]\nz=3\n");
    QTest::newRow("key twice") << QByteArray("[a]\nx=1\nx=2\n");
    QTest::newRow("sections out of order") << QByteArray("[b]\ny=2\n\n[a]\nx=1\n");
    QTest::newRow("lower-case general") << QByteArray("[general]\nx=1\n");
    QTest::newRow("keys before any section") << QByteArray("x=1\n[a]\ny=2\n");
    QTest::newRow("upper-case hex escape") << QByteArray("[a]\nx=\\x41A\n");
    QTest::newRow("leading zero in hex escape") << QByteArray("[a]\nx=@ByteArray(\\x01)\n");
    QTest::newRow("octal escape") << QByteArray("[a]\nx=\\101\\0\n");
    QTest::newRow("unclosed quote") << QByteArray("[a]\nx=\"abc\ny=2\n");
    QTest::newRow("quotes that were not needed") << QByteArray("[a]\nx=\"abc\"\n");
    QTest::newRow("unquoted list") << QByteArray("[a]\nx=a, b ,c\n");
    QTest::newRow("byte array with wide characters") << QByteArray("[a]\nx=@ByteArray(\\x41a)\n");
    QTest::newRow("key escapes in lower case") << QByteArray("[a]\nx%2f=1\n");
    QTest::newRow("percent without digits") << QByteArray("[a%]\nx%=1\n");
    QTest::newRow("empty section") << QByteArray("[a]\n\n[b]\nx=1\n");
    QTest::newRow("variant in a data stream")
        << QByteArray("[a]\nx=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\0\\x5)\n");
    QTest::newRow("binary garbage") << randomBytes(700, 3);
    QTest::newRow("section header without bracket") << QByteArray("[a\nx=1\n");
}

void TestStoreFormat::readsDamagedFilesAsQtDoes()
{
    QFETCH(QByteArray, text);
    const QString diff = difference(ourRead(text), qtRead(text));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

// Random cuts, insertions and overwrites of a file Qt wrote: whatever this
// reader accepts on its own must be what Qt reads.
void TestStoreFormat::readsMangledFilesAsQtDoes()
{
    Map map = deviceList();
    map.insert(QStringLiteral("profiles/1/params"), everyByteValue().left(200));
    map.insert(QStringLiteral("profiles/1/version"), QStringLiteral(" 2.53, «Ёлка»"));
    const QByteArray base = qtWrite(map);
    const char alphabet[] = "[]=\\\"%,;@()\n\r x0aF/U";
    QRandomGenerator rng(11);
    for (int round = 0; round < 300; ++round) {
        QByteArray text = base;
        for (int edits = rng.bounded(1, 4); edits > 0; --edits) {
            const int at = rng.bounded(text.size());
            const char c = alphabet[rng.bounded(int(sizeof(alphabet)) - 1)];
            switch (rng.bounded(3)) {
            case 0:
                text.remove(at, rng.bounded(1, 20));
                break;
            case 1:
                text.insert(at, c);
                break;
            default:
                text[at] = c;
            }
        }
        const QString diff = difference(ourRead(text), qtRead(text));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(diff)));
    }
}

// Through QSettings on a file: a large value another program changed (same
// length, one byte) is read anew, and a later write keeps what is on file.
void TestStoreFormat::largeValuesFollowChangesMadeElsewhere()
{
    const QSettings::Format format = StoreFormat::format();
    QVERIFY(format != QSettings::InvalidFormat);
    QByteArray image = randomBytes(200, 5) + QByteArray(4000, 'k');
    Map map = deviceList();
    map.insert(QStringLiteral("profiles/1/goods"), image);
    const QString path = freshPath();
    {
        QSettings s(path, format);
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            s.setValue(it.key(), it.value());
    }
    QCOMPARE(fileBytes(path), qtWrite(map));

    image[3000] = 'm';
    map.insert(QStringLiteral("profiles/1/goods"), image);
    replaceFile(path, qtWrite(map));
    {
        QSettings s(path, format);
        QCOMPARE(s.value(QStringLiteral("profiles/1/goods")).toByteArray(), image);
        s.setValue(QStringLiteral("devices/1/name"), QStringLiteral("Касса у окна"));
    }
    map.insert(QStringLiteral("devices/1/name"), QStringLiteral("Касса у окна"));
    QCOMPARE(fileBytes(path), qtWrite(map));
}

// A damaged file that Qt's reader cannot be asked about (no temporary
// folder) is not replaced by the few keys being written.
void TestStoreFormat::unreadableStoreIsNotOverwritten()
{
    const QByteArray damaged = "; edited by hand\n[devices]\n1\\serial=0530000001\nsize=1\n";
    const QString path = freshPath();
    replaceFile(path, damaged);
    // A plain file as the temporary folder: nothing can be made in it.
    // (TMPDIR on Unix, TMP on Windows.)
    const QByteArray tmp = qgetenv("TMPDIR");
    const QByteArray windowsTmp = qgetenv("TMP");
    const QString plainFile = m_dir.filePath(QStringLiteral("plain-file"));
    replaceFile(plainFile, "x");
    qputenv("TMPDIR", plainFile.toLocal8Bit());
    qputenv("TMP", QDir::toNativeSeparators(plainFile).toLocal8Bit());
    {
        QSettings s(path, StoreFormat::format());
        s.setValue(QStringLiteral("MainWindow/sortColumn"), 2);
        s.sync();
        QCOMPARE(s.status(), QSettings::AccessError);
    }
    qputenv("TMPDIR", tmp);
    qputenv("TMP", windowsTmp);
    QCOMPARE(fileBytes(path), damaged);
    // Read again once the file changes and Qt can be asked.
    replaceFile(path, damaged);
    QSettings s(path, StoreFormat::format());
    QCOMPARE(s.value(QStringLiteral("devices/1/serial")).toString(), QStringLiteral("0530000001"));
}

QTEST_GUILESS_MAIN(TestStoreFormat)
#include "tst_storeformat.moc"

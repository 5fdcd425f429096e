#include "imagetestutil.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/layout52.h"
#include "params/layout53.h"

#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <type_traits>

// Fields by name: every settable field of both families set by its path,
// read back, and written into the image at its own bytes only; the values
// that are refused; copies of whole groups; and the layouts tiling their
// sections byte for byte.
class TestParamFields : public QObject
{
    Q_OBJECT

private slots:
    void layoutsTileTheirImages_data();
    void layoutsTileTheirImages();
    void setReadBackAndWrite_data();
    void setReadBackAndWrite();
    void tableCoversEverySettableField_data();
    void tableCoversEverySettableField();
    void refusedValuesChangeNothing_data();
    void refusedValuesChangeNothing();
    void copyGroupLeavesKeptAndIdentity();
    void longestTextKeepsItsTerminator_data();
    void longestTextKeepsItsTerminator();
    void textLimitsLeaveRoomForTheTerminator_data();
    void textLimitsLeaveRoomForTheTerminator();
};

namespace {

// Every byte range a layout names, by absolute offset, so a test can see
// that the ranges of each image neither overlap nor leave a gap.
class SpanCollector
{
public:
    struct Span
    {
        int begin;
        int end;
        QString what;
    };
    QVector<Span> params;
    QVector<Span> system;

    template<class R, class Layout> void section(const char *name, int start, int, R &record, Layout layout)
    {
        m_base = start;
        m_where = QLatin1String(name);
        layout(*this, record);
        leave();
    }
    template<class List, class Layout>
    void records(const char *name, int start, int recordSize, int count, List &, Layout layout)
    {
        each<typename List::value_type>(&params, name, start, recordSize, count, layout);
    }
    template<class List, class Layout>
    void history(const char *name, int start, int recordSize, int slotCount, List &, Layout layout)
    {
        each<typename List::value_type>(&system, name, start, recordSize, slotCount, layout);
    }

    template<class F> void text(int at, const char *name, F &) { add(at, F::width, name); }
    template<class F> void lines(int at, const char *name, F &) { add(at, F::width, name); }
    template<class T> void integer(int at, const char *name, T &) { add(at, int(sizeof(T)), name); }
    template<class T, class Image> void integer(int at, const char *name, T &, As<Image>)
    {
        add(at, int(sizeof(Image)), name);
    }
    template<class T> void amount(int at, const char *name, T &) { add(at, 8, name); }
    template<class T> void quantity(int at, const char *name, T &) { add(at, 8, name); }
    template<class F> void digits(int at, const char *name, F &) { add(at, F::size, name); }
    template<class F> void barcode(int at, const char *name, F &) { add(at, F::size, name); }
    template<class F> void kept(int at, const char *name, F &) { add(at, sizeOf<F>(), name); }
    template<class F> void identity(int at, const char *name, F &) { add(at, sizeOf<F>(), name); }
    template<class R> void dateTime(int at, const char *name, R &) { add(at, 5, name); }
    template<class T> void marker(int at, T &) { add(at, 1, "marker"); }
    void zeros(int at, int n) { add(at, n, "zeros"); }
    void untouched(int at, int n) { add(at, n, "untouched"); }
    void checkByte(int at) { add(at, 1, "check byte"); }

private:
    template<class F> static int sizeOf()
    {
        if constexpr (std::is_integral_v<F>)
            return int(sizeof(F));
        else
            return int(sizeof(F::bytes));
    }

    template<class Record, class Layout>
    void each(QVector<Span> *image, const char *name, int start, int recordSize, int count, Layout layout)
    {
        for (int k = 0; k < count; ++k) {
            m_image = image;
            m_base = start + k * recordSize;
            m_where = QStringLiteral("%1[%2]").arg(QLatin1String(name)).arg(k);
            Record record {};
            layout(*this, record);
        }
        leave();
    }
    void leave()
    {
        m_image = &params;
        m_base = 0;
        m_where.clear();
    }
    void add(int at, int size, const char *name)
    {
        const QString what
            = m_where.isEmpty() ? QLatin1String(name) : m_where + QLatin1Char('.') + QLatin1String(name);
        m_image->append({ m_base + at, m_base + at + size, what });
    }

    QVector<Span> *m_image = &params;
    int m_base = 0;
    QString m_where;
};

// The first overlap or gap among the spans, which must cover [0, end).
QString tilingFault(QVector<SpanCollector::Span> spans, int end)
{
    std::sort(spans.begin(), spans.end(), [](const auto &a, const auto &b) { return a.begin < b.begin; });
    int covered = 0;
    QString last = QStringLiteral("the start");
    for (const auto &s : qAsConst(spans)) {
        if (s.begin != covered)
            return QStringLiteral("%1 at 0x%2 after %3 ending at 0x%4")
                .arg(s.begin < covered ? QStringLiteral("overlap: ") + s.what
                                       : QStringLiteral("gap before ") + s.what)
                .arg(s.begin, 0, 16)
                .arg(last)
                .arg(covered, 0, 16);
        covered = s.end;
        last = s.what;
    }
    return covered == end
        ? QString()
        : QStringLiteral("covered up to 0x%1, expected 0x%2").arg(covered, 0, 16).arg(end, 0, 16);
}

// One row per family, in a column "family".
void familyRows()
{
    QTest::addColumn<int>("family");
    QTest::newRow("2.53") << 53;
    QTest::newRow("2.52") << 52;
}

std::unique_ptr<DeviceParams> create(int family)
{
    if (family == 53)
        return std::make_unique<DeviceParams53>();
    return std::make_unique<DeviceParams52>();
}

// A parameter set as read from images whose bytes outside the fields are a
// pattern: the defaults, a one-line receipt header and, for 2.52, two
// registrations.
struct Fixture
{
    std::unique_ptr<DeviceParams> params;
    QByteArray image;
    QByteArray system;
};

Fixture fixture(int family)
{
    Fixture f { create(family), patternImage(family == 53 ? 0x1500 : 0xA00), patternImage(0x400) };
    f.params->receiptHeader.setLines({ QStringLiteral("Первая") });
    if (auto *p = qobject_cast<DeviceParams52 *>(f.params.get())) {
        RegistrationRecord52 r;
        r.marker = RegistrationRecord52::Marker;
        r.setDateTime(QDateTime(QDate(2019, 3, 5), QTime(14, 7)));
        r.regNumber.setText(QStringLiteral("0000000001002003"));
        p->registrations.append(r);
        p->registrations.append(r);
    }
    f.params->toImage(f.image, f.system);
    f.params->fromImage(f.image, f.system);
    return f;
}

QStringList texts(const DeviceParams &params)
{
    QStringList out;
    const QVector<ParamValue> values = params.values();
    for (const ParamValue &v : values)
        out.append(v.path + QLatin1Char('=') + v.text);
    return out;
}

QString shape(const QString &path)
{
    static const QRegularExpression index(QStringLiteral("\\[[0-9]+\\]"));
    return QString(path).replace(index, QStringLiteral("[]"));
}

// One settable field: the value set, the value read back, and the bytes
// of the image that may change (the field's, and its record's check byte).
struct SetRow
{
    int family;
    QString path;
    QString value;
    QString readBack;
    int offset;
    int width;
    int checkAt = -1;
    bool inSystem = false;
};

QVector<SetRow> setTable()
{
    QVector<SetRow> rows;
    const auto same = [&](int family, const QString &path, const QString &value, int offset, int width,
                          int checkAt = -1, bool inSystem = false) {
        rows.append({ family, path, value, value, offset, width, checkAt, inSystem });
    };
    for (const int family : { 53, 52 }) {
        same(family, "tradeConfig.defaultDepartment", "3", 0x20, 1);
        same(family, "tradeConfig.departmentCount", "16", 0x21, 1);
        same(family, "tradeConfig.internalCodeLength", "4", 0x22, 1);
        same(family, "tradeConfig.weightPrefix", "27", 0x23, 1);
        same(family, "tradeConfig.printDensity", "3", 0x24, 1);
        same(family, "tradeConfig.fontFlags", "255", 0x25, 1);
        same(family, "tradeConfig.keyboardSensitivity", "-128", 0x26, 1);
        same(family, "tradeConfig.keySound", "0", 0x27, 1);
        same(family, "tradeConfig.powerOffTimer", "99", 0x28, 1);
        same(family, "tradeConfig.displayMode", "2", 0x29, 1);
        same(family, "tradeConfig.printFlags", "65535", 0x2A, 2);
        same(family, "tradeConfig.maxPrice", "1234.56", 0x2C, 8);
        same(family, "tradeConfig.maxDeposit", "0.05", 0x3C, 8);
        same(family, "tradeConfig.maxQuantity", "1000.125", 0x44, 8);
        same(family, "tradeConfig.tradeFlags", "4294967295", 0x4C, 4);
        same(family, "positions[5].name", "Кладовщик", 0x80 + 5 * 16, 16);
        const int department = (family == 53 ? 0x600 : 0x400) + 2 * 16;
        same(family, "departments[2].number", "9", department, 1);
        same(family, "departments[2].name", "Бакалея", department + 1, 13);
        same(family, "departments[2].vatRate", "6", department + 14, 1);
        same(family, "departments[2].taxSystems", "32", department + 15, 1);
        const int header = family == 53 ? 0x1300 : 0x700;
        same(family, "receiptHeader[1]", "Добро пожаловать!", header, 132);
        same(family, "receiptFooter", "Спасибо за покупку!\nЗаходите ещё", header + 0x100, 132);
    }
    // One byte in a two-byte slot here; the byte after it stays zero.
    same(53, "tradeConfig.defaultCashier", "16", 0x50, 1);
    same(53, "tradeConfig.paymentKinds", "31", 0x54, 1);
    same(53, "tradeConfig.tradeModes", "33", 0x55, 1);
    same(53, "organisation.inn", "7707083893", 0x200, 13);
    same(53, "organisation.email", "kassa@elka.example", 0x20D, 64);
    same(53, "organisation.name", "ООО «Ёлка»", 0x300, 240);
    same(53, "organisation.address", "г. Москва, ул. Садовая, д. 5", 0x400, 240);
    same(53, "organisation.place", "Магазин №1", 0x500, 240);
    same(53, "ofd.address", "ofd.example", 0xF00, 65);
    same(53, "ofd.inn", "7704211201", 0xF41, 13);
    same(53, "ofd.name", "Оператор", 0x1000, 256);
    same(53, "ofd.fnsSite", "www.nalog.gov.ru", 0x1100, 256);
    same(53, "ofd.ofdSite", "www.ofd.example", 0x1200, 256);
    same(53, "ofd.port", "21101", 0xF4E, 2);
    same(53, "ofd.connectTimer", "45", 0xF50, 2);
    same(53, "ofd.fnPollTimer", "-60", 0xF52, 2);
    const int user53 = 0x700 + 3 * 118;
    same(53, "users[3].name", "Иванов", user53, 15);
    same(53, "users[3].barcode", "4601234567893", user53 + 15, 14);
    same(53, "users[3].inn", "500100732259", user53 + 29, 13);
    same(53, "users[3].fullName", "Иванов Иван Иванович", user53 + 42, 65);
    same(53, "users[3].password", "123456", user53 + 107, 7);
    same(53, "users[3].rights", "4", user53 + 114, 1);
    same(53, "users[3].position", "8", user53 + 115, 1);
    same(53, "users[3].flags", "12", user53 + 116, 2);
    same(53, "registrationIds.regNumber", "00000000010020034567", 0x114, 20);
    same(53, "registrationIds.fnNumber", "9999078900001234", 0x128, 16);

    same(52, "tradeConfig.defaultCashier", "300", 0x50, 2);
    same(52, "organisation.inn", "500100732259", 0x100, 12);
    same(52, "organisation.name", "ООО «Ромашка»", 0x110, 110);
    same(52, "organisation.address", "г. Тула, ул. Ленина, д. 1", 0x188, 110);
    const int user52 = 0x200 + 3 * 32;
    same(52, "users[3].name", "Петров", user52 + 10, 15, user52 + 31);
    same(52, "users[3].barcode", "4601234567893", user52 + 2, 6, user52 + 31);
    // Twelve digits are stored; they read back with their check digit.
    rows.append({ 52, "users[4].barcode", "460123456789", "4601234567893", 0x200 + 4 * 32 + 2, 6,
                  0x200 + 4 * 32 + 31 });
    same(52, "users[3].rights", "2", user52 + 1, 1, user52 + 31);
    same(52, "users[3].position", "3", user52 + 29, 1, user52 + 31);
    same(52, "users[3].flags", "4", user52 + 8, 2, user52 + 31);
    same(52, "ofd.address", "ofd.example", 0x900, 64);
    same(52, "ofd.port", "8080", 0x940, 2);
    same(52, "ofd.connectTimer", "20", 0x942, 2);
    same(52, "ofd.fnPollTimer", "10", 0x944, 2);
    same(52, "ofd.ofdSite", "www.ofd.example", 0x946, 64);
    same(52, "ofd.inn", "7707083893", 0x986, 6);
    const int slot = 64;
    same(52, "registrations[1].dateTime", "2024-02-29 23:59", slot + 1, 5, slot + 63, true);
    same(52, "registrations[1].regNumber", "00000000010020034567", slot + 6, 21, slot + 63, true);
    same(52, "registrations[1].inn", "7707083893", slot + 27, 13, slot + 63, true);
    same(52, "registrations[1].fnNumber", "9999078900001234", slot + 40, 17, slot + 63, true);
    same(52, "registrations[1].taxSystems", "6", slot + 57, 1, slot + 63, true);
    same(52, "registrations[1].workModes", "3", slot + 58, 1, slot + 63, true);
    same(52, "registrations[1].closed", "1", slot + 59, 1, slot + 63, true);
    return rows;
}

} // namespace

void TestParamFields::layoutsTileTheirImages_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("paramsEnd");
    QTest::addColumn<int>("systemEnd");
    QTest::newRow("2.53: pages 0 to 20") << 53 << 0x1500 << 0;
    QTest::newRow("2.52: pages 0 to 9, and 16 history slots") << 52 << 0xA00 << 0x400;
}

void TestParamFields::layoutsTileTheirImages()
{
    QFETCH(int, family);
    QFETCH(int, paramsEnd);
    QFETCH(int, systemEnd);
    SpanCollector spans;
    if (family == 53) {
        DeviceParams53 p;
        Layout53::describe(spans, p);
    } else {
        DeviceParams52 p;
        Layout52::describe(spans, p);
    }
    QCOMPARE(tilingFault(spans.params, paramsEnd), QString());
    QCOMPARE(tilingFault(spans.system, systemEnd), QString());
}

void TestParamFields::setReadBackAndWrite_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<bool>("inSystem");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("checkAt");
    for (const SetRow &r : setTable()) {
        QTest::addRow("2.%d %s = %s", r.family, qPrintable(r.path),
                      qPrintable(QString(r.value).replace("\n", "\\n")))
            << r.family << r.path << r.value << r.readBack << r.inSystem << r.offset << r.width << r.checkAt;
    }
}

void TestParamFields::setReadBackAndWrite()
{
    QFETCH(int, family);
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QFETCH(bool, inSystem);
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(int, checkAt);

    const Fixture f = fixture(family);
    QString error;
    QVERIFY2(f.params->setValue(path, value, &error), qPrintable(error));
    ParamValue v;
    QVERIFY2(f.params->value(path, &v, &error), qPrintable(error));
    QCOMPARE(v.text, readBack);

    QByteArray image = f.image;
    QByteArray system = f.system;
    f.params->toImage(image, system);
    QCOMPARE(inSystem ? image : system, inSystem ? f.image : f.system);
    const QByteArray &before = inSystem ? f.system : f.image;
    const QByteArray &after = inSystem ? system : image;
    QCOMPARE(after.size(), before.size());
    bool changed = false;
    for (int i = 0; i < after.size(); ++i) {
        if (after.at(i) == before.at(i))
            continue;
        changed = true;
        QVERIFY2((i >= offset && i < offset + width) || i == checkAt,
                 qPrintable(QStringLiteral("byte 0x%1 changed").arg(i, 0, 16)));
    }
    QVERIFY2(changed, "the value never reached the image");

    const std::unique_ptr<DeviceParams> again = create(family);
    again->fromImage(image, system);
    QVERIFY2(again->value(path, &v, &error), qPrintable(error));
    QCOMPARE(v.text, readBack);
}

void TestParamFields::tableCoversEverySettableField_data()
{
    familyRows();
}

// A field added to a layout without a row above would go untested.
void TestParamFields::tableCoversEverySettableField()
{
    QFETCH(int, family);
    QSet<QString> inTable;
    for (const SetRow &r : setTable()) {
        if (r.family == family)
            inTable.insert(shape(r.path));
    }
    QStringList missing;
    const QVector<ParamValue> values = fixture(family).params->values();
    for (const ParamValue &v : values) {
        if (v.info.settable() && !inTable.contains(shape(v.path)))
            missing.append(v.path);
    }
    missing.removeDuplicates();
    QCOMPARE(missing, QStringList());
}

void TestParamFields::refusedValuesChangeNothing_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown field") << 53 << "organisation.nmae"
                                   << "x"
                                   << "неизвестное поле «organisation.nmae»";
    QTest::newRow("group of the other family") << 52 << "registrationIds.regNumber"
                                               << "1"
                                               << "неизвестное поле";
    QTest::newRow("user index past the list") << 53 << "users[16].name"
                                              << "x"
                                              << "users[16].name: номер записи 16 вне диапазона 0…15";
    QTest::newRow("registration that does not exist") << 52 << "registrations[2].inn"
                                                      << "1"
                                                      << "номер записи 2 вне диапазона 0…1";
    QTest::newRow("text over its byte limit") << 53 << "organisation.inn"
                                              << "1234567890123"
                                              << "organisation.inn: текст длиннее 12 байт";
    QTest::newRow("emoji Windows-1251 cannot hold")
        << 53 << "users[0].name"
        << "Кот😀"
        << "users[0].name: символ «😀» U+1F600 не представим в кодировке Windows-1251";
    QTest::newRow("Latin letter the code page lacks") << 52 << "organisation.name"
                                                      << "Müller"
                                                      << "символ «ü» U+00FC не представим";
    QTest::newRow("NUL would cut the text")
        << 53 << "ofd.address" << QString::fromUtf8("a\0b", 3) << "нулевой символ";
    QTest::newRow("line feed inside one receipt line") << 53 << "receiptHeader[0]"
                                                       << "a\nb"
                                                       << "перевод строки";
    QTest::newRow("receipt lines over 132 bytes together")
        << 52 << "receiptHeader[1]" << QString(131, QLatin1Char('x'))
        << "вместе с остальными строками текст длиннее 132 байт";
    QTest::newRow("receipt line far past the block") << 53 << "receiptFooter[2000000000]"
                                                     << "x"
                                                     << "номер строки 2000000000 вне диапазона 0…132";
    QTest::newRow("one byte wide cashier above int8") << 53 << "tradeConfig.defaultCashier"
                                                      << "128"
                                                      << "значение 128 вне диапазона -128…127 (int8)";
    QTest::newRow("negative into an unsigned field") << 53 << "tradeConfig.fontFlags"
                                                     << "-1"
                                                     << "вне диапазона 0…255 (uint8)";
    QTest::newRow("uint32 overflow") << 52 << "tradeConfig.tradeFlags"
                                     << "4294967296"
                                     << "вне диапазона 0…4294967295 (uint32)";
    QTest::newRow("integer with a letter") << 53 << "ofd.port"
                                           << "80a"
                                           << "ожидается целое число";
    QTest::newRow("amount with three decimals") << 52 << "tradeConfig.maxPrice"
                                                << "1.005"
                                                << "не больше 2 знаков после точки";
    QTest::newRow("quantity with four decimals") << 53 << "tradeConfig.maxQuantity"
                                                 << "1.0005"
                                                 << "не больше 3 знаков после точки";
    QTest::newRow("amount with a decimal comma") << 53 << "tradeConfig.maxDeposit"
                                                 << "12,50"
                                                 << "ожидается десятичное число";
    QTest::newRow("amount beyond 64 bits") << 53 << "tradeConfig.maxPrice"
                                           << "922337203685478"
                                           << "не помещается";
    QTest::newRow("packed digits with a letter") << 52 << "ofd.inn"
                                                 << "77070838A3"
                                                 << "только цифры";
    QTest::newRow("thirteen packed digits") << 52 << "ofd.inn"
                                            << "1234567890123"
                                            << "не больше 12 цифр";
    QTest::newRow("barcode with a wrong check digit") << 52 << "users[0].barcode"
                                                      << "4601234567890"
                                                      << "контрольная цифра штрихкода 0 неверна, ожидается 3";
    QTest::newRow("29 February of a common year") << 52 << "registrations[0].dateTime"
                                                  << "2023-02-29 10:00"
                                                  << "ожидаются дата и время";
    QTest::newRow("year one byte cannot hold") << 52 << "registrations[0].dateTime"
                                               << "2256-01-01 00:00"
                                               << "ожидаются дата и время";
    QTest::newRow("kept bytes") << 53 << "tradeConfig.opaque1"
                                << "00000000"
                                << "tradeConfig.opaque1: поле ККТ хранит для своих нужд";
    QTest::newRow("kept signature") << 52 << "tradeConfig.signature"
                                    << "4660"
                                    << "хранит для своих нужд";
    QTest::newRow("kept user number") << 52 << "users[0].number"
                                      << "1"
                                      << "хранит для своих нужд";
    QTest::newRow("serial number of a 2.53 register")
        << 53 << "registrationIds.serialNumber"
        << "0053000001"
        << "registrationIds.serialNumber: поле хранит заводской номер ККТ";
    QTest::newRow("serial place of a 2.52 register") << 52 << "tradeConfig.reserved12"
                                                     << "00"
                                                     << "поле хранит заводской номер ККТ";
}

void TestParamFields::refusedValuesChangeNothing()
{
    QFETCH(int, family);
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, message);

    const Fixture f = fixture(family);
    const QStringList before = texts(*f.params);
    QString error;
    QVERIFY(!f.params->setValue(path, value, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(texts(*f.params), before);
    QByteArray image = f.image;
    QByteArray system = f.system;
    f.params->toImage(image, system);
    QCOMPARE(image, f.image);
    QCOMPARE(system, f.system);
}

void TestParamFields::copyGroupLeavesKeptAndIdentity()
{
    // Two 2.52 registers: the source's serial place, kept bytes and
    // history differ from the target's.
    const Fixture a = fixture(52);
    auto &from = *qobject_cast<DeviceParams52 *>(a.params.get());
    from.tradeConfig.reserved12.setBytes("0052000001");
    from.tradeConfig.opaque1.setBytes("AAAA");
    from.tradeConfig.maxPrice = 12345600;
    from.users[2].name.setText(QStringLiteral("Сидоров"));
    from.users[2].number = 77;
    from.users[2].keptValue = 99;
    DeviceParams52 to;
    to.tradeConfig.reserved12.setBytes("0052000002");
    QVERIFY(to.registrations.isEmpty());

    QCOMPARE(to.groups(),
             QStringList({ "tradeConfig", "organisation", "users", "ofd", "registrations", "positions",
                           "departments", "receiptHeader", "receiptFooter" }));
    QString error;
    QVERIFY2(to.copyGroup(from, "tradeConfig", &error), qPrintable(error));
    QVERIFY(to.copyGroup(from, "users"));
    QVERIFY(to.copyGroup(from, "registrations"));
    QCOMPARE(to.tradeConfig.maxPrice, qint64(12345600));
    QCOMPARE(to.tradeConfig.reserved12.toByteArray(), QByteArray("0052000002").append(2, '\0'));
    QCOMPARE(to.tradeConfig.opaque1.toByteArray(), QByteArray(4, '\0'));
    QCOMPARE(to.users[2].name.text(), QStringLiteral("Сидоров"));
    QCOMPARE(to.users[2].number, qint8(3));
    QCOMPARE(to.users[2].keptValue, DeviceParams52().users[2].keptValue);
    QCOMPARE(to.organisation.name.text(), QString()); // a group not asked for
    // The copied history survives the image, markers included.
    QByteArray image, system;
    to.toImage(image, system);
    DeviceParams52 read;
    read.fromImage(image, system);
    QCOMPARE(read.registrations.size(), 2);
    QCOMPARE(read.registrations[1].regNumber.text(), QStringLiteral("0000000001002003"));

    // 2.53: registration numbers go, the serial number stays.
    DeviceParams53 source, target;
    source.registrationIds.serialNumber.setText(QStringLiteral("0053000001"));
    source.registrationIds.regNumber.setText(QStringLiteral("0000000001002003"));
    target.registrationIds.serialNumber.setText(QStringLiteral("0053000002"));
    QVERIFY(target.copyGroup(source, "registrationIds"));
    QCOMPARE(target.registrationIds.regNumber.text(), QStringLiteral("0000000001002003"));
    QCOMPARE(target.registrationIds.serialNumber.text(), QStringLiteral("0053000002"));

    QVERIFY(!target.copyGroup(from, "users", &error));
    QCOMPARE(error, QStringLiteral("наборы параметров разных семейств: 2.52 и 2.53"));
    QVERIFY(!target.copyGroup(source, "registrations", &error));
    QCOMPARE(error, QStringLiteral("неизвестная группа полей «registrations»"));
}

QTEST_GUILESS_MAIN(TestParamFields)
#include "tst_paramfields.moc"

namespace {

// The bytes a layout gives the field at path, in its image.
SpanCollector::Span spanOf(int family, const QString &path, bool *inSystem)
{
    SpanCollector spans;
    if (family == 53) {
        DeviceParams53 p;
        Layout53::describe(spans, p);
    } else {
        DeviceParams52 p;
        p.registrations.resize(DeviceParams52::RegistrationSlots);
        Layout52::describe(spans, p);
    }
    for (bool system : { false, true }) {
        for (const SpanCollector::Span &span : system ? spans.system : spans.params) {
            if (span.what == path) {
                *inSystem = system;
                return span;
            }
        }
    }
    return { -1, -1, QString() };
}

} // namespace

void TestParamFields::longestTextKeepsItsTerminator_data()
{
    familyRows();
}

// Every text field of both layouts: the longest value set accepts is
// written whole, read back whole, and leaves the field's last byte zero
// where the field is wider than its limit; one character more is refused.
void TestParamFields::longestTextKeepsItsTerminator()
{
    QFETCH(int, family);
    int tested = 0;
    const QVector<ParamValue> values = fixture(family).params->values();
    for (const ParamValue &v : values) {
        if (v.info.kind != FieldKind::Text || !v.info.settable())
            continue;
        bool inSystem = false;
        const SpanCollector::Span span = spanOf(family, v.path, &inSystem);
        QVERIFY2(span.begin >= 0, qPrintable(v.path));
        const int width = span.end - span.begin;
        const int limit = v.info.size;
        QVERIFY2(limit <= width, qPrintable(v.path));

        const Fixture f = fixture(family);
        QString error;
        const QString longest(limit, QChar(0x0416)); // Ж, one byte in Windows-1251
        QVERIFY2(!f.params->setValue(v.path, longest + QChar(0x0416), &error), qPrintable(v.path));
        QVERIFY2(f.params->setValue(v.path, longest, &error), qPrintable(error));
        QByteArray image = f.image;
        QByteArray system = f.system;
        f.params->toImage(image, system);
        const QByteArray field = (inSystem ? system : image).mid(span.begin, width);
        QCOMPARE(field.left(limit), QByteArray(limit, char(0xC6)));
        if (width > limit)
            QCOMPARE(field.mid(limit), QByteArray(width - limit, '\0'));

        const std::unique_ptr<DeviceParams> again = create(family);
        again->fromImage(image, system);
        ParamValue back;
        QVERIFY2(again->value(v.path, &back, &error), qPrintable(error));
        QCOMPARE(back.text, longest);
        ++tested;
    }
    QVERIFY(tested > 20);
}

void TestParamFields::textLimitsLeaveRoomForTheTerminator_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("limit");
    QTest::newRow("2.52 user name: 15 bytes, at most 14 written") << 52 << "users[8].name" << 14;
    QTest::newRow("2.53 user name") << 53 << "users[15].name" << 14;
    QTest::newRow("department name") << 53 << "departments[3].name" << 12;
    QTest::newRow("2.53 e-mail") << 53 << "organisation.email" << 63;
    QTest::newRow("2.52 operator site") << 52 << "ofd.ofdSite" << 63;
}

// Fields one byte wider than their limit: the limit is what set and the
// editors take, so a value written always keeps its terminating zero.
void TestParamFields::textLimitsLeaveRoomForTheTerminator()
{
    QFETCH(int, family);
    QFETCH(QString, path);
    QFETCH(int, limit);
    const Fixture f = fixture(family);
    ParamValue v;
    QVERIFY(f.params->value(path, &v));
    QCOMPARE(v.info.size, limit);
    bool inSystem = false;
    const SpanCollector::Span span = spanOf(family, path, &inSystem);
    QCOMPARE(span.end - span.begin, limit + 1);
}

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "tabs/registrationtablemodel52.h"
#include "tabs/usertablemodel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<UserTableModel> userModel(int family)
{
    if (family == 52)
        return std::make_unique<UserTableModel52>();
    return std::make_unique<UserTableModel53>();
}

QStringList headers(const QAbstractItemModel &model)
{
    QStringList out;
    for (int c = 0; c <= model.columnCount(); ++c)
        out.append(model.headerData(c, Qt::Horizontal).toString());
    return out;
}

} // namespace

class TestUserModels : public QObject
{
    Q_OBJECT

private slots:
    void userColumns_data();
    void userColumns();
    void userCells_data();
    void userCells();
    void userEdits();
    void hiddenRecordsSkippedAndKept53();
    void hiddenRecordsSkippedAndKept52();
    void barcode52ShowsCheckDigit();
    void registrationNames_data();
    void registrationNames();
    void registrationModel();
    void registrationStore();
};

void TestUserModels::userColumns_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("2.53") << 53 << QStringList { "Имя",    "Права",     "Штрихкод", "ИНН", "Полное имя",
                                                 "Пароль", "Должность", "Акт.",     "" };
    QTest::newRow("2.52") << 52 << QStringList { "Имя", "Права", "Штрихкод", "Должность", "Акт.", "" };
}

void TestUserModels::userColumns()
{
    QFETCH(int, family);
    QFETCH(QStringList, captions);

    const auto model = userModel(family);
    QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    DeviceParams53 params;
    model->setRows(userRows(params), positionNames(params));
    QCOMPARE(headers(*model), captions);
    QCOMPARE(model->headerData(0, Qt::Vertical), QVariant());
    // Rights and password are shown, never edited; "Акт." is a check box.
    for (int c = 0; c < model->columnCount(); ++c) {
        const Qt::ItemFlags flags = model->flags(model->index(0, c));
        const QString caption = captions.at(c);
        QCOMPARE(flags.testFlag(Qt::ItemIsEditable),
                 caption != "Права" && caption != "Пароль" && caption != "Акт.");
        QCOMPARE(flags.testFlag(Qt::ItemIsUserCheckable), caption == "Акт.");
        QVERIFY(flags.testFlag(Qt::ItemIsSelectable) && flags.testFlag(Qt::ItemIsEnabled));
    }
}

void TestUserModels::userCells_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVariant>("display");

    QTest::newRow("rights 4") << int(UserTableModel::Rights) << 4 << QVariant("Техник");
    QTest::newRow("rights 1") << int(UserTableModel::Rights) << 1 << QVariant("Кассир");
    QTest::newRow("rights 0 has no name") << int(UserTableModel::Rights) << 0 << QVariant();
    QTest::newRow("rights 5 has no name") << int(UserTableModel::Rights) << 5 << QVariant();
    QTest::newRow("position 0 has no name") << int(UserTableModel::Position) << 0 << QVariant();
    QTest::newRow("position 8") << int(UserTableModel::Position) << 8 << QVariant("Ген.директор");
    QTest::newRow("position 9 has no name") << int(UserTableModel::Position) << 9 << QVariant();
}

void TestUserModels::userCells()
{
    QFETCH(int, field);
    QFETCH(int, code);
    QFETCH(QVariant, display);

    UserTableModel53 model;
    UserRow row;
    (field == UserTableModel::Rights ? row.rights : row.position) = code;
    DeviceParams53 params;
    model.setRows({ row }, positionNames(params));
    const QModelIndex cell = model.index(0, model.column(UserTableModel::Field(field)));
    QCOMPARE(cell.data(Qt::DisplayRole), display);
    // The code stays in the row whether it has a name or not.
    QCOMPARE(cell.data(Qt::EditRole), QVariant(code));
    QCOMPARE(cell.data(Qt::ToolTipRole), QVariant());
}

void TestUserModels::userEdits()
{
    UserTableModel53 model;
    DeviceParams53 params;
    model.setRows(userRows(params), positionNames(params));
    const auto cell = [&](UserTableModel::Field f) { return model.index(1, model.column(f)); };

    QVERIFY(!model.setData(cell(UserTableModel::Rights), 3));
    QVERIFY(!model.setData(cell(UserTableModel::Password), "000"));
    QCOMPARE(model.rows().at(1).rights, 1);
    QCOMPARE(model.rows().at(1).password, QStringLiteral("473"));

    QVERIFY(model.setData(cell(UserTableModel::Position), 3));
    QCOMPARE(cell(UserTableModel::Position).data().toString(), QStringLiteral("Мл.менеджер"));

    const QModelIndex active = cell(UserTableModel::Active);
    QCOMPARE(active.data(Qt::CheckStateRole), QVariant(int(Qt::Unchecked)));
    QVERIFY(model.setData(active, int(Qt::Checked), Qt::CheckStateRole));
    QCOMPARE(active.data(Qt::DisplayRole), QVariant(int(Qt::Checked)));
    QCOMPARE(active.data(Qt::EditRole), QVariant(true));
    QVERIFY(model.setData(active, false, Qt::EditRole));
    QCOMPARE(active.data(Qt::CheckStateRole), QVariant(int(Qt::Unchecked)));
    QVERIFY(!model.setData(cell(UserTableModel::Name), int(Qt::Checked), Qt::CheckStateRole));
}

// Default users of 2.53: record 6 active, record 8 hidden.
void TestUserModels::hiddenRecordsSkippedAndKept53()
{
    DeviceParams53 params;
    params.users[8].name.setText("Скрытый");
    params.users[8].flags |= 0x8001;
    params.users[9].flags = 0x0100; // a bit the table does not show
    const UserRecord53 hidden = params.users[8];

    UserRows rows = userRows(params);
    QCOMPARE(rows.size(), 15);
    QCOMPARE(rows.at(8).record, 9);
    QCOMPARE(rows.at(8).name, QStringLiteral("Кассир 10"));

    rows[8].name = "Иванов";
    rows[8].active = true;
    rows[6].active = false;
    storeUserRows(rows, params);
    QCOMPARE(QByteArray(params.users[8].name.bytes.data(), 15), QByteArray(hidden.name.bytes.data(), 15));
    QCOMPARE(params.users[8].flags, hidden.flags);
    QCOMPARE(params.users[9].name.text(), QStringLiteral("Иванов"));
    QCOMPARE(params.users[9].flags, quint16(0x0104));
    QCOMPARE(params.users[6].flags, quint16(0));
}

// Default users of 2.52: record 6 active, record 8 hidden; the hidden one
// sits in the middle here.
void TestUserModels::hiddenRecordsSkippedAndKept52()
{
    DeviceParams52 params;
    params.users[8].flags = 0;
    params.users[2].flags = UserHidden | 0x0040;
    const QByteArray barcode2 = params.users[2].barcode.toByteArray();

    UserRows rows = userRows(params);
    QCOMPARE(rows.at(2).record, 3);
    rows[2].name = "Петров";
    rows[2].barcode = "4006381333931";
    rows[7].name.clear(); // record 8
    storeUserRows(rows, params);
    QCOMPARE(params.users[2].name.text(), QStringLiteral("Кассир 3"));
    QCOMPARE(params.users[2].barcode.toByteArray(), barcode2);
    QCOMPARE(params.users[2].flags, quint16(UserHidden | 0x0040));
    QCOMPARE(params.users[3].name.text(), QStringLiteral("Петров"));
    QCOMPARE(params.users[3].barcode.toByteArray(), QByteArray::fromHex("400638133393"));
    QCOMPARE(params.users[8].name.text(), QString());
}

void TestUserModels::barcode52ShowsCheckDigit()
{
    DeviceParams52 params;
    params.users[0].barcode.setBytes(QByteArray::fromHex("400638133393"));
    params.users[1].barcode.setBytes(QByteArray::fromHex("FFFFFFFFFFFF"));
    const UserRows rows = userRows(params);
    UserTableModel52 model;
    model.setRows(rows, positionNames(params));
    QCOMPARE(model.index(0, model.column(UserTableModel::Barcode)).data().toString(),
             QStringLiteral("4006381333931"));
    QCOMPARE(model.index(1, model.column(UserTableModel::Barcode)).data().toString(), QString());

    // Saved unchanged, the same six bytes.
    storeUserRows(rows, params);
    QCOMPARE(params.users[0].barcode.toByteArray(), QByteArray::fromHex("400638133393"));
    QCOMPARE(params.users[1].barcode.toByteArray(), QByteArray::fromHex("FFFFFFFFFFFF"));
}

void TestUserModels::registrationNames_data()
{
    QTest::addColumn<uint>("taxSystems");
    QTest::addColumn<uint>("workModes");
    QTest::addColumn<QString>("taxText");
    QTest::addColumn<QString>("workText");

    QTest::newRow("two of each") << 0x03u << 0x22u << "ОБЩАЯ;УПРОЩ. ДОХОД"
                                 << "АВТОНОМНЫЙ РЕЖИМ;ПРИМЕН. В ИНТЕРНЕТ";
    QTest::newRow("none") << 0u << 0u << "НЕТ"
                          << "-";
    QTest::newRow("last named bits") << 0x20u << 0x10u << "ПАТЕНТ"
                                     << "РЕЖИМ БСО";
    // Set bits without a name are shown by number rather than hidden.
    QTest::newRow("bits without a name") << 0xC1u << 0x80u << "ОБЩАЯ;бит 6;бит 7"
                                         << "бит 7";
}

void TestUserModels::registrationNames()
{
    QFETCH(uint, taxSystems);
    QFETCH(uint, workModes);
    QFETCH(QString, taxText);
    QFETCH(QString, workText);

    RegistrationTableModel52 model;
    RegistrationRow52 row;
    row.taxSystems = taxSystems;
    row.workModes = workModes;
    model.setRows({ row });
    const QModelIndex tax = model.index(0, RegistrationTableModel52::TaxSystems);
    const QModelIndex work = model.index(0, RegistrationTableModel52::WorkModes);
    QCOMPARE(tax.data().toString(), taxText);
    QCOMPARE(work.data().toString(), workText);
    QCOMPARE(tax.data(Qt::EditRole).toUInt(), taxSystems);
    QCOMPARE(work.data(Qt::EditRole).toUInt(), workModes);
}

void TestUserModels::registrationModel()
{
    RegistrationTableModel52 model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows({ RegistrationRow52(), RegistrationRow52() });
    QCOMPARE(headers(model),
             QStringList({ "Дата регистрации", "Рег. номер ККТ", "ИНН организации", "Рег. номер ФН", "СНО",
                           "Режимы работы", "Закрыто", "" }));
    QCOMPARE(model.headerData(1, Qt::Vertical), QVariant(2));
    // Every cell is edited through its editor; "Закрыто" is no click-to-check box.
    const QModelIndex closed = model.index(1, RegistrationTableModel52::Closed);
    QCOMPARE(model.flags(closed), Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
    QCOMPARE(closed.data(Qt::CheckStateRole), QVariant(int(Qt::Unchecked)));
    QVERIFY(model.setData(closed, int(Qt::Checked), Qt::CheckStateRole));
    QCOMPARE(closed.data(Qt::EditRole), QVariant(true));
    QVERIFY(model.setData(closed, false));
    QCOMPARE(closed.data(Qt::DisplayRole), QVariant(int(Qt::Unchecked)));
    QVERIFY(!model.setData(model.index(0, RegistrationTableModel52::Inn), "1", Qt::CheckStateRole));
}

void TestUserModels::registrationStore()
{
    DeviceParams52 params;
    RegistrationRecord52 r;
    r.marker = RegistrationRecord52::Marker;
    r.setDateTime(QDateTime(QDate(2019, 3, 5), QTime(14, 7)));
    r.regNumber.setText("0000000001012345");
    r.closed = 0x38; // any non-zero byte is closed
    params.registrations.append(r);
    params.registrations.append(r);
    params.registrations[1].day = 0; // no date can show this
    const QVector<RegistrationRecord52> before = params.registrations;

    RegistrationRows52 rows = registrationRows(params);
    QVERIFY(rows.at(0).closed);
    QVERIFY(!rows.at(1).date.isValid());
    // Unchanged rows keep every stored byte.
    storeRegistrationRows(rows, params);
    QCOMPARE(params.registrations[1].day, quint8(0));
    QCOMPARE(params.registrations[1].month, quint8(3));
    QCOMPARE(params.registrations[0].closed, quint8(0x38));

    rows[0].date = QDateTime(QDate(2020, 12, 31), QTime(23, 58, 41));
    rows[0].closed = false;
    rows[0].taxSystems = 0x1FF;
    storeRegistrationRows(rows, params);
    const RegistrationRecord52 &s = params.registrations[0];
    QCOMPARE(QList<int>({ s.day, s.month, s.yearFrom2000, s.hour, s.minute }),
             QList<int>({ 31, 12, 20, 23, 58 }));
    QCOMPARE(s.dateTime(), QDateTime(QDate(2020, 12, 31), QTime(23, 58)));
    QCOMPARE(s.closed, quint8(0));
    QCOMPARE(s.taxSystems, quint8(0xFF));
    QCOMPARE(params.registrations[1].regNumber.text(), before[1].regNumber.text());
}

QTEST_GUILESS_MAIN(TestUserModels)
#include "tst_usermodels.moc"

#include "params/textcodec.h"
#include "tabs/depttablemodel.h"
#include "tabs/positionlistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

// The positions and departments models, and how their rows go back into
// the records.
class TestTabModels : public QObject
{
    Q_OBJECT

private slots:
    void modelContracts();
    void positionEdit_data();
    void positionEdit();
    void positionsStored();
    void deptCells();
    void deptRecord_data();
    void deptRecord();
};

namespace {

QStringList defaultPositions()
{
    return { "Кассир",      "Ст.кассир",     "Мл.менеджер", "Менеджер",
             "Ст.менеджер", "Администратор", "Директор",    "Ген.директор" };
}

} // namespace

void TestTabModels::modelContracts()
{
    PositionListModel positions;
    QAbstractItemModelTester positionTester(&positions,
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
    positions.setNames(defaultPositions());
    QVERIFY(positions.setData(positions.index(3), "Продавец"));

    DeptTableModel departments;
    QAbstractItemModelTester deptTester(&departments, QAbstractItemModelTester::FailureReportingMode::QtTest);
    departments.setRecords({ { "Хлеб", 2, 1 }, { "Молоко", 0, 9 } });
    QVERIFY(departments.setData(departments.index(1, DeptTableModel::TaxSystemColumn), 6));
}

void TestTabModels::positionEdit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("stored");

    QTest::newRow("spaces only refused") << "   " << false << "Кассир";
    QTest::newRow("empty refused") << "" << false << "Кассир";
    QTest::newRow("same text is no change") << "Кассир" << false << "Кассир";
    QTest::newRow("surrounding spaces kept") << " Кассир " << true << " Кассир ";
    QTest::newRow("new name") << "Продавец" << true << "Продавец";
}

void TestTabModels::positionEdit()
{
    QFETCH(QString, typed);
    QFETCH(bool, changed);
    QFETCH(QString, stored);

    PositionListModel model;
    model.setNames(defaultPositions());
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    const QModelIndex first = model.index(0);
    QCOMPARE(model.setData(first, typed, Qt::EditRole), changed);
    QCOMPARE(first.data(Qt::DisplayRole).toString(), stored);
    QCOMPARE(spy.count(), changed ? 1 : 0);
    if (changed)
        QCOMPARE(spy.at(0).at(0).toModelIndex(), first);
    // Only the name is settable.
    QVERIFY(!model.setData(first, "Продавец", Qt::ToolTipRole));
}

void TestTabModels::positionsStored()
{
    QVector<PositionName> records(3);
    records[0].setText("Администратор ТЦ"); // 16 characters: no terminator
    records[1].setText("Кассир");
    records[2].setText("Директор");
    const QVector<PositionName> before = records;

    QStringList names = PositionListModel::namesOf(records);
    PositionListModel::store(names, records);
    for (int i = 0; i < records.size(); ++i)
        QCOMPARE(records.at(i).field(), before.at(i).field());

    names[1] = "Старший кассир 12"; // 17 characters: the field holds 16
    names[2] = " Кассир ";
    PositionListModel::store(names, records);
    QCOMPARE(records.at(0).field(), before.at(0).field());
    QCOMPARE(records.at(1).field(), TextCodec::encode("Старший кассир 1"));
    QCOMPARE(records.at(2).field(), TextCodec::encode(" Кассир ").append(8, '\0'));
}

void TestTabModels::deptCells()
{
    DeptTableModel model;
    model.setRecords({ { "Хлеб", 1, 2 }, { "Молоко", 0, 7 }, { "Сыр", 7, 6 } });
    const auto cell = [&model](int row, int column, int role) { return model.index(row, column).data(role); };

    QCOMPARE(cell(0, DeptTableModel::VatRateColumn, Qt::DisplayRole).toString(), "Без НДС");
    QCOMPARE(cell(0, DeptTableModel::VatRateColumn, Qt::EditRole).toInt(), 1);
    QCOMPARE(cell(0, DeptTableModel::TaxSystemColumn, Qt::DisplayRole).toString(), "УПРОЩ. ДОХОД");
    QCOMPARE(cell(0, DeptTableModel::TaxSystemColumn, Qt::EditRole).toInt(), 2);
    // Codes without a name show nothing but keep their value.
    QCOMPARE(cell(1, DeptTableModel::VatRateColumn, Qt::DisplayRole).toString(), QString());
    QCOMPARE(cell(2, DeptTableModel::VatRateColumn, Qt::DisplayRole).toString(), QString());
    QCOMPARE(cell(2, DeptTableModel::VatRateColumn, Qt::EditRole).toInt(), 7);
    QCOMPARE(cell(1, DeptTableModel::TaxSystemColumn, Qt::DisplayRole).toString(), QString());
    QCOMPARE(cell(2, DeptTableModel::TaxSystemColumn, Qt::DisplayRole).toString(), "ПАТЕНТ");

    QCOMPARE(DeptTableModel::vatRateNames().size(), 6);
    QCOMPARE(DeptTableModel::taxSystemNames().size(), 7);
    QCOMPARE(model.headerData(DeptTableModel::TaxSystemColumn, Qt::Horizontal).toString(), "СНО");

    QVERIFY(!model.setData(model.index(0, DeptTableModel::NameColumn), "Булки", Qt::DisplayRole));
    QVERIFY(model.setData(model.index(0, DeptTableModel::NameColumn), "Булки", Qt::EditRole));
    QCOMPARE(cell(0, DeptTableModel::NameColumn, Qt::DisplayRole).toString(), "Булки");
}

void TestTabModels::deptRecord_data()
{
    QTest::addColumn<quint8>("taxBits");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<int>("chosenIndex"); // -1: not edited
    QTest::addColumn<quint8>("storedBits");

    QTest::newRow("two bits show the lowest, kept unless chosen") << quint8(0x06) << 2 << -1 << quint8(0x06);
    QTest::newRow("two bits, the shown one chosen again: kept") << quint8(0x06) << 2 << 2 << quint8(0x06);
    QTest::newRow("two bits, another chosen") << quint8(0x06) << 2 << 1 << quint8(0x01);
    QTest::newRow("no bit is none") << quint8(0x00) << 0 << -1 << quint8(0x00);
    QTest::newRow("bit 6 alone kept") << quint8(0x40) << 7 << -1 << quint8(0x40);
    QTest::newRow("bit 7 alone kept") << quint8(0x80) << 8 << -1 << quint8(0x80);
    QTest::newRow("none chosen") << quint8(0x01) << 1 << 0 << quint8(0x00);
    QTest::newRow("patent chosen") << quint8(0x00) << 0 << 6 << quint8(0x20);
}

void TestTabModels::deptRecord()
{
    QFETCH(quint8, taxBits);
    QFETCH(int, shownIndex);
    QFETCH(int, chosenIndex);
    QFETCH(quint8, storedBits);

    DepartmentRecord record;
    record.number = 11;
    record.name.setText("Молочные");
    record.vatRate = 9;
    record.taxSystems = taxBits;

    DeptRow row = DeptTableModel::rowOf(record);
    QCOMPARE(row.taxSystem, shownIndex);
    QCOMPARE(row.vatRate, 9);
    if (chosenIndex >= 0)
        row.taxSystem = chosenIndex;
    DeptTableModel::store(row, record);
    QCOMPARE(record.taxSystems, storedBits);
    // Number, VAT code without a name and name stay as they were.
    QCOMPARE(record.number, qint8(11));
    QCOMPARE(record.vatRate, qint8(9));
    QCOMPARE(record.name.field(), TextCodec::encode("Молочные").append(5, '\0'));

    row.name = "Молочный отдел"; // 14 characters: the field holds 12
    row.vatRate = 1;
    DeptTableModel::store(row, record);
    QCOMPARE(record.name.field(), TextCodec::encode("Молочный отд").append('\0'));
    QCOMPARE(record.vatRate, qint8(1));
}

QTEST_GUILESS_MAIN(TestTabModels)
#include "tst_tabmodels.moc"

#include "classes/recordtablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Item
{
    QString name;
    int price = 0;
};

// A read-only text column and an editable number column that refuses
// negative prices and shows itself right-aligned.
class ItemModel : public RecordTableModel<Item>
{
public:
    ItemModel()
        : RecordTableModel({ { QStringLiteral("Имя"), &displayText<Item, &Item::name> },
                             { QStringLiteral("Цена"), &price, &setPrice } })
    {
    }

private:
    static QVariant price(const Item &item, int role)
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return item.price;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    static bool setPrice(Item &item, const QVariant &value, int role)
    {
        bool ok = false;
        const int v = value.toInt(&ok);
        if (role != Qt::EditRole || !ok || v < 0)
            return false;
        item.price = v;
        return true;
    }
};

} // namespace

class TestRecordTableModel : public QObject
{
    Q_OBJECT

private slots:
    void readsThroughColumns();
    void edit_data();
    void edit();
};

void TestRecordTableModel::readsThroughColumns()
{
    ItemModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRecords({ { "чай", 120 }, { "сахар", 80 } });
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("сахар"));
    QVERIFY(!model.index(1, 0).data(Qt::EditRole).isValid());
    QCOMPARE(model.index(0, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Цена"));
    QVERIFY(!model.headerData(2, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
    QCOMPARE(model.recordAt(5).name, QString()); // no such row: a default record
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
}

void TestRecordTableModel::edit_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("price accepted") << 1 << QVariant(95) << int(Qt::EditRole) << true;
    QTest::newRow("check of the column refuses a negative price")
        << 1 << QVariant(-1) << int(Qt::EditRole) << false;
    QTest::newRow("text that is no number refused") << 1 << QVariant("много") << int(Qt::EditRole) << false;
    QTest::newRow("role the column does not write refused")
        << 1 << QVariant(95) << int(Qt::DisplayRole) << false;
    QTest::newRow("read-only column refused") << 0 << QVariant("соль") << int(Qt::EditRole) << false;
}

void TestRecordTableModel::edit()
{
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(int, role);
    QFETCH(bool, accepted);
    ItemModel model;
    model.setRecords({ { "чай", 120 }, { "сахар", 80 } });
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    QCOMPARE(model.setData(model.index(1, column), value, role), accepted);
    QCOMPARE(changed.size(), accepted ? 1 : 0);
    QCOMPARE(model.records().at(1).price, accepted ? value.toInt() : 80);
    QCOMPARE(model.records().at(1).name, QStringLiteral("сахар"));
    QCOMPARE(model.records().at(0).price, 120);
}

QTEST_GUILESS_MAIN(TestRecordTableModel)
#include "tst_recordtablemodel.moc"

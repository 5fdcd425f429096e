#include "app/browsetablemodel.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

class TestBrowseTableModel : public QObject
{
    Q_OBJECT

private slots:
    void setDevices_data();
    void setDevices();
    void headersAndReplacement();

private:
    static QStringList rows(const QAbstractItemModel &model);
};

QStringList TestBrowseTableModel::rows(const QAbstractItemModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells.append(model.index(r, c).data().toString());
        out.append(cells.join('|'));
    }
    return out;
}

void TestBrowseTableModel::setDevices_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("expected"); // serial|ip|mac per row

    QTest::newRow("array order, columns serial, address, MAC")
        << QByteArray(R"([{"device":"2","ip":"10.0.0.2","mac":"00:00:00:00:00:02"},)"
                      R"({"mac":"00:00:00:00:00:01","ip":"10.0.0.1","device":"1"}])")
        << QStringList { "2|10.0.0.2|00:00:00:00:00:02", "1|10.0.0.1|00:00:00:00:00:01" };
    QTest::newRow("same register through two interfaces listed once")
        << QByteArray(R"([{"device":"1","ip":"10.0.0.1","mac":"aa:00:00:00:00:01"},)"
                      R"({"device":"2","ip":"10.0.0.2","mac":"aa:00:00:00:00:02"},)"
                      R"({"device":"1","ip":"10.0.0.1","mac":"aa:00:00:00:00:01"}])")
        << QStringList { "1|10.0.0.1|aa:00:00:00:00:01", "2|10.0.0.2|aa:00:00:00:00:02" };
    // Each of these may be a second register or a moved one; the user sees both.
    QTest::newRow("differing only in address both kept") << QByteArray(
        R"([{"device":"1","ip":"10.0.0.1","mac":"m"},{"device":"1","ip":"10.0.0.9","mac":"m"}])")
                                                         << QStringList { "1|10.0.0.1|m", "1|10.0.0.9|m" };
    QTest::newRow("differing only in MAC both kept") << QByteArray(
        R"([{"device":"1","ip":"10.0.0.1","mac":"m1"},{"device":"1","ip":"10.0.0.1","mac":"m2"}])")
                                                     << QStringList { "1|10.0.0.1|m1", "1|10.0.0.1|m2" };
    QTest::newRow("differing only in serial both kept") << QByteArray(
        R"([{"device":"1","ip":"10.0.0.1","mac":"m"},{"device":"2","ip":"10.0.0.1","mac":"m"}])")
                                                        << QStringList { "1|10.0.0.1|m", "2|10.0.0.1|m" };
    QTest::newRow("missing member gives empty text")
        << QByteArray(R"([{"device":"1","mac":"m"},{"ip":"10.0.0.2"}])")
        << QStringList { "1||m", "|10.0.0.2|" };
    QTest::newRow("empty scan") << QByteArray("[]") << QStringList {};
}

void TestBrowseTableModel::setDevices()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, expected);
    BrowseTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setDevices(QJsonDocument::fromJson(json).array());
    QCOMPARE(rows(model), expected);
    QCOMPARE(model.columnCount(), 3);
}

void TestBrowseTableModel::headersAndReplacement()
{
    BrowseTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Заводской номер"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("IP адрес"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("MAC адрес"));
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());

    model.setDevices(QJsonDocument::fromJson(R"([{"device":"1","ip":"a","mac":"b"}])").array());
    model.setDevices(QJsonDocument::fromJson(R"([{"device":"2","ip":"c","mac":"d"}])").array());
    QCOMPARE(rows(model), QStringList { "2|c|d" });
    QCOMPARE(model.entryAt(0).address, QStringLiteral("c"));
}

QTEST_GUILESS_MAIN(TestBrowseTableModel)
#include "tst_browsetablemodel.moc"

#include "window/issuelistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestIssueListModel : public QObject
{
    Q_OBJECT

private slots:
    void listsFindingsInOrderAdded();
    void clearReleasesFindings();
};

void TestIssueListModel::listsFindingsInOrderAdded()
{
    IssueListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    model.appendIssue(QSharedPointer<GoodsIssue>::create(3, 1, QStringLiteral("4. Внутренний код не задан")));
    model.appendIssue(
        QSharedPointer<DeviceIssue>::create(nullptr, nullptr, QStringLiteral("ИНН ОФД не задан")));
    model.appendIssue({}); // nothing to show: not listed

    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0).data().toString(), QStringLiteral("4. Внутренний код не задан"));
    QCOMPARE(model.index(1).data().toString(), QStringLiteral("ИНН ОФД не задан"));
    // A finding is read, never edited.
    QVERIFY(!model.index(0).data(Qt::EditRole).isValid());
    QVERIFY(!model.flags(model.index(0)).testFlag(Qt::ItemIsEditable));
    // Each finding is announced as the row after the last.
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(inserted.at(1).at(1).toInt(), 1);
    QCOMPARE(inserted.at(1).at(2).toInt(), 1);

    const auto goods = model.issue(0).dynamicCast<GoodsIssue>();
    QVERIFY(goods);
    QCOMPARE(goods->row(), 3);
    QCOMPARE(goods->column(), 1);
    QVERIFY(!model.issue(1).dynamicCast<GoodsIssue>());
    QVERIFY(!model.issue(2));
    QVERIFY(!model.issue(-1));
    QCOMPARE(model.rowCount(model.index(0)), 0);
}

void TestIssueListModel::clearReleasesFindings()
{
    IssueListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QWeakPointer<Issue> weak;
    {
        auto issue = QSharedPointer<Issue>::create(QStringLiteral("Номер ФН не установлен"));
        weak = issue;
        model.appendIssue(issue);
    }
    QVERIFY(weak);

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!weak);

    // The list takes findings again after being emptied.
    model.appendIssue(QSharedPointer<Issue>::create(QStringLiteral("Место расчета не задано")));
    QCOMPARE(model.index(0).data().toString(), QStringLiteral("Место расчета не задано"));
}

QTEST_GUILESS_MAIN(TestIssueListModel)
#include "tst_issuelistmodel.moc"

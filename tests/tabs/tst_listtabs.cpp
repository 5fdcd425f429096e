#include "tabfixture.h"

#include "tabs/comboboxitemdelegate.h"
#include "tabs/depttab.h"
#include "tabs/positiontab.h"
#include "tabs/textitemdelegate.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QtTest>

// The positions and departments tabs edited through their views, as a
// user does: open a cell, type or choose, leave it.
class TestListTabs : public QObject
{
    Q_OBJECT

private slots:
    void positionsEdited();
    void departmentsEdited();
};

namespace {

// Opens the cell's editor in a shown view.
template<class Editor> Editor *openEditor(QAbstractItemView *view, const QModelIndex &index)
{
    view->setCurrentIndex(index);
    view->edit(index);
    return qobject_cast<Editor *>(view->indexWidget(index));
}

// Types text into a cell's line editor and commits it with Return.
void typeInto(QAbstractItemView *view, const QModelIndex &index, const QString &text)
{
    auto *edit = openEditor<QLineEdit>(view, index);
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

void TestListTabs::positionsEdited()
{
    std::unique_ptr<DeviceParams> params = makeParams(53);
    const QVector<PositionName> before = params->positions;
    PositionTab tab;
    tab.loadParams(*params);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    auto *view = tab.findChild<QListView *>();
    QCOMPARE(view->model()->rowCount(), 8);
    QCOMPARE(view->model()->index(5, 0).data().toString(), "Администратор");

    typeInto(view, view->model()->index(1, 0), "Senior cashier 12"); // 17 characters
    typeInto(view, view->model()->index(2, 0), "   ");
    typeInto(view, view->model()->index(3, 0), "");
    tab.saveParams(*params);
    QCOMPARE(params->positions[1].text(), "Senior cashier 1");
    for (const int unchanged : { 0, 2, 3, 4, 5, 6, 7 })
        QCOMPARE(params->positions[unchanged].field(), before[unchanged].field());

    // A new load shows the set's names again.
    params->positions[1].setText("Продавец");
    tab.loadParams(*params);
    QCOMPARE(view->model()->index(1, 0).data().toString(), "Продавец");
}

void TestListTabs::departmentsEdited()
{
    std::unique_ptr<DeviceParams> params = makeParams(52);
    params->departments[3].taxSystems = 0x06;
    params->departments[4].vatRate = 0;
    const QVector<DepartmentRecord> before = params->departments;
    DeptTab tab;
    tab.loadParams(*params);
    tab.loadParams(*params); // the editors stay in place over a second load
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    auto *view = tab.findChild<QTableView *>();
    const QAbstractItemModel *model = view->model();
    QCOMPARE(model->rowCount(), 16);
    QVERIFY(qobject_cast<TextItemDelegate *>(view->itemDelegateForColumn(0)));
    QVERIFY(qobject_cast<ComboBoxItemDelegate *>(view->itemDelegateForColumn(1)));
    QVERIFY(qobject_cast<ComboBoxItemDelegate *>(view->itemDelegateForColumn(2)));
    QCOMPARE(model->index(3, 2).data().toString(), "УПРОЩ. ДОХОД");
    QCOMPARE(model->index(4, 1).data().toString(), QString());

    typeInto(view, model->index(0, 0), "Confectionery shop");
    typeInto(view, model->index(1, 0), "");
    const auto choose = [view](const QModelIndex &index, const QString &name) {
        auto *combo = openEditor<QComboBox>(view, index);
        QVERIFY(combo);
        combo->setCurrentText(name);
        combo->hidePopup();
        QAbstractItemDelegate *delegate = view->itemDelegateForColumn(index.column());
        emit delegate->commitData(combo);
        emit delegate->closeEditor(combo);
    };
    choose(model->index(0, 1), "НДС 18/118");
    choose(model->index(0, 2), "ПАТЕНТ");
    choose(model->index(2, 2), "НЕТ");
    tab.saveParams(*params);

    const QVector<DepartmentRecord> &after = params->departments;
    QCOMPARE(after[0].name.text(), "Confectioner");
    QCOMPARE(after[0].vatRate, qint8(5));
    QCOMPARE(after[0].taxSystems, quint8(0x20));
    QCOMPARE(after[1].name.text(), "Отдел 2");
    QCOMPARE(after[2].taxSystems, quint8(0x00));
    QCOMPARE(after[3].taxSystems, quint8(0x06)); // shown as the lowest of its bits, kept as stored
    QCOMPARE(after[4].vatRate, qint8(0)); // a code without a name stays
    for (int k = 0; k < after.size(); ++k)
        QCOMPARE(after[k].number, before[k].number);
}

QTEST_MAIN(TestListTabs)
#include "tst_listtabs.moc"

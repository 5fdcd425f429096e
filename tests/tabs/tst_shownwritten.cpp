#include "tabfixture.h"

#include "tabs/configtab53.h"
#include "tabs/depttab.h"
#include "tabs/designtab.h"
#include "tabs/ofdtab53.h"
#include "tabs/registrationtab53.h"
#include "tabs/usertab52.h"
#include "tabs/usertab53.h"
#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

// What a tab shows is what it writes: texts read to their fields' full
// width, stored values the editors would not offer kept as loaded, editors
// limited to what a field holds, and the stored form shown once an edit is
// committed. The tabs are driven through their views and editors.
class TestShownWritten : public QObject
{
    Q_OBJECT

private slots:
    void fullWidthTextsShownAndKept();
    void departmentTaxBitsKept();
    void receiptBlockKeptUnlessEdited();
    void timerOutsideItsRangeKept();
    void cellEditorsTakeTheFieldsLimit_data();
    void cellEditorsTakeTheFieldsLimit();
    void barcode52ShowsWhatIsStored_data();
    void barcode52ShowsWhatIsStored();
    void readOnlySerialLooksSo();
    void rowsKeepTheirHeight();
};

namespace {

// Opens the cell's editor in a shown view.
template<class Editor> Editor *openEditor(QAbstractItemView *view, const QModelIndex &index)
{
    view->setCurrentIndex(index);
    view->edit(index);
    return qobject_cast<Editor *>(view->indexWidget(index));
}

// Leaves the cell's open editor, storing what it holds, as Return does.
void finish(QAbstractItemView *view, const QModelIndex &index, QWidget *editor)
{
    QAbstractItemDelegate *delegate = view->itemDelegate(index);
    delegate->setModelData(editor, view->model(), index);
    emit delegate->closeEditor(editor);
}

void commit(QAbstractItemView *view, const QModelIndex &index, const QString &text)
{
    auto *edit = openEditor<QLineEdit>(view, index);
    QVERIFY(edit);
    edit->setText(text);
    finish(view, index, edit);
}

QStringList findings(DeviceWidget *tab)
{
    DeviceIssueWidget dock(nullptr);
    DeviceWidget::runValidation({ tab }, &dock);
    QStringList texts;
    for (int row = 0; row < dock.model()->rowCount(); ++row)
        texts.append(dock.model()->issue(row)->text());
    return texts;
}

} // namespace

// A department name of 13 bytes and 2.53 user names of 15, none with a
// terminator: shown whole on their own tabs and in the configuration's
// choices, and written back byte for byte.
void TestShownWritten::fullWidthTextsShownAndKept()
{
    std::unique_ptr<DeviceParams> params = makeParams(53);
    auto *p = static_cast<DeviceParams53 *>(params.get());
    p->departments[1].name.bytes.fill('D');
    p->users[0].name.bytes.fill('U');
    const auto departments0 = p->departments;
    const auto users0 = p->users;

    DeptTab depts;
    depts.loadParams(*params);
    auto *deptView = depts.findChild<QTableView *>();
    QCOMPARE(deptView->model()->index(1, 0).data().toString(), QString(13, 'D'));
    ConfigTab53 config;
    config.loadParams(*params);
    QCOMPARE(formField<QComboBox>(&config, "Отдел по умолчанию:")->itemText(1), QString(13, 'D'));
    QCOMPARE(formField<QComboBox>(&config, "Кассир по умолчанию:")->itemText(0), QString(15, 'U'));
    UserTab53 users;
    users.loadParams(*params);
    QCOMPARE(users.view()->model()->index(0, 0).data().toString(), QString(15, 'U'));

    depts.saveParams(*params);
    config.saveParams(*params);
    users.saveParams(*params);
    QCOMPARE(p->departments[1].name.bytes, departments0[1].name.bytes);
    QCOMPARE(p->users[0].name.bytes, users0[0].name.bytes);
}

void TestShownWritten::departmentTaxBitsKept()
{
    std::unique_ptr<DeviceParams> params = makeParams(52);
    params->departments[0].taxSystems = 0x03; // shown as its lowest system
    DeptTab tab;
    tab.loadParams(*params);
    tab.saveParams(*params);
    QCOMPARE(params->departments[0].taxSystems, quint8(0x03));
}

void TestShownWritten::receiptBlockKeptUnlessEdited()
{
    std::unique_ptr<DeviceParams> params = makeParams(52);
    params->receiptHeader.setLines({ "Магазин", "Добро пожаловать" });
    const QByteArray stored = params->receiptHeader.value();
    DesignTab tab;
    tab.loadParams(*params);
    tab.saveParams(*params);
    QCOMPARE(params->receiptHeader.value(), stored);

    // Edited, the block is written as its six lines.
    auto *third = tab.findChild<QLineEdit *>("receiptHeader[2]");
    QVERIFY(third);
    third->setText("Ждём вас");
    tab.saveParams(*params);
    QCOMPARE(params->receiptHeader.lines(),
             QStringList({ "Магазин", "Добро пожаловать", "Ждём вас", "", "", "" }));
}

// The 2.53 connection timer's spin box starts at 40: a stored 30 shows as
// 30, stays 30, and the check names it.
void TestShownWritten::timerOutsideItsRangeKept()
{
    std::unique_ptr<DeviceParams> params = makeParams(53);
    auto *p = static_cast<DeviceParams53 *>(params.get());
    p->ofd.connectTimer = 30;
    OfdTab53 tab;
    tab.loadParams(*params);
    auto *timer = formField<QSpinBox>(&tab, "Таймер подключения:");
    QCOMPARE(timer->value(), 30);
    QVERIFY(
        findings(&tab).contains("Таймер подключения: значение 30 вне допустимого диапазона от 40 до 3600"));
    tab.saveParams(*params);
    QCOMPARE(p->ofd.connectTimer, qint16(30));

    timer->setValue(45);
    tab.saveParams(*params);
    QCOMPARE(p->ofd.connectTimer, qint16(45));
}

void TestShownWritten::cellEditorsTakeTheFieldsLimit_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("limit");
    QTest::newRow("2.52 name") << 52 << 0 << 14;
    QTest::newRow("2.53 name") << 53 << 0 << 14;
    QTest::newRow("2.53 barcode") << 53 << 2 << 13;
    QTest::newRow("2.53 taxpayer number") << 53 << 3 << 12;
    QTest::newRow("2.53 full name") << 53 << 4 << 64;
}

// A name typed longer than the field is cut where it is typed, not
// silently on saving; what the editor took is what is stored.
void TestShownWritten::cellEditorsTakeTheFieldsLimit()
{
    QFETCH(int, family);
    QFETCH(int, column);
    QFETCH(int, limit);
    std::unique_ptr<DeviceParams> params = makeParams(family);
    std::unique_ptr<UserTab> tab;
    if (family == 52)
        tab = std::make_unique<UserTab52>();
    else
        tab = std::make_unique<UserTab53>();
    tab->loadParams(*params);
    tab->show();
    QTableView *view = tab->view();
    const QModelIndex cell = view->model()->index(0, column);
    auto *edit = openEditor<QLineEdit>(view, cell);
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), limit);
    const QString typed(limit + 11, QChar(column == 0 || column == 4 ? 0x0416 : '7'));
    edit->setText(typed);
    QCOMPARE(edit->text().size(), limit);
    finish(view, cell, edit);
    QCOMPARE(cell.data(Qt::EditRole).toString().size(), limit);
}

void TestShownWritten::barcode52ShowsWhatIsStored_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("finding");
    QTest::newRow("letters are not typed; 4 digits gain their check digit") << "ABC1234"
                                                                            << "12348" << true;
    QTest::newRow("11 digits: shown as the UPC-A code stored") << "46012345670"
                                                               << "460123456700" << false;
    // Its last digit is the check digit of the ten before it: stored as those ten.
    QTest::newRow("11 digits ending in their check digit") << "46012345678"
                                                           << "46012345678" << true;
    QTest::newRow("EAN-13 with its check digit") << "4601234567893"
                                                 << "4601234567893" << false;
    QTest::newRow("cleared") << ""
                             << "" << false;
}

// The cell shows at once what the register will hold, and a code that is
// then no EAN-8, UPC-A or EAN-13 is reported.
void TestShownWritten::barcode52ShowsWhatIsStored()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, finding);
    std::unique_ptr<DeviceParams> params = makeParams(52);
    UserTab52 tab;
    tab.loadParams(*params);
    tab.show();
    QTableView *view = tab.view();
    const QModelIndex cell = view->model()->index(1, 2);
    auto *edit = openEditor<QLineEdit>(view, cell);
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, typed);
    finish(view, cell, edit);
    QCOMPARE(cell.data().toString(), shown);

    const QString name = view->model()->index(1, 0).data().toString();
    const QString text
        = QString("Штрихкод пользователя %1 содержит некорректное значение %2").arg(name, shown);
    QCOMPARE(findings(&tab).contains(text), finding);
    tab.saveParams(*params);
    auto *p = static_cast<DeviceParams52 *>(params.get());
    QCOMPARE(p->users[1].barcode.barcode(), shown);
}

void TestShownWritten::readOnlySerialLooksSo()
{
    RegistrationTab53 tab;
    auto *serial = tab.findChild<QLineEdit *>("registrationIds.serialNumber");
    auto *regNumber = tab.findChild<QLineEdit *>("registrationIds.regNumber");
    QVERIFY(serial && regNumber);
    QVERIFY(serial->isReadOnly());
    QVERIFY(!serial->toolTip().isEmpty());
    // Not drawn as an input: no frame, the window's colour behind the text.
    QVERIFY(!serial->hasFrame());
    QCOMPARE(serial->palette().color(QPalette::Base), serial->palette().color(QPalette::Window));
    QVERIFY(regNumber->hasFrame());
    QVERIFY(regNumber->palette().color(QPalette::Base) != regNumber->palette().color(QPalette::Window));
}

void TestShownWritten::rowsKeepTheirHeight()
{
    std::unique_ptr<DeviceParams> params = makeParams(53);
    UserTab53 tab;
    tab.loadParams(*params);
    tab.resize(800, 500);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    QTableView *view = tab.view();
    const int height = view->rowHeight(0);
    commit(view, view->model()->index(0, 4), QString(60, QChar(0x0416)) + " " + QString(3, QChar(0x0416)));
    QApplication::processEvents();
    QCOMPARE(view->rowHeight(0), height);
}

QTEST_MAIN(TestShownWritten)
#include "tst_shownwritten.moc"

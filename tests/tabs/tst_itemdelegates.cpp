#include "tabs/checkboxitemdelegate.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/textitemdelegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

// A table with one column per delegate under test, shown and active.
struct DelegateTable
{
    enum Column { Name, Note, Choice, Flag };

    DelegateTable()
    {
        view.setModel(&model);
        view.setItemDelegateForColumn(Name, &name);
        view.setItemDelegateForColumn(Note, &note);
        view.setItemDelegateForColumn(Choice, &choice);
        view.setItemDelegateForColumn(Flag, &flag);
        view.resize(600, 200);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
    }

    QModelIndex cell(int column) const { return model.index(0, column); }

    QStandardItemModel model { 2, 4 };
    TextItemDelegate name { 6, false };
    TextItemDelegate note { 6, true };
    ComboBoxItemDelegate choice { { "НДС 20%", "НДС 10%", "НДС 0%" }, 1 };
    CheckBoxItemDelegate flag;
    QTableView view;
};

// Counts the times a widget is shown.
struct ShowCounter : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        shows += event->type() == QEvent::Show;
        return false;
    }
    int shows = 0;
};

class TestItemDelegates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textCell_data();
    void textCell();
    void comboCell_data();
    void comboCell();
    void checkBoxEvent_data();
    void checkBoxEvent();
    void indicatorCentred_data();
    void indicatorCentred();
    void checkBoxPaintsOnlyTheIndicator();
};

void TestItemDelegates::initTestCase()
{
    // An indicator of odd size (13 pixels) shows how the centre is rounded.
    QApplication::setStyle("Windows");
}

void TestItemDelegates::textCell_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("cleared, empty not allowed: old value kept") << int(DelegateTable::Name) << ""
                                                                << "Иванов";
    QTest::newRow("cleared, empty allowed: emptied") << int(DelegateTable::Note) << ""
                                                     << "";
    QTest::newRow("typed past the limit: cut") << int(DelegateTable::Name) << "Петровский"
                                               << "Петров";
}

void TestItemDelegates::textCell()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    DelegateTable t;
    t.model.setData(t.cell(column), "Иванов");

    t.view.setCurrentIndex(t.cell(column));
    t.view.edit(t.cell(column));
    QPointer<QLineEdit> edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("Иванов"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    edit->insert(typed); // as typed: the editor's length limit applies
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY(!edit);

    QCOMPARE(t.cell(column).data(Qt::EditRole).toString(), stored);
}

void TestItemDelegates::comboCell_data()
{
    // Stored value, the entry current when the cell opens, keys pressed in
    // the open list, and the value stored once the cell is left.
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("stored");
    QTest::newRow("value selects entry value - offset") << 2 << 1 << "Down Return" << 3;
    QTest::newRow("first entry stores the offset") << 3 << 2 << "Up Up Return" << 1;
    QTest::newRow("value below the offset selects none") << 0 << -1 << "Return" << 1;
    QTest::newRow("value beyond the list selects none") << 4 << -1 << "Down Return" << 2;
    QTest::newRow("no entry, list closed without a choice: value kept") << 4 << -1 << "Escape" << 4;
    QTest::newRow("entry, list closed without a choice: value kept") << 2 << 1 << "Escape" << 2;
}

void TestItemDelegates::comboCell()
{
    QFETCH(int, value);
    QFETCH(int, shown);
    QFETCH(QString, keys);
    QFETCH(int, stored);
    DelegateTable t;
    const QModelIndex cell = t.cell(DelegateTable::Choice);
    t.model.setData(cell, value);

    t.view.setCurrentIndex(cell);
    t.view.edit(cell);
    QPointer<QComboBox> combo = t.view.findChild<QComboBox *>();
    QVERIFY(combo);
    // Dropped down at once, with the stored value's entry current.
    QVERIFY(combo->view()->isVisible());
    QVERIFY(QApplication::activePopupWidget());
    QCOMPARE(combo->currentIndex(), shown);

    ShowCounter reopened;
    combo->view()->window()->installEventFilter(&reopened);
    const QMap<QString, Qt::Key> keyOf { { "Up", Qt::Key_Up },
                                         { "Down", Qt::Key_Down },
                                         { "Return", Qt::Key_Return },
                                         { "Escape", Qt::Key_Escape } };
    for (const QString &key : keys.split(' '))
        QTest::keyClick(combo->view(), keyOf.value(key));
    // A choice made in the list ends the edit by itself; a list closed
    // without one leaves the editor open until the cell is left.
    if (keys.endsWith("Escape")) {
        QTRY_VERIFY(!combo->view()->isVisible());
        QVERIFY(combo);
        QTest::keyClick(combo, Qt::Key_Return); // leaves the cell
    }
    QTRY_VERIFY(!combo);

    QCOMPARE(cell.data(Qt::EditRole).toInt(), stored);
    // Storing the choice did not drop the list down again.
    QCOMPARE(reopened.shows, 0);
}

void TestItemDelegates::checkBoxEvent_data()
{
    // What the user does to the check cell, whether the cell can be checked,
    // and whether its state flips.
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("click on the indicator") << "click centre" << true << true;
    QTest::newRow("click on the indicator's first pixel") << "click indicator corner" << true << true;
    QTest::newRow("click beside the indicator") << "click beside" << true << false;
    QTest::newRow("click in the cell's corner") << "click corner" << true << false;
    QTest::newRow("space") << "space" << true << true;
    QTest::newRow("select key") << "select" << true << true;
    QTest::newRow("another key") << "x" << true << false;
    QTest::newRow("double-click beside the indicator") << "double-click beside" << true << false;
    QTest::newRow("click on a cell that cannot be checked") << "click centre" << false << false;
    QTest::newRow("space on a cell that cannot be checked") << "space" << false << false;
}

void TestItemDelegates::checkBoxEvent()
{
    QFETCH(QString, action);
    QFETCH(bool, checkable);
    QFETCH(bool, toggles);
    DelegateTable t;
    t.view.setColumnWidth(DelegateTable::Flag, 120);
    QStandardItem *item = t.model.item(0, DelegateTable::Flag);
    if (!item) {
        item = new QStandardItem;
        t.model.setItem(0, DelegateTable::Flag, item);
    }
    item->setEditable(false);
    item->setCheckable(checkable);
    item->setData(Qt::Checked, Qt::CheckStateRole);

    const QModelIndex cell = t.cell(DelegateTable::Flag);
    t.view.setCurrentIndex(cell);
    const QRect rect = t.view.visualRect(cell);
    const QRect indicator = CheckBoxItemDelegate::indicatorRect(rect);
    QVERIFY(rect.contains(indicator));
    QWidget *viewport = t.view.viewport();
    if (action == "click centre")
        QTest::mouseClick(viewport, Qt::LeftButton, {}, indicator.center());
    else if (action == "click indicator corner")
        QTest::mouseClick(viewport, Qt::LeftButton, {}, indicator.topLeft());
    else if (action == "click beside")
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(indicator.left() - 1, indicator.center().y()));
    else if (action == "click corner")
        QTest::mouseClick(viewport, Qt::LeftButton, {}, rect.topLeft() + QPoint(2, 2));
    else if (action == "double-click beside")
        QTest::mouseDClick(viewport, Qt::LeftButton, {},
                           QPoint(indicator.right() + 1, indicator.center().y()));
    else if (action == "space")
        QTest::keyClick(&t.view, Qt::Key_Space);
    else if (action == "select") {
        QKeyEvent select(QEvent::KeyPress, Qt::Key_Select, Qt::NoModifier);
        QApplication::sendEvent(&t.view, &select);
    } else
        QTest::keyClick(&t.view, Qt::Key_X);

    QCOMPARE(cell.data(Qt::CheckStateRole).toInt(), int(toggles ? Qt::Unchecked : Qt::Checked));
}

void TestItemDelegates::indicatorCentred_data()
{
    // The indicator is 13x13; each half is rounded down on its own, so an
    // even cell puts it one pixel further right and down than (cell - 13) / 2.
    QTest::addColumn<QRect>("cell");
    QTest::addColumn<QRect>("indicator");
    QTest::newRow("even cell") << QRect(0, 0, 100, 30) << QRect(44, 9, 13, 13);
    QTest::newRow("odd cell, offset") << QRect(10, 20, 101, 31) << QRect(54, 29, 13, 13);
    QTest::newRow("cell narrower than the indicator") << QRect(0, 0, 8, 8) << QRect(-2, -2, 13, 13);
}

void TestItemDelegates::indicatorCentred()
{
    QFETCH(QRect, cell);
    QFETCH(QRect, indicator);
    QCOMPARE(CheckBoxItemDelegate::indicatorRect(cell), indicator);
}

void TestItemDelegates::checkBoxPaintsOnlyTheIndicator()
{
    QStandardItemModel model(1, 1);
    const QModelIndex cell = model.index(0, 0);
    CheckBoxItemDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 60, 24);
    option.state = QStyle::State_Enabled | QStyle::State_Selected; // no highlight either way
    const QRect indicator = CheckBoxItemDelegate::indicatorRect(option.rect);

    auto render = [&](bool value) {
        model.setData(cell, value, Qt::DisplayRole);
        QImage image(option.rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        delegate.paint(&painter, option, cell);
        return image;
    };
    const QImage on = render(true);
    const QImage off = render(false);

    for (int y = 0; y < on.height(); ++y) {
        for (int x = 0; x < on.width(); ++x) {
            if (!indicator.contains(x, y)) {
                QCOMPARE(on.pixel(x, y), qRgb(255, 255, 255));
                QCOMPARE(off.pixel(x, y), qRgb(255, 255, 255));
            }
        }
    }
    QVERIFY(on.copy(indicator) != off.copy(indicator));
}

QTEST_MAIN(TestItemDelegates)
#include "tst_itemdelegates.moc"

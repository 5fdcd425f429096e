#include "goodstestutil.h"
#include "support/modalanswer.h"
#include "support/testdatahome.h"
#include "support/testsettings.h"

#include "app/appsettings.h"
#include "goods/goodscsv.h"
#include "goods/goodsimage.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "history/snapshotstore.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "params/deviceparams53.h"
#include "params/deviceprofile.h"
#include "sim/registersimulator.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/textitemdelegate.h"
#include "window/goodsissuewidget.h"
#include "window/issuelistmodel.h"
#include "window/snapshothistorydialog.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <numeric>
#include <random>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.61");
const QString Serial = QStringLiteral("0530000061");
const QStringList Departments
    = { QStringLiteral("Бакалея"), QStringLiteral("Молочный"), QStringLiteral("Хлеб") };

Goods item(const QString &name, double price, const QString &intcode = QStringLiteral("1"))
{
    Goods g;
    g.name = name;
    g.intcode = intcode;
    g.price = price;
    return g;
}

// Rows "r0", "r1", ... whose price order is a shuffle of their catalogue order.
GoodsList shuffledPrices(int count)
{
    std::vector<int> places(static_cast<size_t>(count));
    std::iota(places.begin(), places.end(), 0);
    std::shuffle(places.begin(), places.end(), std::mt19937(7));
    GoodsList rows;
    for (int i = 0; i < count; ++i)
        rows.append(item(QStringLiteral("r%1").arg(i), places[size_t(i)] + 0.5));
    return rows;
}

// Rows 1..n, codes "1".."n": no row repeats another.
GoodsList numberedRows(int n)
{
    GoodsList rows;
    for (int i = 1; i <= n; ++i)
        rows.append(item(QStringLiteral("Товар %1").arg(i), i, QString::number(i)));
    return rows;
}

QStringList names(const GoodsList &rows)
{
    QStringList out;
    for (const Goods &g : rows)
        out << g.name;
    return out;
}

QStringList viewNames(const GoodsWindow &w)
{
    QStringList out;
    for (int r = 0; r < w.proxy()->rowCount(); ++r)
        out << w.proxy()->index(r, GoodsNameColumn).data().toString();
    return out;
}

QStringList findingTexts(const GoodsWindow &w)
{
    QStringList out;
    if (!w.issueWidget())
        return out;
    const IssueListModel *m = w.issueWidget()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r).data().toString();
    return out;
}

// Pages the register was asked to write.
int pagesWritten(const Sim &sim)
{
    int pages = 0;
    for (const Sim::Request &r : sim.requestLog())
        if (r.command == Frame::CmdWritePages)
            pages += r.args.value(1);
    return pages;
}

std::unique_ptr<Sim> startRegister(int goodsPages = -1)
{
    Sim::Config config;
    config.serial = Serial;
    config.discoveryPort = 0;
    config.goodsPages = goodsPages;
    // A register reports no more rows than its area holds (record 0 is the header).
    if (goodsPages > 0)
        config.goodsCapacity = 2 * goodsPages - 1;
    auto sim = std::make_unique<Sim>(config);
    if (!sim->listen(QHostAddress(Host)))
        return nullptr;
    return sim;
}

} // namespace

class TestGoodsWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void setupLoadsProfileAndEditors();
    void profileSaveRefusesNegativePrice();
    void profileSaveRefusesAnUnstorableSerial();
    void removalMapsViewRowsToModelRows_data();
    void removalMapsViewRowsToModelRows();
    void rowCountAgainstCapacity_data();
    void rowCountAgainstCapacity();
    void findingsDroppedWhenRowsMove_data();
    void findingsDroppedWhenRowsMove();
    void contextMenuOffersRemovalOnlyWithRows();
    void deleteKeyRemovesRowsNotTextBeingEdited();
    void failedCsvLoadLeavesTable_data();
    void failedCsvLoadLeavesTable();
    void csvSaveFailureNamesTheFile();
    void exportOutcomes_data();
    void exportOutcomes();
    void writeAsksBeforeRemovingRows_data();
    void writeAsksBeforeRemovingRows();
    void writeAsksWhenTheCheckFindsProblems_data();
    void writeAsksWhenTheCheckFindsProblems();
    void importRefusesAnotherRegister();
    void unsavedEditsAreAskedFor_data();
    void unsavedEditsAreAskedFor();
    void filterFindsRows();
    void removalAsksAndUndoes_data();
    void removalAsksAndUndoes();
    void checkUsesTheRegistersSettings();
    void titleAndPriceColumn();
    void writeThenReadGivesSameRows();
    void failedImportKeepsRows();
    void historyRestoresWhatTheRegisterHeld();

private:
    TestSettingsDir m_store;
    QTemporaryDir m_dir;
    bool m_silent = false;
};

void TestGoodsWindow::initTestCase()
{
    AppSettings::applyIdentity();
}

void TestGoodsWindow::init()
{
    m_store.clear();
    m_silent = false;
    // Only the simulated register's address answers; nothing is pinged.
    Reachability::setPingFunction(
        [this](const QString &address, int) { return !m_silent && address == Host ? 0 : 1; });
}

void TestGoodsWindow::cleanup()
{
    Reachability::setPingFunction({});
}

void TestGoodsWindow::setupLoadsProfileAndEditors()
{
    const GoodsList rows = randomGoods(7, 11);
    QVERIFY(DeviceProfile().saveGoods(Serial, buildGoodsImage(rows, false)));
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    QCOMPARE(w.windowTitle(), QStringLiteral("Номенклатура"));
    QCOMPARE(w.goodsCapacity(), 2000);
    COMPARE_GOODS(w.model()->goods(), rows);
    QCOMPARE(viewNames(w), names(rows)); // catalogue order until a header is clicked
    QCOMPARE(w.model()->departments(), Departments);
    QVERIFY(qobject_cast<TextItemDelegate *>(w.view()->itemDelegateForColumn(GoodsNameColumn)));
    QVERIFY(qobject_cast<ComboBoxItemDelegate *>(w.view()->itemDelegateForColumn(GoodsDeptColumn)));
    // Round prices keep their decimals instead of the default "1e+06".
    auto *price = qobject_cast<QStyledItemDelegate *>(w.view()->itemDelegateForColumn(GoodsPriceColumn));
    QVERIFY(price);
    QCOMPARE(price->displayText(1000000.0, QLocale::c()), QStringLiteral("1000000.00"));

    // An edit saved to the profile is what the next window shows.
    QVERIFY(w.model()->setData(w.model()->index(3, GoodsNameColumn), QStringLiteral("Кефир")));
    w.onProfileExport();
    GoodsWindow next;
    next.setup(Serial, 0, Host, 8080, Departments);
    QCOMPARE(next.model()->goods().at(3).name, QStringLiteral("Кефир"));

    // A register without a stored catalogue opens empty.
    GoodsWindow other;
    other.setup(QStringLiteral("0530000099"), 10, Host, 8080, Departments);
    QCOMPARE(other.model()->rowCount(), 0);
    QCOMPARE(other.goodsCapacity(), 10);
}

// The image's price field is unsigned: the window names the row as shown and
// keeps the stored profile as it was.
void TestGoodsWindow::profileSaveRefusesNegativePrice()
{
    const GoodsList stored = { item("Молоко", 10) };
    QVERIFY(DeviceProfile().saveGoods(Serial, buildGoodsImage(stored, false)));
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    w.model()->setGoods({ item("Б", 1), item("А", -2.5) });
    w.view()->sortByColumn(GoodsNameColumn, Qt::AscendingOrder); // row "А" is shown first
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Ok);
    w.onProfileExport();
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, QStringLiteral("Сохранение профиля"));
    QVERIFY2(boxes.first().text.startsWith(QStringLiteral("Строку 1 ")), qPrintable(boxes.first().text));
    QVERIFY(boxes.first().text.contains(QStringLiteral("Профиль не изменён.")));
    QByteArray image;
    DeviceProfile().loadGoods(Serial, image);
    COMPARE_GOODS(parseGoodsImage(image), stored);
}

// A register listed in an older store under a serial that cannot key a
// profile: the save says why and stores nothing, and closing with Yes to
// the question keeps the window.
void TestGoodsWindow::profileSaveRefusesAnUnstorableSerial()
{
    const GoodsList stored = { item("Молоко", 10) };
    QVERIFY(DeviceProfile().saveGoods(Serial, buildGoodsImage(stored, false)));
    const QString serial = "/" + Serial;
    auto w = std::make_unique<GoodsWindow>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->setup(serial, 0, Host, 8080, Departments);
    w->show();
    w->model()->setGoods({ item("Кефир", 20) });
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Ok);
    w->onProfileExport();
    answers.thenButton(QMessageBox::Yes);
    answers.thenButton(QMessageBox::Ok);
    QVERIFY(!w->close());

    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 3);
    for (int k : { 0, 2 }) {
        QCOMPARE(boxes.at(k).icon, QMessageBox::Warning);
        QCOMPARE(boxes.at(k).title, QStringLiteral("Сохранение профиля"));
        QCOMPARE(boxes.at(k).text,
                 DeviceProfile::keyRefusal(serial) + QStringLiteral(". Профиль не сохранён."));
    }
    QVERIFY(w->isVisible());
    QVERIFY(w->hasUnsavedChanges());
    QCOMPARE(DeviceProfile().keys(), QStringList(Serial));
    QByteArray image;
    DeviceProfile().loadGoods(Serial, image);
    COMPARE_GOODS(parseGoodsImage(image), stored);
}

void TestGoodsWindow::removalMapsViewRowsToModelRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<QPoint>>("cells"); // x: column, y: view row, in a view sorted by price

    QTest::newRow("view rows 2 and 5") << 8 << QList<QPoint> { { 0, 1 }, { 2, 4 } };
    QTest::newRow("several cells of one row") << 8 << QList<QPoint> { { 0, 2 }, { 1, 2 }, { 4, 2 } };
    QList<QPoint> everyOther;
    for (int r = 0; r < 300; r += 2)
        everyOther << QPoint(3, r);
    QTest::newRow("150 scattered rows") << 300 << everyOther;
}

void TestGoodsWindow::removalMapsViewRowsToModelRows()
{
    QFETCH(int, rows);
    QFETCH(QList<QPoint>, cells);
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    const GoodsList catalogue = shuffledPrices(rows);
    w.model()->setGoods(catalogue);
    w.view()->sortByColumn(GoodsPriceColumn, Qt::AscendingOrder);
    const QStringList shown = viewNames(w);
    QVERIFY(shown != names(catalogue));

    QStringList expected = names(catalogue);
    QItemSelection selection;
    for (const QPoint &cell : cells) {
        const QModelIndex index = w.proxy()->index(cell.y(), cell.x());
        selection.select(index, index);
        expected.removeOne(shown.at(cell.y()));
    }
    w.view()->selectionModel()->select(selection, QItemSelectionModel::Select);
    ModalAnswerer answers; // more than a few rows are asked for
    answers.thenButton(QMessageBox::Yes);
    w.onRemoveGoods();
    QCOMPARE(names(w.model()->goods()), expected);
}

void TestGoodsWindow::rowCountAgainstCapacity_data()
{
    QTest::addColumn<int>("capacity"); // as the device window hands it over
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("findings");

    const QStringList tooMany = { QStringLiteral("Количество строк 2000 превышает лимит 1999") };
    QTest::newRow("2000: 1999 rows fit") << 2000 << 1999 << QStringList();
    QTest::newRow("2000: 2000 rows are too many") << 2000 << 2000 << tooMany;
    QTest::newRow("0 means 2000") << 0 << 2000 << tooMany;
}

void TestGoodsWindow::rowCountAgainstCapacity()
{
    QFETCH(int, capacity);
    QFETCH(int, rows);
    QFETCH(QStringList, findings);
    GoodsWindow w;
    w.setup(Serial, capacity, Host, 8080, Departments);
    w.model()->setGoods(numberedRows(rows));
    w.onValidate();
    QVERIFY(w.issueWidget());
    QVERIFY(!w.issueWidget()->isHidden());
    QCOMPARE(findingTexts(w), findings);
}

namespace {
enum RowMove { SortByHeader, EditResortsRow, RemoveRow, AppendRow, InsertFirstRow, LoadCsv, EditUnsorted };
}

void TestGoodsWindow::findingsDroppedWhenRowsMove_data()
{
    QTest::addColumn<int>("sortColumn"); // before the check; -1: catalogue order
    QTest::addColumn<int>("move");
    QTest::addColumn<bool>("dropped");

    QTest::newRow("sort by a column header") << -1 << int(SortByHeader) << true;
    QTest::newRow("edit moves a row of a sorted view") << int(GoodsNameColumn) << int(EditResortsRow) << true;
    QTest::newRow("row removed") << -1 << int(RemoveRow) << true;
    QTest::newRow("row inserted above others") << -1 << int(InsertFirstRow) << true;
    QTest::newRow("CSV file loaded") << -1 << int(LoadCsv) << true;
    QTest::newRow("row appended at the end") << -1 << int(AppendRow) << false;
    QTest::newRow("edit in catalogue order") << -1 << int(EditUnsorted) << false;
}

void TestGoodsWindow::findingsDroppedWhenRowsMove()
{
    QFETCH(int, sortColumn);
    QFETCH(int, move);
    QFETCH(bool, dropped);
    const QString csv = m_dir.filePath(QStringLiteral("rows.csv"));
    QVERIFY(saveGoodsCsv(csv, { item("Кефир", 2) }));
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    // Every row has a finding: no internal code.
    w.model()->setGoods({ item("В", 3, QString()), item("Б", 2, QString()), item("А", 1, QString()) });
    if (sortColumn >= 0)
        w.view()->sortByColumn(sortColumn, Qt::AscendingOrder);
    w.onValidate();
    QCOMPARE(findingTexts(w).size(), 3);

    switch (RowMove(move)) {
    case SortByHeader:
        QTest::mouseClick(
            w.view()->horizontalHeader()->viewport(), Qt::LeftButton, {},
            QPoint(w.view()->horizontalHeader()->sectionViewportPosition(GoodsPriceColumn) + 5, 5));
        QCOMPARE(w.proxy()->sortColumn(), int(GoodsPriceColumn));
        break;
    case EditResortsRow:
        QVERIFY(w.proxy()->setData(w.proxy()->index(0, GoodsNameColumn), QStringLiteral("Я")));
        QCOMPARE(viewNames(w), (QStringList { "Б", "В", "Я" }));
        break;
    case RemoveRow:
        w.view()->selectionModel()->select(w.proxy()->index(1, 0), QItemSelectionModel::Select);
        w.onRemoveGoods();
        break;
    case AppendRow:
        w.onAppendGoods();
        break;
    case InsertFirstRow:
        QVERIFY(w.model()->insertRows(0, 1));
        break;
    case LoadCsv: {
        ModalAnswerer answers; // over rows not saved
        answers.thenButton(QMessageBox::Yes);
        QVERIFY(w.loadFile(csv));
        QCOMPARE(viewNames(w), QStringList { "Кефир" });
        break;
    }
    case EditUnsorted:
        QVERIFY(w.proxy()->setData(w.proxy()->index(0, GoodsNameColumn), QStringLiteral("Я")));
        break;
    }
    QCOMPARE(findingTexts(w).isEmpty(), dropped);
}

void TestGoodsWindow::contextMenuOffersRemovalOnlyWithRows()
{
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto offered = [&] {
        QStringList texts;
        QTimer::singleShot(50, this, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : menu->actions())
                    texts << a->text() + QLatin1Char(' ') + a->shortcut().toString();
                menu->close();
            }
        });
        w.onTableMenu(QPoint(10, 10));
        return texts;
    };
    QCOMPARE(offered(), QStringList { "Добавить товар Ins" });
    w.model()->setGoods({ item("Молоко", 1) });
    QCOMPARE(offered(), (QStringList { "Добавить товар Ins", "Убрать товар Del" }));
}

// Delete on the table removes the selected row; Delete in a cell being
// edited deletes a character, never the row.
void TestGoodsWindow::deleteKeyRemovesRowsNotTextBeingEdited()
{
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    w.model()->setGoods({ item("Молоко", 1), item("Кефир", 2), item("Хлеб", 3) });
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    const QModelIndex name = w.proxy()->index(0, GoodsNameColumn);
    w.view()->setFocus();
    w.view()->setCurrentIndex(name);
    w.view()->edit(name);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(editor->text(), QStringLiteral("олоко"));
    QCOMPARE(w.model()->rowCount(), 3);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(w.model()->goods().at(0).name, QStringLiteral("олоко")); // committed queued

    w.view()->selectionModel()->select(w.proxy()->index(1, GoodsPriceColumn),
                                       QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(w.view(), Qt::Key_Delete);
    QCOMPARE(names(w.model()->goods()), (QStringList { "олоко", "Хлеб" }));
    QTest::keyClick(w.view(), Qt::Key_Insert);
    QCOMPARE(w.model()->rowCount(), 3);
}

void TestGoodsWindow::failedCsvLoadLeavesTable_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no such file
    QTest::addColumn<QStringList>("says");

    QTest::newRow("reader error, with a Russian line")
        << QByteArray("name;intcode;price;dept\n\"Хлеб\";1;2;1\n")
        << QStringList { "Файл не загружен", "Missing column \"barcode\" in header of file" };
    QTest::newRow("price with a currency sign")
        << QByteArray("name;intcode;barcode;price;dept\nA;1;;12р;1\n")
        << QStringList { "Файл не загружен", "contains an invalid digit in column \"price\"" };
    QTest::newRow("file that cannot be opened")
        << QByteArray() << QStringList { "Не удалось открыть файл", "missing.csv" };
}

void TestGoodsWindow::failedCsvLoadLeavesTable()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, says);
    QString path = m_dir.filePath(QStringLiteral("missing.csv"));
    if (!content.isEmpty()) {
        path = m_dir.filePath(QStringLiteral("bad.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    const GoodsList before = randomGoods(5, 3);
    w.model()->setGoods(before);
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Yes); // replace the rows not saved
    answers.thenButton(QMessageBox::Ok);
    QVERIFY(!w.loadFile(path));
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.last().icon, QMessageBox::Warning);
    for (const QString &part : says)
        QVERIFY2(boxes.last().text.contains(part), qPrintable(boxes.last().text));
    COMPARE_GOODS(w.model()->goods(), before);
}

void TestGoodsWindow::csvSaveFailureNamesTheFile()
{
    const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString path = blocker + QStringLiteral("/goods.csv"); // its folder is a file
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    w.model()->setGoods({ item("Молоко", 1) });
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Ok);
    QVERIFY(!w.saveFile(path));
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    // The name and the reason, in Russian throughout.
#ifdef Q_OS_WIN
    // Windows says only that the path is not there.
    const QString reason = QStringLiteral("нет такого файла или папки");
#else
    const QString reason = QStringLiteral("часть пути — не папка, а файл");
#endif
    QCOMPARE(boxes.first().text,
             QStringLiteral("Не удалось открыть файл \"%1\" для записи: %2").arg(path, reason));
}

namespace {
enum ExportCase { Plain, OtherRegister, OtherFamily, AreaTooSmall, Silent, FailsAfterFirstChunk };
const QString Version = QStringLiteral("2.53.12"); // the simulated register's
} // namespace

void TestGoodsWindow::exportOutcomes_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<GoodsList>("rows");
    QTest::addColumn<QStringList>("questions"); // answered "Да", in order, before the outcome
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("informative"); // a part of it
    QTest::addColumn<int>("pages"); // written

    QTest::newRow("empty table: asked, then one page")
        << int(Plain) << GoodsList()
        << QStringList { "В ККТ 0 строк, в таблице 0. Заменить номенклатуру ККТ?" }
        << int(QMessageBox::Information) << QStringLiteral("Выгрузка завершена успешно") << QString() << 1;
    QTest::newRow("another register answers: nothing written")
        << int(OtherRegister) << GoodsList { item("Молоко", 1) } << QStringList()
        << int(QMessageBox::Critical)
        << QStringLiteral("Заводской номер ККТ 0530000999 не совпадает с номером из профиля 0530000061")
        << resultExplanation(ErrSerialMismatch) << 0;
    // The register reports a capacity of 3 (two rows); the window knows it
    // before anything is written or kept.
    QTest::newRow("more rows than the register holds")
        << int(AreaTooSmall)
        << GoodsList { item("Молоко", 1, "1"), item("Кефир", 1, "2"), item("Хлеб", 1, "3") }
        << QStringList { "В номенклатуре найдены проблемы (1). Выгрузить в ККТ всё равно?" }
        << int(QMessageBox::Warning)
        << QStringLiteral("Таблица не помещается в память товаров ККТ: строк 3, ёмкость ККТ 2. В ККТ ничего "
                          "не записано.")
        << QStringLiteral("Уберите лишние строки") << 0;
    QTest::newRow("another family answers: nothing written")
        << int(OtherFamily) << GoodsList { item("Молоко", 1) } << QStringList() << int(QMessageBox::Critical)
        << QStringLiteral("Версия ККТ 2.53.12 не совпадает с версией из профиля 2.52.40")
        << resultExplanation(ErrFamilyMismatch) << 0;
    QTest::newRow("negative price: nothing sent")
        << int(Plain) << GoodsList { item("Молоко", 1), item("Кефир", -0.5, "2") } << QStringList()
        << int(QMessageBox::Warning)
        << QStringLiteral(
               "Строку 2 нельзя записать как есть (столбец «Цена»): цена -0.50: допустимы цены от 0 "
               "и меньше 10^15. В ККТ ничего не записано.")
        << QString() << 0;
    // It would arrive as department 231.
    Goods dept999 = item("Кефир", 1, "2");
    dept999.dept = 999;
    QTest::newRow("department beyond a byte: nothing sent")
        << int(Plain) << GoodsList { item("Молоко", 1), dept999 } << QStringList()
        << int(QMessageBox::Warning)
        << QStringLiteral("Строку 2 нельзя записать как есть (столбец «Отдел»): отдел 999: номер отдела в "
                          "записи ККТ занимает один байт (от 0 до 255). В ККТ ничего не записано.")
        << QString() << 0;
    QTest::newRow("name longer than its field: nothing sent")
        << int(Plain) << GoodsList { item(QString(85, QLatin1Char('x')), 1) } << QStringList()
        << int(QMessageBox::Warning)
        << QStringLiteral(
               "Строку 1 нельзя записать как есть (столбец «Наименование»): наименование длиннее 84 "
               "байт в кодировке Windows-1251 (85 байт). В ККТ ничего не записано.")
        << QString() << 0;
    // Seven rows: five pages, four in the first write. The register may now
    // hold part of the new catalogue, and the box says so.
    QTest::newRow("write failing after its first pages")
        << int(FailsAfterFirstChunk) << numberedRows(7) << QStringList() << int(QMessageBox::Warning)
        << QStringLiteral("Ошибка выгрузки. -5") << resultExplanation(ErrBadReply, true) << 4;
    QTest::newRow("silent address") << int(Silent) << GoodsList { item("Молоко", 1) } << QStringList()
                                    << int(QMessageBox::Warning)
                                    << QStringLiteral("ККТ по адресу 127.0.0.61 не доступен") << QString()
                                    << 0;
}

void TestGoodsWindow::exportOutcomes()
{
    QFETCH(int, setting);
    QFETCH(GoodsList, rows);
    QFETCH(QStringList, questions);
    QFETCH(int, icon);
    QFETCH(QString, text);
    QFETCH(QString, informative);
    QFETCH(int, pages);
    TestDataHome data;
    const auto sim = startRegister(setting == AreaTooSmall ? 2 : -1);
    QVERIFY(sim);
    if (setting == OtherRegister)
        sim->setConnectionSerials({ QStringLiteral("0530000999") });
    // A copy of the first write's confirmation, right behind it.
    if (setting == FailsAfterFirstChunk)
        sim->addFault({ Sim::DuplicateReply, 3, Frame::CmdWritePages });
    m_silent = setting == Silent;
    const QByteArray area = sim->goodsArea();

    GoodsWindow w;
    w.setup(Serial, setting == AreaTooSmall ? 3 : 0, Host, sim->serverPort(), Departments);
    w.setFirmwareVersion(setting == OtherFamily ? QStringLiteral("2.52.40") : Version);
    w.model()->setGoods(rows);
    ModalAnswerer answers;
    for (int i = 0; i < questions.size(); ++i)
        answers.thenButton(QMessageBox::Yes);
    answers.thenButton(QMessageBox::Ok);
    w.onDeviceExport();

    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), questions.size() + 1);
    for (int i = 0; i < questions.size(); ++i)
        QCOMPARE(boxes.at(i).text, questions.at(i));
    QCOMPARE(boxes.last().title, QStringLiteral("Выгрузка в ККТ"));
    QCOMPARE(int(boxes.last().icon), icon);
    QCOMPARE(boxes.last().text, text);
    QVERIFY2(boxes.last().informative.contains(informative), qPrintable(boxes.last().informative));
    QCOMPARE(pagesWritten(*sim), pages);
    // A snapshot only where something was written; the dock only with findings.
    QCOMPARE(SnapshotStore().list(Serial).size(), pages > 0 ? 1 : 0);
    QCOMPARE(w.issueWidget() != nullptr, !questions.filter(QStringLiteral("проблемы")).isEmpty());
    QCOMPARE(sim->goodsArea().left(pages * 256), buildGoodsImage(rows, true).left(pages * 256));
    QCOMPARE(sim->goodsArea().mid(pages * 256), area.mid(pages * 256));
}

void TestGoodsWindow::writeAsksBeforeRemovingRows_data()
{
    QTest::addColumn<GoodsList>("table");
    QTest::addColumn<QString>("question"); // empty: none
    QTest::addColumn<int>("answer");

    const GoodsList held = numberedRows(17);
    QTest::newRow("empty table over 17 rows, no")
        << GoodsList() << "В ККТ 17 строк, в таблице 0. Заменить номенклатуру ККТ?" << int(QMessageBox::No);
    QTest::newRow("empty table over 17 rows, yes")
        << GoodsList() << "В ККТ 17 строк, в таблице 0. Заменить номенклатуру ККТ?" << int(QMessageBox::Yes);
    QTest::newRow("one row fewer") << held.mid(1)
                                   << "В ККТ 17 строк, в таблице 16. Заменить номенклатуру ККТ?"
                                   << int(QMessageBox::No);
    GoodsList more = held;
    more.append(item("Новый", 1, "18"));
    more[3].price = 99;
    QTest::newRow("rows added and changed, none removed: no question") << more << QString() << 0;
}

// The default answer is "Нет"; a write that does not go ahead keeps no snapshot.
void TestGoodsWindow::writeAsksBeforeRemovingRows()
{
    QFETCH(GoodsList, table);
    QFETCH(QString, question);
    QFETCH(int, answer);
    TestDataHome data;
    const auto sim = startRegister();
    QVERIFY(sim);
    const QByteArray held = buildGoodsImage(numberedRows(17), true);
    sim->setGoodsArea(held + sim->goodsArea().mid(held.size()));
    GoodsWindow w;
    w.setup(Serial, 0, Host, sim->serverPort(), Departments);
    w.setFirmwareVersion(Version);
    w.model()->setGoods(table);

    ModalAnswerer answers;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    if (!question.isEmpty()) {
        answers.thenOn<QMessageBox>([&](QMessageBox *box) {
            defaultButton = box->standardButton(box->defaultButton());
            box->done(answer); // as the button would
        });
    }
    answers.thenButton(QMessageBox::Ok);
    w.onDeviceExport();

    const auto boxes = answers.seenOf("QMessageBox");
    const bool written = question.isEmpty() || answer == QMessageBox::Yes;
    QCOMPARE(boxes.size(), written ? 1 + !question.isEmpty() : 1);
    if (!question.isEmpty()) {
        QCOMPARE(boxes.first().title, QStringLiteral("Выгрузка в ККТ"));
        QCOMPARE(boxes.first().text, question);
        QCOMPARE(defaultButton, QMessageBox::No);
    }
    if (written)
        QCOMPARE(boxes.last().text, QStringLiteral("Выгрузка завершена успешно"));
    QCOMPARE(pagesWritten(*sim) > 0, written);
    QCOMPARE(SnapshotStore().list(Serial).size(), written ? 1 : 0);
}

void TestGoodsWindow::writeAsksWhenTheCheckFindsProblems_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("question");
    QTest::newRow("to this register") << "actionDeviceExport"
                                      << "Выгрузить в ККТ всё равно?";
    QTest::newRow("to other registers") << "actionWriteToOthers"
                                        << "Записать в другие ККТ всё равно?";
}

void TestGoodsWindow::writeAsksWhenTheCheckFindsProblems()
{
    QFETCH(QString, action);
    QFETCH(QString, question);
    const auto sim = startRegister();
    QVERIFY(sim);
    GoodsWindow w;
    w.setup(Serial, 0, Host, sim->serverPort(), Departments);
    w.setFirmwareVersion(Version);
    w.model()->setGoods({ item("Молоко", 1, QString()), item("Кефир", 2, "2"), item("Хлеб", 3, "2") });
    w.show();
    ModalAnswerer answers;
    bool dockShown = false;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    answers.then([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) // a write that did not ask first: recorded, and closed
            return qobject_cast<QDialog *>(modal)->reject();
        dockShown = w.issueWidget() && w.issueWidget()->isVisible();
        defaultButton = box->standardButton(box->defaultButton());
        box->done(QMessageBox::No);
    });
    w.findChild<QAction *>(action)->trigger();
    // "Нет" ends it there: no other window follows the question.
    QCOMPARE(answers.seen().size(), 1);
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text, QStringLiteral("В номенклатуре найдены проблемы (2). ") + question);
    QCOMPARE(defaultButton, QMessageBox::No);
    QVERIFY(dockShown);
    QCOMPARE(findingTexts(w),
             QStringList({ "1. Внутренний код не задан",
                           "3. Внутренний код 2 повторяется: он уже есть в строке 2" }));
    QVERIFY(sim->requestLog().isEmpty()); // not even read
}

void TestGoodsWindow::importRefusesAnotherRegister()
{
    const auto sim = startRegister();
    QVERIFY(sim);
    const QByteArray other = buildGoodsImage({ item("Чужой товар", 1) }, true);
    sim->setGoodsArea(other + sim->goodsArea().mid(other.size()));
    sim->setConnectionSerials({ QStringLiteral("0530000999") });
    const GoodsList before = { item("Молоко", 10) };
    QVERIFY(DeviceProfile().saveGoods(Serial, buildGoodsImage(before, false)));
    GoodsWindow w;
    w.setup(Serial, 0, Host, sim->serverPort(), Departments);
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Ok);
    w.onDeviceImport();
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, QMessageBox::Critical);
    QCOMPARE(boxes.first().title, QStringLiteral("Загрузка из ККТ"));
    QCOMPARE(boxes.first().text,
             QStringLiteral("Заводской номер ККТ 0530000999 не совпадает с номером из профиля 0530000061"));
    COMPARE_GOODS(w.model()->goods(), before);
    QVERIFY(!w.hasUnsavedChanges());
}

namespace {
enum LossCase { CloseWindow, LoadCsvFile, ImportFromRegister };
}

void TestGoodsWindow::unsavedEditsAreAskedFor_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("answer"); // to the question, when one comes
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("replaced"); // the table (or, closing, the window) went
    QTest::addColumn<bool>("profileSaved");

    const QString save = QStringLiteral("Сохранить изменения в профиль?");
    const QString replace = QStringLiteral("Заменить несохранённые изменения?");
    QTest::newRow("close, nothing edited") << int(CloseWindow) << false << 0 << QString() << true << false;
    QTest::newRow("close, save") << int(CloseWindow) << true << int(QMessageBox::Yes) << save << true << true;
    QTest::newRow("close, do not save")
        << int(CloseWindow) << true << int(QMessageBox::No) << save << true << false;
    QTest::newRow("close, cancel") << int(CloseWindow) << true << int(QMessageBox::Cancel) << save << false
                                   << false;
    QTest::newRow("file over edits, no")
        << int(LoadCsvFile) << true << int(QMessageBox::No) << replace << false << false;
    QTest::newRow("file over edits, yes")
        << int(LoadCsvFile) << true << int(QMessageBox::Yes) << replace << true << false;
    QTest::newRow("file, nothing edited") << int(LoadCsvFile) << false << 0 << QString() << true << false;
    QTest::newRow("register over edits, no")
        << int(ImportFromRegister) << true << int(QMessageBox::No) << replace << false << false;
    QTest::newRow("register over edits, yes")
        << int(ImportFromRegister) << true << int(QMessageBox::Yes) << replace << true << false;
}

void TestGoodsWindow::unsavedEditsAreAskedFor()
{
    QFETCH(int, action);
    QFETCH(bool, edited);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, replaced);
    QFETCH(bool, profileSaved);
    const auto sim = startRegister();
    QVERIFY(sim);
    const GoodsList onRegister = { item("С кассы", 7, "7") };
    const QByteArray image = buildGoodsImage(onRegister, true);
    sim->setGoodsArea(image + sim->goodsArea().mid(image.size()));
    const GoodsList stored = { item("Молоко", 10, "1"), item("Кефир", 20, "2") };
    QVERIFY(DeviceProfile().saveGoods(Serial, buildGoodsImage(stored, false)));
    const QString csv = m_dir.filePath(QStringLiteral("file.csv"));
    const GoodsList inFile = { item("Из файла", 3, "3") };
    QVERIFY(saveGoodsCsv(csv, inFile));

    auto w = std::make_unique<GoodsWindow>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->setup(Serial, 0, Host, sim->serverPort(), Departments);
    w->show();
    GoodsList shown = stored;
    if (edited) {
        QVERIFY(w->proxy()->setData(w->proxy()->index(1, GoodsPriceColumn), 25.0));
        shown[1].price = 25;
    }
    QCOMPARE(w->hasUnsavedChanges(), edited);
    ModalAnswerer answers;
    if (!question.isEmpty())
        answers.thenButton(QMessageBox::StandardButton(answer));
    switch (LossCase(action)) {
    case CloseWindow:
        QCOMPARE(w->close(), replaced);
        break;
    case LoadCsvFile:
        QCOMPARE(w->loadFile(csv), replaced);
        break;
    case ImportFromRegister:
        w->onDeviceImport();
        break;
    }
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), question.isEmpty() ? 0 : 1);
    if (!question.isEmpty())
        QCOMPARE(boxes.first().text, question);
    if (action == CloseWindow) {
        QCOMPARE(w->isVisible(), !replaced);
    } else {
        COMPARE_GOODS(w->model()->goods(), replaced ? (action == LoadCsvFile ? inFile : onRegister) : shown);
        // Loaded, the table holds what its source holds.
        QCOMPARE(w->hasUnsavedChanges(), !replaced);
    }
    QByteArray profile;
    DeviceProfile().loadGoods(Serial, profile);
    COMPARE_GOODS(parseGoodsImage(profile), profileSaved ? shown : stored);
    if (action == ImportFromRegister && !replaced)
        QVERIFY(sim->requestLog().isEmpty());
}

void TestGoodsWindow::filterFindsRows()
{
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    GoodsList rows = numberedRows(300);
    rows[41].name = QStringLiteral("Молоко 3,2%");
    rows[42].name = QStringLiteral("МОЛОКО топлёное");
    rows[42].barcode = QStringLiteral("4600000000015");
    rows[43].name = QStringLiteral("Кефир");
    w.model()->setGoods(rows);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.filterEdit()->setText(QStringLiteral("молоко"));
    QCOMPARE(viewNames(w), QStringList({ "Молоко 3,2%", "МОЛОКО топлёное" }));
    w.filterEdit()->setText(QStringLiteral("молоко 00015")); // every word, in any field
    QCOMPARE(viewNames(w), QStringList { "МОЛОКО топлёное" });
    w.filterEdit()->setText(QStringLiteral("250")); // an internal code
    QCOMPARE(viewNames(w), QStringList { "Товар 250" });
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("rowCountLabel"))->text(),
             QStringLiteral("Показано строк: 1 из 300"));

    // Removing acts on the row shown; a check shows all rows again.
    w.view()->selectRow(0);
    w.onRemoveGoods();
    QCOMPARE(w.model()->rowCount(), 299);
    QVERIFY(w.model()->goods().at(248).name != QStringLiteral("Товар 250"));
    w.filterEdit()->setText(QStringLiteral("Кефир"));
    w.onValidate();
    QVERIFY(w.filterEdit()->text().isEmpty());
    QCOMPARE(w.proxy()->rowCount(), 299);
    w.filterEdit()->setFocus();
    QTest::keyClicks(w.filterEdit(), QStringLiteral("Tovar"));
    QTest::keyClick(w.filterEdit(), Qt::Key_Escape);
    QVERIFY(w.filterEdit()->text().isEmpty());
}

void TestGoodsWindow::removalAsksAndUndoes_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("everyOther"); // scattered rows, removed as new contents

    QTest::newRow("select all of 10") << 10 << false;
    QTest::newRow("150 scattered of 300") << 300 << true;
}

void TestGoodsWindow::removalAsksAndUndoes()
{
    QFETCH(int, rows);
    QFETCH(bool, everyOther);
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    const GoodsList all = shuffledPrices(rows);
    w.model()->setGoods(all);
    w.view()->sortByColumn(GoodsPriceColumn, Qt::AscendingOrder);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.view()->setFocus();
    QItemSelection selection;
    for (int r = 0; r < rows; r += everyOther ? 2 : 1)
        selection.select(w.proxy()->index(r, 0), w.proxy()->index(r, GoodsDeptColumn));
    w.view()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const int removed = everyOther ? rows / 2 : rows;

    ModalAnswerer answers;
    answers.thenButton(QMessageBox::No);
    QTest::keyClick(w.view(), Qt::Key_Delete);
    QCOMPARE(answers.seenOf("QMessageBox").size(), 1);
    QCOMPARE(answers.seenOf("QMessageBox").first().text,
             QStringLiteral("Убрать выбранные строки (%1)? Вернуть их можно клавишами Ctrl+Z.").arg(removed));
    QCOMPARE(w.model()->rowCount(), rows);

    answers.thenButton(QMessageBox::Yes);
    // The offscreen platform leaves the window inactive after a box.
    const auto refocus = [&w] {
        w.activateWindow();
        w.view()->setFocus();
        return QTest::qWaitForWindowActive(&w);
    };
    QVERIFY(refocus());
    QTest::keyClick(w.view(), Qt::Key_Delete);
    QCOMPARE(w.model()->rowCount(), rows - removed);
    QVERIFY(refocus());
    QTest::keyClick(w.view(), Qt::Key_Z, Qt::ControlModifier);
    COMPARE_GOODS(w.model()->goods(), all);

    // An edit, then its undoing; then nothing is left to undo.
    QVERIFY(w.proxy()->setData(w.proxy()->index(3, GoodsNameColumn), QStringLiteral("Другое")));
    QTest::keyClick(w.view(), Qt::Key_Z, Qt::ControlModifier);
    COMPARE_GOODS(w.model()->goods(), all);
    QVERIFY(!w.undo());
}

void TestGoodsWindow::checkUsesTheRegistersSettings()
{
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    DeviceParams53 params;
    params.tradeConfig.maxPrice = 5000000; // 500.00
    params.tradeConfig.departmentCount = 2;
    w.setRegisterSettings(params);
    w.model()->setGoods({ item("Молоко", 500, "1"), item("Икра", 500.5, "2"), item("Хлеб", 1, "3") });
    w.model()->setData(w.model()->index(2, GoodsDeptColumn), 3);
    w.model()->setData(w.model()->index(1, GoodsNameColumn), QStringLiteral("Икра ☕"));
    w.onValidate();
    QCOMPARE(
        findingTexts(w),
        QStringList({ "2. Наименование содержит символ «☕» U+2615, которого нет в кодировке Windows-1251",
                      "2. Цена 500.50 больше максимальной цены ККТ 500.00",
                      "3. Отдел 3 не используется: в ККТ настроено отделов 2" }));
}

void TestGoodsWindow::titleAndPriceColumn()
{
    GoodsWindow w;
    w.setup(Serial, 0, Host, 8080, Departments);
    w.setDeviceName(QStringLiteral("Касса 1"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Номенклатура — ККТ Касса 1, заводской номер 0530000061"));

    // The largest prices show whole, not cut to "99999999999…".
    const double price = 99999999999999;
    w.model()->setGoods({ item("Золото", price) });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QModelIndex cell = w.proxy()->index(0, GoodsPriceColumn);
    auto *delegate = qobject_cast<QStyledItemDelegate *>(w.view()->itemDelegateForColumn(GoodsPriceColumn));
    const QString text = delegate->displayText(price, w.view()->locale());
    QVERIFY2(w.view()->visualRect(cell).width() > w.view()->fontMetrics().horizontalAdvance(text),
             qPrintable(text));
}

// Also: a read from the register drops the findings of an earlier check.
void TestGoodsWindow::writeThenReadGivesSameRows()
{
    const auto sim = startRegister();
    QVERIFY(sim);
    const GoodsList rows = randomGoods(25, 5);
    GoodsWindow w;
    w.setup(Serial, 0, Host, sim->serverPort(), Departments);
    w.setFirmwareVersion(Version);
    w.model()->setGoods(rows);
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Yes); // random barcodes: problems
    answers.thenButton(QMessageBox::Ok);
    w.onDeviceExport();
    QCOMPARE(answers.seenOf("QMessageBox").size(), 2);
    QCOMPARE(answers.seenOf("QMessageBox").last().text, QStringLiteral("Выгрузка завершена успешно"));
    QVERIFY(!w.hasUnsavedChanges()); // the register holds them

    w.model()->setGoods({ item(QString(), 1) });
    w.onValidate();
    QVERIFY(!findingTexts(w).isEmpty());
    answers.thenButton(QMessageBox::Yes); // replace the rows not saved
    w.onDeviceImport();
    QCOMPARE(answers.seenOf("QMessageBox").size(), 3); // no box on success
    COMPARE_GOODS(w.model()->goods(), rows);
    QCOMPARE(findingTexts(w), QStringList());
}

void TestGoodsWindow::failedImportKeepsRows()
{
    const auto sim = startRegister();
    QVERIFY(sim);
    sim->setFault(Sim::CloseConnection, 3); // the first goods page request
    GoodsWindow w;
    w.setup(Serial, 0, Host, sim->serverPort(), Departments);
    const GoodsList before = randomGoods(4, 9);
    w.model()->setGoods(before);
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Yes); // replace the rows not saved
    answers.thenButton(QMessageBox::Ok);
    w.onDeviceImport();
    const auto boxes = answers.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.last().title, QStringLiteral("Загрузка из ККТ"));
    QCOMPARE(boxes.last().text, QStringLiteral("Ошибка загрузки. %1").arg(int(ErrSocket)));
    QCOMPARE(boxes.last().informative, resultExplanation(ErrSocket));
    COMPARE_GOODS(w.model()->goods(), before);
}

void TestGoodsWindow::historyRestoresWhatTheRegisterHeld()
{
    TestDataHome data;
    const auto sim = startRegister();
    QVERIFY(sim);
    const GoodsList held = { item("Молоко", 10, "12"), item("Кефир", 20, "13") };
    QByteArray area = buildGoodsImage(held, true);
    sim->setGoodsArea(area + sim->goodsArea().mid(area.size()));
    GoodsWindow w;
    w.setup(Serial, 0, Host, sim->serverPort(), Departments);
    w.setFirmwareVersion(Version);
    w.model()->setGoods({ item("Молоко", 12, "12"), item("Хлеб", 5, "14") });
    ModalAnswerer answers;
    answers.thenButton(QMessageBox::Yes); // "Кефир" goes: asked
    answers.thenButton(QMessageBox::Ok);
    w.onDeviceExport();
    QCOMPARE(answers.seenOf("QMessageBox").last().text, QStringLiteral("Выгрузка завершена успешно"));
    sim->clearRequestLog();

    QStringList rows;
    QStringList differences;
    answers.thenOn<SnapshotHistoryDialog>([&](SnapshotHistoryDialog *dialog) {
        const QTreeWidget *list = dialog->findChild<QTreeWidget *>(QStringLiteral("snapshotList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.append(list->topLevelItem(i)->text(1) + " / " + list->topLevelItem(i)->text(2));
        differences
            = dialog->findChild<QPlainTextEdit *>(QStringLiteral("differences"))->toPlainText().split('\n');
        dialog->findChild<QPushButton *>(QStringLiteral("restoreButton"))->click();
    });
    answers.thenButton(QMessageBox::Ok);
    w.findChild<QAction *>(QStringLiteral("actionHistory"))->trigger();
    QVERIFY(answers.seenOf("QMessageBox").last().text.contains(QStringLiteral("В ККТ ничего не записано")));
    QCOMPARE(rows, QStringList({ QStringLiteral("номенклатура / окно «Номенклатура»") }));
    QCOMPARE(differences,
             QStringList({ QStringLiteral("12 \"Молоко\": цена 10.00 -> 12.00"),
                           QStringLiteral("14 \"Хлеб\": добавлен, штрихкод —, цена 5.00, отдел 1"),
                           QStringLiteral("13 \"Кефир\": удалён, штрихкод —, цена 20.00, отдел 1"),
                           QStringLiteral("Добавлено: 1, удалено: 1, изменено: 1, без изменений: 0") }));
    COMPARE_GOODS(w.model()->goods(), held);
    QVERIFY(sim->requestLog().isEmpty()); // restored into the table only
}

QTEST_MAIN(TestGoodsWindow)
#include "tst_goodswindow.moc"

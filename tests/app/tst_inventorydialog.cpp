#include "support/simfleet.h"
#include "support/testsettings.h"

#include "app/inventorydialog.h"
#include "fleet/inventory.h"
#include "goods/goodsimage.h"
#include "link/exchangejournal.h"
#include "link/reachability.h"
#include "params/deviceprofile.h"
#include "params/textcodec.h"

#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

QStringList column(const QTableView *view, int column)
{
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts.append(view->model()->index(row, column).data().toString());
    return texts;
}

bool waitFor(const InventoryDialog &dialog)
{
    if (!dialog.inventory())
        return false;
    QSignalSpy spy(dialog.inventory(), &Inventory::finished);
    return !dialog.inventory()->isRunning() || spy.wait(30000);
}

} // namespace

class TestInventoryDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void summaryOfAllOrTheSelectedRegister();

private:
    TestSettingsDir m_store;
};

void TestInventoryDialog::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
    Reachability::setPingFunction(
        [](const QString &address, int) { return address == QLatin1String("127.0.0.193") ? 11 : 0; });
}

void TestInventoryDialog::cleanupTestCase()
{
    Reachability::setPingFunction({});
}

void TestInventoryDialog::summaryOfAllOrTheSelectedRegister()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.191", 53, "0530000191" }, { "127.0.0.192", 52, "0520000192" } }));
    const GoodsList rows = { { QStringLiteral("Хлеб"), QStringLiteral("1"), QString(), 45.0, 1 },
                             { QStringLiteral("Соль"), QStringLiteral("2"), QString(), 20.0, 1 } };
    const QByteArray area = buildGoodsImage(rows, true);
    sims[0].setGoodsArea(area + sims[0].goodsArea().mid(area.size()));
    QVERIFY(DeviceProfile().save(QStringLiteral("0530000193"), QStringLiteral("2.53.12"), 2000,
                                 sims[0].parameterImage(), sims[0].systemImage()));
    const QList<DeviceEntry> all = {
        { "0530000191", "Касса 1", "2.53.12", "127.0.0.191" },
        { "0520000192", "Касса 2", "2.52.40", "127.0.0.192" },
        { "0530000193", "Склад", "2.53.12", "127.0.0.193" },
        { "0530000194", "Без адреса", "2.53.*", "" },
    };
    InventoryDialog dialog(all, { all.at(1) });
    dialog.setPort(sims.port());
    dialog.show();
    const quint64 before = ExchangeJournal::instance()->lastSequence();
    dialog.refresh();
    QVERIFY(waitFor(dialog));

    auto *view = dialog.findChild<QTableView *>(QStringLiteral("inventoryTable"));
    QCOMPARE(column(view, InventoryColumns::Address),
             (QStringList { "127.0.0.191", "127.0.0.192", "127.0.0.193", "" }));
    QCOMPARE(column(view, InventoryColumns::Link),
             (QStringList { "в сети", "в сети", "нет связи", "нет адреса" }));
    QCOMPARE(column(view, InventoryColumns::Source), (QStringList { "ККТ", "ККТ", "профиль", "" }));
    QCOMPARE(column(view, InventoryColumns::GoodsRows), (QStringList { "2", "0", "", "" }));
    // Every exchange is journalled under the register it belongs to.
    for (const JournalLine &line : ExchangeJournal::instance()->linesAfter(before)) {
        QVERIFY2(line.origin.startsWith(QStringLiteral("Сводка по ККТ: ККТ 05")), qPrintable(line.origin));
        QCOMPARE(line.origin.right(3), line.host.right(3));
    }

    // Counts sort as numbers, unknown ones last; the file keeps the order shown.
    QCOMPARE(view->model()->index(0, InventoryColumns::GoodsRows).data().userType(), int(QMetaType::Int));
    view->sortByColumn(InventoryColumns::GoodsRows, Qt::AscendingOrder);
    QCOMPARE(column(view, InventoryColumns::GoodsRows), (QStringList { "0", "2", "", "" }));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("summary.csv"));
    QVERIFY(dialog.save(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = TextCodec::decode(bytes).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Адрес;Название;Заводской номер;")));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("127.0.0.192;Касса 2;0520000192;2.52.40;2.52;")));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("127.0.0.191;Касса 1;")));
    // A file that cannot be written is named, and the table stays.
    QTimer::singleShot(0, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    QVERIFY(!dialog.save(dir.filePath(QStringLiteral("missing/summary.csv"))));

    // The register selected in the main window alone.
    auto *selected = dialog.findChild<QRadioButton *>(QStringLiteral("selectedRegisters"));
    QVERIFY(selected->isEnabled());
    QCOMPARE(selected->text(), QStringLiteral("Выбранная ККТ 0520000192"));
    selected->click();
    QVERIFY(waitFor(dialog));
    QCOMPARE(column(view, InventoryColumns::Serial), (QStringList { "0520000192" }));
}

QTEST_MAIN(TestInventoryDialog)
#include "tst_inventorydialog.moc"

#include "support/modalanswer.h"
#include "support/simfleet.h"
#include "support/testdatahome.h"
#include "support/testsettings.h"

#include "app/deviceregistry.h"
#include "goods/fleetgoodsdialog.h"
#include "goods/goodsimage.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "history/snapshotstore.h"
#include "link/exchangejournal.h"
#include "link/reachability.h"
#include "params/deviceprofile.h"
#include "tabs/devicewidget.h"
#include "window/devicewindow.h"
#include "window/fleetapplydialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

const QString Source = QStringLiteral("0530000121");
const QString Target = QStringLiteral("0530000122");
const QString Moved = QStringLiteral("0530000123"); // listed at .123, where another register now answers
const QString Offline = QStringLiteral("0530000125");
const QString Other52 = QStringLiteral("0520000124");

// The table's column texts, row by row.
QStringList rows(const QTableWidget *table, int column)
{
    QStringList list;
    for (int r = 0; r < table->rowCount(); ++r)
        list.append(table->item(r, column)->text());
    return list;
}

} // namespace

class TestFleetApplyDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void confirmAllFromTheDeviceWindow();
    void goodsToOthersConfirmedOneByOne();

private:
    TestSettingsDir m_store;
    TestDataHome m_home;
};

void TestFleetApplyDialog::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
    Reachability::setPingFunction([](const QString &, int) { return 0; });
}

void TestFleetApplyDialog::cleanupTestCase()
{
    Reachability::setPingFunction({});
}

void TestFleetApplyDialog::confirmAllFromTheDeviceWindow()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.121", 53, Source },
                         { "127.0.0.122", 53, Target },
                         { "127.0.0.123", 53, QStringLiteral("0530000193") } }));
    {
        DeviceRegistry registry;
        registry.addDevice(Source, "2.53.12", "Касса 1", "127.0.0.121");
        registry.addDevice(Target, "2.53.12", "Касса 2", "127.0.0.122");
        registry.addDevice(Moved, "2.53.12", "Касса 3", "127.0.0.123");
        registry.addDevice(Other52, "2.52.40", "Касса 4", "127.0.0.124");
        registry.addDevice(Offline, "2.53.*", "Касса 5", "");
        QVERIFY(registry.save());
    }
    QVERIFY(DeviceProfile().save(Source, "2.53.12", 2000, sims[0].parameterImage(), sims[0].systemImage()));
    DeviceWindow window;
    window.setPort(sims.port());
    window.setDevice(Source, "2.53.12", "Касса 1", "127.0.0.121");
    window.show();
    // An edit not yet saved anywhere is part of what is applied.
    QLineEdit *name = nullptr;
    for (QLineEdit *edit : window.tabs().at(4)->findChildren<QLineEdit *>()) {
        if (edit->text() == QStringLiteral("ООО \"Василёк\""))
            name = edit;
    }
    QVERIFY(name);
    name->setText(QStringLiteral("ООО «Ёлка»"));
    const QByteArray targetBefore = sims[1].parameterImage();
    const QByteArray movedBefore = sims[2].parameterImage();

    QStringList notes; // serial number: note, for the registers that cannot be picked
    QString awaitingDetails;
    QStringList awaitingStatus, finalStatus, finalSerials;
    QString finalCount;
    bool barText = true;
    const quint64 journalBefore = ExchangeJournal::instance()->lastSequence();
    ModalAnswerer answerer;
    answerer.thenOn<FleetApplyDialog>([&](FleetApplyDialog *dialog) {
        auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("targetList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list->topLevelItem(i);
            if (!(item->flags() & Qt::ItemIsEnabled))
                notes.append(item->text(0) + QStringLiteral(": ") + item->text(3));
            else if (item->text(0) == Target || item->text(0) == Moved)
                item->setCheckState(0, Qt::Checked);
        }
        dialog->findChild<QCheckBox *>(QStringLiteral("group_organisation"))->setChecked(true);
        dialog->findChild<QCheckBox *>(QStringLiteral("group_design"))->setChecked(true);
        dialog->findChild<QRadioButton *>(QStringLiteral("confirmAll"))->setChecked(true);
        dialog->findChild<QPushButton *>(QStringLiteral("startButton"))->click();
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("outcomeTable"));
        auto *write = dialog->findChild<QPushButton *>(QStringLiteral("writeButton"));
        auto *close = dialog->findChild<QPushButton *>(QStringLiteral("closeButton"));
        connect(dialog->fleet(), &FleetApply::confirmationNeeded, dialog,
                [=, &awaitingStatus, &awaitingDetails] {
                    awaitingStatus = rows(table, 3);
                    awaitingDetails
                        = dialog->findChild<QPlainTextEdit *>(QStringLiteral("detailsView"))->toPlainText();
                    QTimer::singleShot(0, write, &QPushButton::click);
                });
        connect(dialog->fleet(), &FleetApply::finished, dialog,
                [=, &finalStatus, &finalSerials, &finalCount, &barText] {
                    finalStatus = rows(table, 3);
                    finalSerials = rows(table, 0);
                    // The count beside the bar, none drawn on it.
                    finalCount = dialog->findChild<QLabel *>(QStringLiteral("progressCount"))->text();
                    barText = dialog->findChild<QProgressBar *>()->isTextVisible();
                    QTimer::singleShot(0, close, &QPushButton::click);
                });
    });
    QAction *apply = window.findChild<QAction *>(QStringLiteral("actionApplyToOthers"));
    QVERIFY(apply && apply->isEnabled());
    QCOMPARE(apply->text(), QStringLiteral("Применить к другим ККТ…"));
    apply->trigger();

    QCOMPARE(answerer.seen().first().title, QStringLiteral("Применить к другим ККТ"));
    QCOMPARE(notes,
             (QStringList { Source + ": эта ККТ", Other52 + ": другое семейство: 2.52",
                            Offline + ": нет адреса (зарегистрирована без него)" }));
    QCOMPARE(finalSerials, (QStringList { Target, Moved }));
    // Every diff was shown before the one confirmation.
    QCOMPARE(awaitingStatus, (QStringList { "ждёт подтверждения", "другая ККТ, не записано" }));
    QVERIFY2(awaitingDetails.contains(
                 QStringLiteral("organisation.name: \"ООО \\\"Василёк\\\"\" -> \"ООО «Ёлка»\"")),
             qPrintable(awaitingDetails));
    QCOMPARE(finalStatus, (QStringList { "записано и проверено", "другая ККТ, не записано" }));
    QCOMPARE(finalCount, QStringLiteral("2 из 2 ККТ"));
    QVERIFY(!barText);
    // The journal names the dialog its exchanges came from, and the register.
    const QVector<JournalLine> lines = ExchangeJournal::instance()->linesAfter(journalBefore);
    QVERIFY(!lines.isEmpty());
    const QHash<QString, QString> serialAt { { QStringLiteral("127.0.0.122"), Target },
                                             { QStringLiteral("127.0.0.123"), Moved } };
    for (const JournalLine &line : lines) {
        if (line.host != QStringLiteral("127.0.0.121"))
            QCOMPARE(line.origin,
                     QStringLiteral("Применить к другим ККТ: ККТ %1").arg(serialAt.value(line.host)));
    }

    const std::unique_ptr<DeviceParams> written = SimFleet::params(sims[1], 53);
    ParamValue org;
    QVERIFY(written->value(QStringLiteral("organisation.name"), &org));
    QCOMPARE(org.text, QStringLiteral("ООО «Ёлка»"));
    QVERIFY(sims[1].parameterImage() != targetBefore);
    QCOMPARE(SnapshotStore().list(Target).size(), 1);
    QVERIFY(!SimFleet::wrote(sims[2]));
    QCOMPARE(sims[2].parameterImage(), movedBefore);
    // The source register itself is not touched.
    QVERIFY(sims[0].requestLog().isEmpty());
}

void TestFleetApplyDialog::goodsToOthersConfirmedOneByOne()
{
    const QString source = QStringLiteral("0530000126");
    const QString target = QStringLiteral("0530000127");
    const QString skipped = QStringLiteral("0520000128");
    SimFleet sims;
    QVERIFY(sims.start(
        { { "127.0.0.126", 53, source }, { "127.0.0.127", 53, target }, { "127.0.0.128", 52, skipped } }));
    {
        DeviceRegistry registry;
        const QList<DeviceEntry> earlier = registry.entries(); // the other test's
        for (const DeviceEntry &e : earlier)
            registry.removeDevice(e.serial);
        registry.addDevice(source, "2.53.12", "Касса 1", "127.0.0.126");
        registry.addDevice(target, "2.53.12", "Касса 2", "127.0.0.127");
        registry.addDevice(skipped, "2.52.40", "Касса 3", "127.0.0.128");
        registry.addDevice(QStringLiteral("0530000129"), "2.53.*", "Касса 4", "");
        registry.addDevice(QStringLiteral("0490000130"), "2.49.3", "Касса 5", "127.0.0.130");
        QVERIFY(registry.save());
    }
    QStringList departments;
    for (int d = 1; d <= 16; ++d)
        departments.append(QStringLiteral("Отдел %1").arg(d));
    GoodsWindow window;
    window.setup(source, 0, QStringLiteral("127.0.0.126"), sims.port(), departments);
    const GoodsList catalogue = { { QStringLiteral("Хлеб"), QStringLiteral("12345"), QString(), 47.50, 1 },
                                  { QStringLiteral("Кефир"), QStringLiteral("12348"), QString(), 60.00, 2 } };
    window.model()->setGoods(catalogue);
    window.show();

    QStringList notes, finalStatus;
    QString details, title;
    const quint64 journalBefore = ExchangeJournal::instance()->lastSequence();
    ModalAnswerer answerer;
    answerer.thenOn<FleetGoodsDialog>([&](FleetGoodsDialog *dialog) {
        title = dialog->windowTitle();
        auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("targetList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list->topLevelItem(i);
            if (item->flags() & Qt::ItemIsEnabled)
                item->setCheckState(0, Qt::Checked);
            else
                notes.append(item->text(0) + QStringLiteral(": ") + item->text(3));
        }
        dialog->findChild<QPushButton *>(QStringLiteral("startButton"))->click();
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("outcomeTable"));
        auto *write = dialog->findChild<QPushButton *>(QStringLiteral("writeButton"));
        auto *skip = dialog->findChild<QPushButton *>(QStringLiteral("skipButton"));
        auto *close = dialog->findChild<QPushButton *>(QStringLiteral("closeButton"));
        connect(dialog->fleet(), &FleetRun::confirmationNeeded, dialog, [=, &details](int index) {
            if (index == 0) {
                details = dialog->findChild<QPlainTextEdit *>(QStringLiteral("detailsView"))->toPlainText();
                QTimer::singleShot(0, write, &QPushButton::click);
            } else {
                QTimer::singleShot(0, skip, &QPushButton::click);
            }
        });
        connect(dialog->fleet(), &FleetRun::finished, dialog, [=, &finalStatus] {
            finalStatus = rows(table, 3);
            QTimer::singleShot(0, close, &QPushButton::click);
        });
    });
    QAction *action = window.findChild<QAction *>(QStringLiteral("actionWriteToOthers"));
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("Записать в другие ККТ…"));
    action->trigger();
    QCOMPARE(answerer.pending(), 0);

    QCOMPARE(title, QStringLiteral("Записать в другие ККТ"));
    // Any supported family takes the goods record; the others are greyed with the reason.
    QCOMPARE(notes,
             (QStringList { source + QStringLiteral(": эта ККТ"),
                            QStringLiteral("0530000129: нет адреса (зарегистрирована без него)"),
                            QStringLiteral("0490000130: версия 2.49.3 не поддерживается") }));
    QVERIFY2(details.contains(QStringLiteral("12345 \"Хлеб\": добавлен, штрихкод —, цена 47.50, отдел 1")),
             qPrintable(details));
    QCOMPARE(finalStatus, (QStringList { "записано и проверено", "пропущено" }));
    QVERIFY(sims[1].goodsArea().startsWith(buildGoodsImage(catalogue, true)));
    QCOMPARE(SnapshotStore().list(target, SnapshotKind::Goods).size(), 1);
    // Skipped at its confirmation: read, but neither written nor kept.
    QVERIFY(!sims[2].requestLog().isEmpty());
    QVERIFY(!SimFleet::wrote(sims[2]));
    QVERIFY(SnapshotStore().list(skipped).isEmpty());
    QVERIFY(sims[0].requestLog().isEmpty());
    for (const JournalLine &line : ExchangeJournal::instance()->linesAfter(journalBefore)) {
        QCOMPARE(line.origin,
                 QStringLiteral("Записать в другие ККТ: ККТ %1")
                     .arg(line.host == QStringLiteral("127.0.0.127") ? target : skipped));
    }
}

QTEST_MAIN(TestFleetApplyDialog)
#include "tst_fleetapplydialog.moc"

#include "support/testtab.h"

#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QTabWidget>
#include <QtTest>

#include <memory>

// Three stand-in tabs on a tab widget with a findings dock: the shape of a
// device window as far as the validation run sees it.
struct RunFixture
{
    RunFixture()
    {
        for (const char *caption : { "Конфигурация", "Реквизиты организации", "Регистрационные данные" }) {
            auto *tab = new TestTab(caption, &log);
            tabs.addTab(tab, caption);
            list.append(tab);
        }
    }

    TestTab *tab(int i) const { return static_cast<TestTab *>(list.at(i)); }
    void run() { DeviceWidget::runValidation(list, &dock); }
    QStringList texts() const
    {
        QStringList texts;
        for (int row = 0; row < dock.model()->rowCount(); ++row)
            texts.append(dock.model()->index(row, 0).data().toString());
        return texts;
    }

    QStringList log;
    QTabWidget tabs;
    QList<DeviceWidget *> list;
    DeviceIssueWidget dock { &tabs };
};

class TestValidationRun : public QObject
{
    Q_OBJECT

private slots:
    void contributionsFirstThenRules();
    void eachRunStartsAfresh();
    void findingsPointAtTheirFields();
};

void TestValidationRun::contributionsFirstThenRules()
{
    RunFixture f;
    f.run();
    QCOMPARE(f.log,
             QStringList({ "Конфигурация updateDeviceInfo", "Реквизиты организации updateDeviceInfo",
                           "Регистрационные данные updateDeviceInfo", "Конфигурация validate",
                           "Реквизиты организации validate", "Регистрационные данные validate" }));
}

void TestValidationRun::eachRunStartsAfresh()
{
    RunFixture f;
    // The last tab's part reaches the first tab's rules.
    f.tab(2)->contribute = [](DeviceInfo &info) {
        info.ofdInnValid = true;
        info.defaultUser = 2;
        info.orgInn = "7707083893";
    };
    f.run();
    QCOMPARE(f.tab(0)->seen.defaultUser, 2);
    QCOMPARE(f.tab(0)->seen.orgInn, QStringLiteral("7707083893"));
    QVERIFY(f.tab(0)->seen.ofdInnValid);
    const QStringList first = f.texts();
    QVERIFY(!first.isEmpty());

    // "Проверить" again: the same findings, each listed once.
    f.run();
    QCOMPARE(f.texts(), first);

    // Nothing carries over from the run before: a new context with its
    // starting values, and only the findings of this run.
    f.tab(2)->contribute = nullptr;
    for (int i = 0; i < 3; ++i)
        f.tab(i)->name->setText("ООО \"Ромашка\"");
    f.run();
    QCOMPARE(f.tab(0)->seen.ofdInnValid, false);
    QCOMPARE(f.tab(0)->seen.defaultUser, -1);
    QCOMPARE(f.tab(0)->seen.orgInn, QString());
    QCOMPARE(f.texts(), QStringList());
}

void TestValidationRun::findingsPointAtTheirFields()
{
    RunFixture f;
    TestTab *first = f.tab(0), *second = f.tab(1), *third = f.tab(2);
    third->contribute = [](DeviceInfo &info) {
        info.defaultUser = 1; // row 1 is inactive on every tab but the second
        info.orgInn = "7707083893";
    };
    first->inn->setText("7707083890");
    second->name->setText("Касса 1");
    second->inn->setText("7707083893");
    second->setActive(1, true);
    third->name->setText("Касса 2");

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no widget for the field \"test.unmapped\""));
    f.run();

    struct Expected
    {
        QString text;
        DeviceWidget *tab;
        QWidget *widget;
    };
    // In tab order, and within a tab in the order of its rules.
    const QList<Expected> expected {
        { "Наименование не задано", first, first->name },
        { "ИНН содержит некорректное значение: 7707083890", first, first->inn },
        { "Пользователь по умолчанию (2) не активен", first, first->table }, // a row's key
        { "ИНН совпадает с ИНН организации", second, nullptr }, // a key the tab does not map
        { "Пользователь по умолчанию (2) не активен", third, third->table },
    };
    QCOMPARE(f.dock.model()->rowCount(), expected.size());
    for (int row = 0; row < expected.size(); ++row) {
        const auto issue = f.dock.model()->issue(row).dynamicCast<DeviceIssue>();
        QVERIFY(issue);
        QCOMPARE(issue->text(), expected.at(row).text);
        QCOMPARE(issue->tab(), expected.at(row).tab);
        QCOMPARE(issue->widget(), expected.at(row).widget);
    }
}

QTEST_MAIN(TestValidationRun)
#include "tst_validationrun.moc"

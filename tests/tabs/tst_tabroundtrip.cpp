#include "tabfixture.h"

#include "tabs/configtab52.h"
#include "tabs/configtab53.h"
#include "tabs/depttab.h"
#include "tabs/designtab.h"
#include "tabs/positiontab.h"

#include <QtTest>

// The configuration, positions, departments and receipt design tabs of each
// family take a parameter set from its image and give it back: saved without
// an edit, the image is the same byte for byte. Before the save every field
// the tabs edit is set back to its default, so each must come from a widget.
class TestTabRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void unedited_data();
    void unedited();
};

void TestTabRoundTrip::unedited_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("2.52") << 52;
    QTest::newRow("2.53") << 53;
}

void TestTabRoundTrip::unedited()
{
    QFETCH(int, family);

    QByteArray system;
    const QByteArray image = imageOf(*editedParams(family), &system);
    std::unique_ptr<DeviceParams> params = makeParams(family);
    params->fromImage(image, system);

    std::vector<std::unique_ptr<DeviceWidget>> tabs;
    if (family == 52)
        tabs.emplace_back(new ConfigTab52);
    else
        tabs.emplace_back(new ConfigTab53);
    tabs.emplace_back(new PositionTab);
    tabs.emplace_back(new DeptTab);
    tabs.emplace_back(new DesignTab);
    for (const auto &tab : tabs)
        tab->loadParams(*params);

    const std::unique_ptr<DeviceParams> defaults = makeParams(family);
    for (const char *group : { "tradeConfig", "positions", "departments", "receiptHeader", "receiptFooter" })
        QVERIFY(params->copyGroup(*defaults, group));
    QByteArray written = image;
    QByteArray writtenSystem = system;
    params->toImage(written, writtenSystem);
    QVERIFY(written != image);

    for (const auto &tab : tabs)
        tab->saveParams(*params);
    params->toImage(written, writtenSystem);
    QCOMPARE(written.toHex(), image.toHex());
    QCOMPARE(writtenSystem, system);
}

QTEST_MAIN(TestTabRoundTrip)
#include "tst_tabroundtrip.moc"

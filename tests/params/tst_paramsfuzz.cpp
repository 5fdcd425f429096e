#include "fuzz/paramsfuzz.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"

#include <QRandomGenerator>
#include <QtTest>

// A bounded run of the fuzz input over random arrays of any length and over
// damaged real images, so every CI run covers what the libFuzzer target
// does at length (docs/testing.md, "Fuzzing").
class TestParamsFuzz : public QObject
{
    Q_OBJECT

private slots:
    void arbitraryInputs_data();
    void arbitraryInputs();
};

namespace {

QByteArray writtenDefaults(int family)
{
    QByteArray image, system;
    if (family == 53) {
        DeviceParams53().toImage(image, system);
        return image;
    }
    DeviceParams52 p;
    p.registrations.resize(16);
    for (RegistrationRecord52 &r : p.registrations)
        r.marker = RegistrationRecord52::Marker;
    p.toImage(image, system);
    // The fuzz input's first byte puts the system image in front.
    QByteArray input = system + image;
    input[0] = char(system.size() * 256 / input.size());
    return input;
}

} // namespace

void TestParamsFuzz::arbitraryInputs_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("random bytes of random length") << 0;
    QTest::newRow("2.53 image damaged and cut short") << 53;
    QTest::newRow("2.52 images damaged and cut short") << 52;
}

void TestParamsFuzz::arbitraryInputs()
{
    QFETCH(int, kind);
    QRandomGenerator rng(quint32(kind + 1));
    const QByteArray seed = kind ? writtenDefaults(kind) : QByteArray();

    for (int round = 0; round < 1000; ++round) {
        QByteArray input;
        if (kind == 0) {
            input.resize(rng.bounded(round % 10 ? 64 : 0x1600));
            for (char &c : input)
                c = char(rng.bounded(256));
        } else {
            input = seed.left(rng.bounded(seed.size() + 1));
            for (int flips = rng.bounded(32); flips > 0 && !input.isEmpty(); --flips)
                input[rng.bounded(input.size())] = char(rng.bounded(256));
        }
        QVERIFY2(ParamsFuzz::oneInput(reinterpret_cast<const uint8_t *>(input.constData()),
                                      std::size_t(input.size())),
                 qPrintable(QStringLiteral("round %1, input %2").arg(round).arg(QString(input.toHex()))));
    }
}

QTEST_GUILESS_MAIN(TestParamsFuzz)
#include "tst_paramsfuzz.moc"

#include "link/devicejob.h"
#include "link/resultexplanation.h"

#include <QtTest>

namespace {

struct Code
{
    const char *name;
    int code;
};

// Every code of DeviceResult.
const Code Codes[] = {
    { "ResultOk", ResultOk },
    { "ErrPageCount", ErrPageCount },
    { "ErrSend", ErrSend },
    { "ErrNoReply", ErrNoReply },
    { "ErrBadReply", ErrBadReply },
    { "ErrDirectory", ErrDirectory },
    { "ErrJobKind", ErrJobKind },
    { "ErrCapacity", ErrCapacity },
    { "ErrWriteRejected", ErrWriteRejected },
    { "ErrReadMismatch", ErrReadMismatch },
    { "ErrStopped", ErrStopped },
    { "ErrSocket", ErrSocket },
    { "ErrSerialMismatch", ErrSerialMismatch },
    { "ErrFamilyMismatch", ErrFamilyMismatch },
    { "ErrNotStarted", ErrNotStarted },
};

} // namespace

class TestResultExplanation : public QObject
{
    Q_OBJECT

private slots:
    void everyCodeHasItsOwnSentence_data();
    void everyCodeHasItsOwnSentence();
    void unknownCodeIsNamed_data();
    void unknownCodeIsNamed();
    void writeThatHadBegun();
    void listedCodesAreTheTable();
};

void TestResultExplanation::everyCodeHasItsOwnSentence_data()
{
    QTest::addColumn<int>("code");
    for (const Code &c : Codes)
        QTest::newRow(c.name) << c.code;
}

void TestResultExplanation::everyCodeHasItsOwnSentence()
{
    QFETCH(int, code);
    const QString text = resultExplanation(code);
    QVERIFY(!text.trimmed().isEmpty());
    QVERIFY(!text.contains(QStringLiteral("Неизвестный")));
    for (const Code &other : Codes) {
        if (other.code != code)
            QVERIFY2(resultExplanation(other.code) != text, other.name);
    }
}

void TestResultExplanation::unknownCodeIsNamed_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("gap in the table") << -11;
    QTest::newRow("positive") << 7;
    QTest::newRow("far below") << -1000;
}

void TestResultExplanation::unknownCodeIsNamed()
{
    QFETCH(int, code);
    QVERIFY(resultExplanation(code).contains(QStringLiteral("Неизвестный код результата %1").arg(code)));
}

// A failed write that had sent pages keeps its sentence and says what the
// register may now hold; a success has nothing to add.
void TestResultExplanation::writeThatHadBegun()
{
    const QString partly = QStringLiteral("часть новых данных");
    for (const int code : { int(ErrWriteRejected), int(ErrBadReply), int(ErrSocket), int(ErrNoReply) }) {
        const QString text = resultExplanation(code, true);
        QVERIFY(text.startsWith(resultExplanation(code) + QLatin1Char(' ')));
        QVERIFY(text.contains(partly));
        QCOMPARE(resultExplanation(code, false), resultExplanation(code));
    }
    QCOMPARE(resultExplanation(ResultOk, true), resultExplanation(ResultOk));
}

// The user guide's table of codes is made from resultCodes(): it must hold
// every code of DeviceResult, in order, and nothing the table does not explain.
void TestResultExplanation::listedCodesAreTheTable()
{
    QList<int> expected;
    for (const Code &c : Codes)
        expected.append(c.code);
    QCOMPARE(resultCodes(), expected);
}

QTEST_GUILESS_MAIN(TestResultExplanation)
#include "tst_resultexplanation.moc"

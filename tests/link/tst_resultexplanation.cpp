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
    void writeFailureSaysWhenDataMayBePartial_data();
    void writeFailureSaysWhenDataMayBePartial();
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

void TestResultExplanation::writeFailureSaysWhenDataMayBePartial_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("identified");
    QTest::addColumn<bool>("partial");
    QTest::newRow("connection lost while pages went out") << int(ErrSocket) << true << true;
    QTest::newRow("no reply to a page write") << int(ErrNoReply) << true << true;
    QTest::newRow("system image too large after the parameter pages") << int(ErrCapacity) << true << true;
    QTest::newRow("connection lost before the register answered") << int(ErrSocket) << false << false;
    QTest::newRow("guard: another serial number") << int(ErrSerialMismatch) << true << false;
    QTest::newRow("guard: another family") << int(ErrFamilyMismatch) << true << false;
    QTest::newRow("not started") << int(ErrNotStarted) << false << false;
}

void TestResultExplanation::writeFailureSaysWhenDataMayBePartial()
{
    QFETCH(int, code);
    QFETCH(bool, identified);
    QFETCH(bool, partial);
    const QString text = writeFailureExplanation(code, identified);
    QVERIFY(text.startsWith(resultExplanation(code)));
    QCOMPARE(text.contains(QStringLiteral("часть новых данных")), partial);
}

QTEST_GUILESS_MAIN(TestResultExplanation)
#include "tst_resultexplanation.moc"

#include "support/modalanswer.h"

#include "app/inputipdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestInputIpDialog : public QObject
{
    Q_OBJECT

private slots:
    void dismissalGivesEmptyText_data();
    void dismissalGivesEmptyText();
    void typing_data();
    void typing();

private:
    // Runs getAddress; the handler gets the dialog with the given text typed.
    static QString run(const QString &typed, std::function<void(QDialog *)> answer);
};

QString TestInputIpDialog::run(const QString &typed, std::function<void(QDialog *)> answer)
{
    ModalAnswerer answerer;
    answerer.then([typed, answer](QWidget *w) {
        auto *dialog = qobject_cast<InputIpDialog *>(w);
        QVERIFY(dialog);
        QTest::keyClicks(dialog->findChild<QLineEdit *>(), typed);
        answer(dialog);
    });
    // Keeps a dialog that the answer left open from stalling the test.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    guard.start(5000);
    const QString address = InputIpDialog::getAddress(nullptr, QStringLiteral("Смена адреса ККТ"),
                                                      QStringLiteral("Введите адрес:"));
    [&] { QCOMPARE(answerer.seen().size(), 1); }();
    [&] { QCOMPARE(answerer.seen().first().title, QStringLiteral("Смена адреса ККТ")); }();
    return address;
}

void TestInputIpDialog::dismissalGivesEmptyText_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "cancel";
    QTest::newRow("Escape key") << "escape";
    QTest::newRow("window closed") << "close";
}

void TestInputIpDialog::dismissalGivesEmptyText()
{
    QFETCH(QString, how);
    QString prompt;
    const QString address = run("10.0.0.5", [&](QDialog *dialog) {
        prompt = dialog->findChild<QLabel *>()->text();
        if (how == "cancel")
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        else if (how == "escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
    });
    QCOMPARE(prompt, QStringLiteral("Введите адрес:"));
    QCOMPARE(address, QString());
}

void TestInputIpDialog::typing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("okEnabled");

    QTest::newRow("complete address") << "127.0.0.1"
                                      << "127.0.0.1" << true;
    QTest::newRow("fourth part above 255 refused") << "192.168.1.256"
                                                   << "192.168.1.25" << true;
    QTest::newRow("first part above 255 refused") << "300.1.2.3"
                                                  << "30.1.2.3" << true;
    QTest::newRow("letter refused") << "10.0.a0.1"
                                    << "10.0.0.1" << true;
    QTest::newRow("leading zero refused") << "10.01.2.3"
                                          << "10.0.2.3" << true;
    QTest::newRow("fifth part refused") << "1.2.3.4.5"
                                        << "1.2.3.45" << true;
    QTest::newRow("trailing dot keeps OK disabled") << "10.0.0."
                                                    << "10.0.0." << false;
    QTest::newRow("three parts keep OK disabled") << "10.0.0"
                                                  << "10.0.0" << false;
    QTest::newRow("empty keeps OK disabled") << ""
                                             << "" << false;
}

void TestInputIpDialog::typing()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, okEnabled);

    QString text;
    bool enabled = false;
    bool openAfterEnter = false;
    const QString address = run(typed, [&](QDialog *dialog) {
        text = dialog->findChild<QLineEdit *>()->text();
        enabled = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled();
        // Enter presses the default button only while it is enabled.
        QTest::keyClick(dialog->findChild<QLineEdit *>(), Qt::Key_Return);
        openAfterEnter = dialog->isVisible();
        if (openAfterEnter)
            dialog->reject();
    });
    QCOMPARE(text, shown);
    QCOMPARE(enabled, okEnabled);
    QCOMPARE(openAfterEnter, !okEnabled);
    QCOMPARE(address, okEnabled ? shown : QString());
}

QTEST_MAIN(TestInputIpDialog)
#include "tst_inputipdialog.moc"

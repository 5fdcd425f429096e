#include "tabs/codepagevalidator.h"
#include "tabs/textitemdelegate.h"

#include <QLineEdit>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QtTest>

class TestCodePageValidator : public QObject
{
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void delegateEditorRefusesToo();
};

void TestCodePageValidator::typing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("Cyrillic and punctuation kept")
        << QStringLiteral("ООО «Ёлка» №5 — 10%") << QStringLiteral("ООО «Ёлка» №5 — 10%");
    QTest::newRow("emoji refused") << QStringLiteral("Чай 😀") << QString();
    QTest::newRow("CJK refused") << QStringLiteral("茶") << QString();
    QTest::newRow("Latin letter outside the code page refused") << QStringLiteral("Müller") << QString();
}

// What the user types (or pastes) is inserted whole or not at all.
void TestCodePageValidator::typing()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QLineEdit edit;
    CodePageValidator::install(&edit);
    edit.insert(typed);
    QCOMPARE(edit.text(), shown);
}

void TestCodePageValidator::delegateEditorRefusesToo()
{
    QStandardItemModel model(1, 1);
    TextItemDelegate delegate(20, false);
    QWidget parent;
    std::unique_ptr<QWidget> editor(
        delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)));
    auto *edit = qobject_cast<QLineEdit *>(editor.get());
    QVERIFY(edit);
    edit->insert(QStringLiteral("Кофе"));
    edit->insert(QStringLiteral("☕"));
    QCOMPARE(edit->text(), QStringLiteral("Кофе"));
}

QTEST_MAIN(TestCodePageValidator)
#include "tst_codepagevalidator.moc"

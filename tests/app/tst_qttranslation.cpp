#include "app/inputipdialog.h"
#include "app/qttranslation.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestQtTranslation : public QObject
{
    Q_OBJECT

private slots:
    // First: nothing is installed yet.
    void missingTranslationIsReported();
    void standardTextsReadRussian_data();
    void standardTextsReadRussian();

private:
    // Every text a user reads on the widget: its buttons, labels and actions.
    static QStringList textsOf(const QWidget *w);
    static std::unique_ptr<QWidget> make(const QString &kind);
};

QStringList TestQtTranslation::textsOf(const QWidget *w)
{
    QStringList texts;
    for (const QAbstractButton *b : w->findChildren<QAbstractButton *>())
        texts << b->text();
    for (const QLabel *l : w->findChildren<QLabel *>())
        texts << l->text();
    for (const QMenu *m : w->findChildren<QMenu *>()) {
        for (const QAction *a : m->actions())
            texts << a->text().section(QLatin1Char('\t'), 0, 0);
    }
    texts.removeAll(QString());
    return texts;
}

void TestQtTranslation::missingTranslationIsReported()
{
    const QTemporaryDir empty;
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("qtbase_ru not found in .*stay in English")));
    QVERIFY(!loadQtTranslation(empty.path()));
    const QDialogButtonBox box(QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
}

std::unique_ptr<QWidget> TestQtTranslation::make(const QString &kind)
{
    if (kind == QLatin1String("address dialog"))
        return std::make_unique<InputIpDialog>();
    if (kind == QLatin1String("question box"))
        return std::make_unique<QMessageBox>(QMessageBox::Question, "t", "q",
                                             QMessageBox::Yes | QMessageBox::No);
    if (kind == QLatin1String("warning box"))
        return std::make_unique<QMessageBox>(QMessageBox::Warning, "t", "w", QMessageBox::Close);
    if (kind == QLatin1String("line edit menu")) {
        auto holder = std::make_unique<QWidget>();
        auto *edit = new QLineEdit(holder.get());
        edit->createStandardContextMenu()->setParent(holder.get(), Qt::Popup);
        return holder;
    }
    auto dialog = std::make_unique<QFileDialog>();
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    return dialog;
}

void TestQtTranslation::standardTextsReadRussian_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("address dialog: OK and Cancel") << "address dialog" << QStringList { "OK", "Отмена" };
    QTest::newRow("question box: Yes and No") << "question box" << QStringList { "&Да", "&Нет" };
    QTest::newRow("warning box: Close") << "warning box" << QStringList { "Закрыть" };
    QTest::newRow("line edit's context menu")
        << "line edit menu"
        << QStringList { "&Отменить действие", "&Копировать", "В&ставить", "Выделить всё" };
    QTest::newRow("file dialog: save")
        << "file dialog" << QStringList { "&Сохранить", "Отмена", "&Имя файла:", "Типы файлов:" };
}

void TestQtTranslation::standardTextsReadRussian()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, expected);
    QVERIFY(loadQtTranslation());
    QVERIFY(loadQtTranslation()); // a second call installs nothing twice

    const std::unique_ptr<QWidget> w = make(kind);
    const QStringList texts = textsOf(w.get());
    for (const QString &text : qAsConst(expected))
        QVERIFY2(texts.contains(text), qPrintable(texts.join(QStringLiteral(" | "))));
    QVERIFY2(!texts.contains(QStringLiteral("Cancel")) && !texts.contains(QStringLiteral("&Yes")),
             qPrintable(texts.join(QStringLiteral(" | "))));
}

QTEST_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"
